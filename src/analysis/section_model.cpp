#include "analysis/section_model.hpp"

#include <cmath>

namespace quill {

void xline(float z, float theta, float sigma, Abcd& abcd) {
  const float s = sinf(theta);
  const float c = cosf(theta);
  const float ep = expf(sigma);
  const float em = expf(-sigma);
  const float sh = 0.5f * (ep - em);
  const float ch = 0.5f * (ep + em);
  xline_parts(z, s, c, sh, ch, abcd);
}

void apply_velocity(CouplerDesign& d, float r) {
  for (int i = 1; i <= d.n; ++i) {
    Section& s = d.sec(i);
    s.veloe = 1.0f;
    s.thetae = s.thetae * s.veloe;
    s.veloo = r * s.veloe;
    s.thetao = s.thetao * s.veloo;
  }
}

void apply_loss(CouplerDesign& d, float loss) {
  // 8.686 dB per neper; the loss is stated at f0 for the whole section.
  for (int i = 1; i <= d.n; ++i) {
    Section& s = d.sec(i);
    s.oeloss = loss;
    s.ooloss = s.oeloss;
    s.sigmae = s.oeloss * (s.length / 8.686f);
    s.sigmao = s.ooloss * (s.length / 8.686f);
  }
}

}  // namespace quill
