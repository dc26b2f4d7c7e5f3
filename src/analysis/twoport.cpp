#include "analysis/twoport.hpp"

#include <cmath>

#include "common/constants.hpp"

namespace quill {

void taugam(Complex& tau, Complex& gamma, const Abcd& abcd) {
  // Between Zo terminations: gamma = (A + B - C - D) / (A + B + C + D) and,
  // for a reciprocal two-port, tau = 2 / (A + B + C + D). The quotient is
  // formed as top * conj(bottom) / |bottom|^2.
  const float bottom_re = abcd[0] + abcd[2] + abcd[4] + abcd[6];
  const float bottom_im = abcd[1] + abcd[3] + abcd[5] + abcd[7];
  const float top_re = abcd[0] + abcd[2] - abcd[4] - abcd[6];
  const float top_im = abcd[1] + abcd[3] - abcd[5] - abcd[7];
  const float temp = 1.0f / (bottom_re * bottom_re + bottom_im * bottom_im);
  float g_re = 0;
  float g_im = 0;
  nmult(2, g_re, g_im, top_re, top_im, bottom_re, bottom_im);
  gamma[0] = g_re * temp;
  gamma[1] = g_im * temp;
  tau[0] = 2.0f * bottom_re * temp;
  tau[1] = -2.0f * bottom_im * temp;
}

float atn2(float y, float x) {
  if (x == 0) {
    if (y > 0) return pi / 2.0f;
    if (y < 0) return -(pi / 2.0f);
    return 0;
  }
  const float a = atanf(fabsf(y / x));
  if (x > 0) {
    if (y > 0) return a;
    if (y < 0) return -a;
    return 0;
  }
  if (y > 0) return pi - a;
  if (y < 0) return a - pi;
  return pi;
}

}  // namespace quill
