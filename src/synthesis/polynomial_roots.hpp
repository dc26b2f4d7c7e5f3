#pragma once
/// Every complex root of a polynomial with real coefficients, found without
/// any starting guess from the caller, so a design is the same on every run.

#include <complex>
#include <span>
#include <vector>

namespace quill {

/// Roots of c[0] + c[1] z + ... + c[n] z^n (c[n] != 0), by the Aberth-Ehrlich
/// simultaneous iteration from a fixed circle of starting points, each root
/// then polished by Newton steps. Returns n roots in no particular order;
/// empty when the leading coefficient is zero or a value is not finite.
std::vector<std::complex<double>> polynomial_roots(std::span<const double> c);

}  // namespace quill
