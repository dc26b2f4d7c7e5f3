#pragma once
/// Complex chain (ABCD) matrices held as plain floats, normalised to Zo.
///
/// A matrix is 8 floats, column by column: Re A, Im A, Re B, Im B, Re C, Im C,
/// Re D, Im D. A complex number is two floats, real part first.

#include <array>

namespace quill {

using Abcd = std::array<float, 8>;
using Complex = std::array<float, 2>;

/// a = b, all eight reals.
void eq(Abcd& a, const Abcd& b);
/// xt = x1 * x2 (x1 the left factor). xt must not alias x1 or x2.
void mmult(Abcd& xt, const Abcd& x1, const Abcd& x2);
/// xt + j yt = (x1 + j y1)(x2 + j y2), or with the second factor conjugated when ltype is 2.
void nmult(int ltype, float& xt, float& yt, float x1, float y1, float x2, float y2);
/// Transmission and reflection coefficient of a two-port between Zo terminations.
void taugam(Complex& tau, Complex& gamma, const Abcd& abcd);
/// Angle of the point (x, y) in radians, in (-pi, pi].
float atn2(float y, float x);

}  // namespace quill
