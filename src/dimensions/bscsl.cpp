#include "dimensions/bscsl.hpp"

#include <cmath>

#include "common/constants.hpp"

namespace quill {

namespace {

/// Offset strips, strongly coupled: conformal-mapping parameters a, b, p, r of
/// the odd-mode field, then width from the parallel-plate capacitance left
/// after the fringing term. A mapping parameter a <= 4 has no real solution
/// (rho * S/B >= 1 always lands there): the strips cannot be coupled that
/// loosely while overlapping, and the tight fields stay 0.
void offset_tight(float zo, float er, float sb, float rho, Blk1& blk, int& ierror) {
  const float t = 60.0f * (pi * pi) / (zo * sqrtf(er));
  const float a = expf(t * (1.0f - rho * sb) / sqrtf(rho));
  ierror = 0;
  if (a <= 4.0f) {
    ierror = 1;
    return;
  }
  const float b = (a - 2.0f + sqrtf(a * a - 4.0f * a)) / 2.0f;
  const float half = (1.0f + sb) / 2.0f;
  const float p = ((b - 1.0f) * (1.0f + sb) / 2.0f +
                   sqrtf((b - 1.0f) * (b - 1.0f) * (half * half) + 4.0f * sb * b)) /
                  2.0f;
  const float r = sb * b / p;
  // Odd-mode fringing capacitance over the permittivity.
  const float cf0 =
      (1.0f / pi) * ((1.0f / sb) * logf(p * r / ((p + sb) * (p + 1.0f) * (r - sb) * (1.0f - r))) -
                     (2.0f / (1.0f - sb)) * logf(sb));
  // Odd-mode capacitance over the permittivity: 120 pi / (sqrt(er) Zoo).
  const float c0 = 120.0f * pi * sqrtf(rho) / (zo * sqrtf(er));
  blk.wbt = sb * (1.0f - sb) * (c0 - cf0) / 2.0f;
  blk.wb0t = (1.0f / (2.0f * pi)) *
             ((1.0f + sb) * logf(p / r) +
              (1.0f - sb) * logf((1.0f + p) * (r - sb) / ((sb + p) * (1.0f - r))));
  blk.wbct = blk.wbt - blk.wb0t;
}

/// Superposed strips (no offset) whose even mode has impedance zoe: the even
/// mode sees the pair as one strip, so its impedance fixes an elliptic
/// modulus k, and the width follows from k and S/B. S/B >= k has no solution
/// (negative square root): the width is then NaN.
void total_overlap(float zoe, float zo, float er, float sb, Blk1& blk) {
  const float coupling = ((zoe / zo) * (zoe / zo) - 1.0f) / ((zoe / zo) * (zoe / zo) + 1.0f);
  const float akoverakp =
      sqrtf((1.0f - coupling) / (1.0f + coupling)) * 60.0f * pi / (zo * sqrtf(er));
  const float k = akinv(akoverakp);
  const float r = sqrtf((k / sb - 1.0f) / (1.0f / (k * sb) - 1.0f));
  blk.wbt = (1.0f / pi) *
            (logf((1.0f + r) / (1.0f - r)) - sb * logf((1.0f + r / k) / (1.0f - r / k)));
}

/// Weakly coupled strips with little or no overlap: the coupling capacitance
/// (odd minus even) fixes the mapping parameters a and q; the width is what
/// remains of the odd-mode capacitance after both fringing terms.
/// a = sqrt(a0^2 + K) - a0 cancels completely for very tight sections, so
/// their loose width is not finite; that is the honest single-precision result.
void loose(float zo, float er, float sb, float rho, Blk1& blk) {
  const float c0 = 120.0f * pi * sqrtf(rho) / (zo * sqrtf(er));
  const float deltac = 120.0f * pi * (rho - 1.0f) / (zo * sqrtf(er) * sqrtf(rho));
  const float kk = 1.0f / (expf(pi * deltac / 2.0f) - 1.0f);
  const float a0 = (sb - kk) / (sb + 1.0f);
  const float a = sqrtf(a0 * a0 + kk) - a0;
  const float q = kk / a;
  const float cf0l = (2.0f / pi) * ((1.0f / (1.0f + sb)) * logf((1.0f + a) / (a * (1.0f - q))) -
                                    (1.0f / (1.0f - sb)) * logf(q));
  blk.wbcl = (1.0f / pi) * (sb * logf(q / a) + (1.0f - sb) * logf((1.0f - q) / (1.0f + a)));
  // Fringing of the outer strip edges: depends on S/B alone.
  const float cfa = -(2.0f / pi) * ((1.0f / (1.0f - sb)) * logf((1.0f + sb) / 2.0f) +
                                    (1.0f / (1.0f + sb)) * logf((1.0f - sb) / 2.0f));
  blk.wbl = (1.0f - sb * sb) * (c0 - cf0l - cfa) / 4.0f;
  // A negative offset would mean more overlap than the strips have: clamp at
  // 0. A strip without a finite width has no known offset either, so NaN is
  // passed on rather than turned into a plausible-looking 0.
  const float overhang = blk.wbl - blk.wbcl;
  if (overhang > 0.0f || std::isnan(overhang)) {
    blk.wb0l = overhang;
  } else {
    blk.wb0l = 0.0f;
  }
}

}  // namespace

Blk1 bscsl(float zoe, float zo, float er, float s, float gps, int icenter, int& ierror) {
  Blk1 blk{};
  const float sb = s / gps;
  // Matched section: Zoe / Zoo = (Zoe / Zo)^2.
  const float rho = (zoe / zo) * (zoe / zo);
  if (icenter == 1) {
    total_overlap(zoe, zo, er, sb, blk);
  } else {
    offset_tight(zo, er, sb, rho, blk, ierror);
  }
  loose(zo, er, sb, rho, blk);
  return blk;
}

float akinv(float r) {
  float t = r;
  if (r < 1.0f) t = 1.0f / r;
  const float e = expf(pi * t);
  const float x = (e / 2.0f - 1.0f) / (e / 2.0f + 1.0f);
  if (r >= 1.0f) return x * x;
  return sqrtf(1.0f - x * x * (x * x));
}

}  // namespace quill
