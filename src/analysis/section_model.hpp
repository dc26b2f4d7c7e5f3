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

/// The same matrix from sin theta, cos theta, sinh sigma and cosh sigma
/// already formed, so a sweep can share them between sections of equal length
/// and loss. Gives exactly the bits of xline for the same inputs.
inline void xline_parts(float z, float s, float c, float sh, float ch, Abcd& abcd) {
  const float rz = 1.0f / z;
  const float a_re = ch * c;  // A = D = cosh(sigma + j theta): the line is symmetrical
  const float a_im = sh * s;
  abcd = {a_re, a_im,
          z * sh * c, z * ch * s,     // B = z sinh(sigma + j theta)
          sh * c * rz, ch * s * rz,   // C = sinh(sigma + j theta) / z
          a_re, a_im};
}

/// Shortens every section's odd-mode electrical length by the ratio r, so the
/// even-mode phase velocity is r times the odd-mode one. Applied once per design.
void apply_velocity(CouplerDesign& d, float r);

/// Gives both modes of every section the loss `loss` dB per inch at f0.
void apply_loss(CouplerDesign& d, float loss);

}  // namespace quill
