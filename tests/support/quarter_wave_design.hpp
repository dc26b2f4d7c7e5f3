#pragma once
// A matched design of quarter-wave sections: normalised even-mode
// impedances, Zoo = 1 / Zoe, every section a quarter wave at f0 in Er.

#include <vector>

#include "common/design.hpp"
#include "common/quarter_wave.hpp"

namespace quill::testing_support {

inline CouplerDesign quarter_wave_design(const std::vector<float>& zoe, float er, float f0_mhz) {
  CouplerDesign d;
  d.n = static_cast<int>(zoe.size());
  d.z0 = 50.0f;
  d.er = er;
  d.f0 = f0_mhz;
  for (int i = 1; i <= d.n; ++i) {
    d.sec(i).zoe = zoe[static_cast<size_t>(i - 1)];
    d.sec(i).zoo = 1.0f / d.sec(i).zoe;
    set_quarter_wave(d.sec(i), d.f0, d.er);
  }
  return d;
}

}  // namespace quill::testing_support
