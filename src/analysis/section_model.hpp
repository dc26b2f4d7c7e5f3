#pragma once
/// Even/odd-mode model of one coupled section: each mode is a uniform lossy
/// TEM line whose electrical length scales with frequency and whose
/// attenuation scales with its square root (skin-effect conductor loss).

#include "analysis/twoport.hpp"
#include "common/design.hpp"

namespace quill {

/// Chain matrix of a line of normalised impedance z and complex electrical
/// length sigma + j theta: A = D = cosh, B = z sinh, C = sinh / z.
void xline(float z, float theta, float sigma, Abcd& abcd);

/// Shortens every section's odd-mode electrical length by the ratio r, so the
/// even-mode phase velocity is r times the odd-mode one. Applied once per design.
void apply_velocity(CouplerDesign& d, float r);

/// Gives both modes of every section the loss `loss` dB per inch at f0.
void apply_loss(CouplerDesign& d, float loss);

}  // namespace quill
