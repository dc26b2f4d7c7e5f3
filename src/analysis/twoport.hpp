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
inline void eq(Abcd& a, const Abcd& b) { a = b; }

/// xt + j yt = (x1 + j y1)(x2 + j y2), or with the second factor conjugated when ltype is 2.
inline void nmult(int ltype, float& xt, float& yt, float x1, float y1, float x2, float y2) {
  if (ltype == 2) {
    // Second factor conjugated: the numerator of a quotient p / q.
    xt = x1 * x2 + y1 * y2;
    yt = x2 * y1 - x1 * y2;
  } else {
    xt = x1 * x2 - y1 * y2;
    yt = x2 * y1 + x1 * y2;
  }
}

/// xt = x1 * x2 (x1 the left factor). xt must not alias x1 or x2.
///
/// Each element is cleared and then gets its two complex products added, first
/// term first. Starting from zero is not a no-op in floating point (0 + (-0) is
/// +0), so the clear stays. Inline, because the sweep forms 2(N - 1) of these
/// per frequency and the elements are best kept in registers.
inline void mmult(Abcd& xt, const Abcd& x1, const Abcd& x2) {
  // Columns: A at 0, B at 2, C at 4, D at 6.
  auto element = [&x1, &x2](int p1, int q1, int p2, int q2, float& re, float& im) {
    float tr = 0;
    float ti = 0;
    re = 0;
    im = 0;
    nmult(1, tr, ti, x1[p1], x1[p1 + 1], x2[q1], x2[q1 + 1]);
    re = re + tr;
    im = im + ti;
    nmult(1, tr, ti, x1[p2], x1[p2 + 1], x2[q2], x2[q2 + 1]);
    re = re + tr;
    im = im + ti;
  };
  float ar, ai, br, bi, cr, ci, dr, di;
  element(0, 0, 2, 4, ar, ai);  // A = A1 A2 + B1 C2
  element(0, 2, 2, 6, br, bi);  // B = A1 B2 + B1 D2
  element(4, 0, 6, 4, cr, ci);  // C = C1 A2 + D1 C2
  element(4, 2, 6, 6, dr, di);  // D = C1 B2 + D1 D2
  xt = {ar, ai, br, bi, cr, ci, dr, di};
}

/// Transmission and reflection coefficient of a two-port between Zo terminations.
void taugam(Complex& tau, Complex& gamma, const Abcd& abcd);
/// Angle of the point (x, y) in radians, in (-pi, pi].
float atn2(float y, float x);

}  // namespace quill
