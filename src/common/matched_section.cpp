#include "common/matched_section.hpp"

#include <cmath>

namespace quill {

float file_zoe_ohms(float zoe, float z0) {
  const float product = zoe * z0;
  float up = product, down = product;
  for (int k = 0; k < 8; ++k) {
    if (up / z0 == zoe) return up;
    if (down / z0 == zoe) return down;
    up = std::nextafter(up, HUGE_VALF);
    down = std::nextafter(down, -HUGE_VALF);
  }
  return product;
}

void set_matched_from_ohms(Section& s, float zoe_ohms, float z0) {
  // The reader's order of operations: the odd mode in ohms first, then both
  // normalised.
  s.zoo = z0 * z0 / zoe_ohms;
  s.zoe = zoe_ohms / z0;
  s.zoo = s.zoo * (1.0f / z0);
}

void hold_as_in_file(CouplerDesign& d) {
  d.zoemax = 0;
  for (int i = 1; i <= d.n; ++i) {
    Section& s = d.sec(i);
    const float ohms = file_zoe_ohms(s.zoe, d.z0);
    set_matched_from_ohms(s, ohms, d.z0);
    if (ohms > d.zoemax) d.zoemax = ohms;
  }
}

}  // namespace quill
