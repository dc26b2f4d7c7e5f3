#pragma once
/// The 2,000 synthesis requests that verify_synthesis checks and
/// bench_synthesis times: a fixed, portable sequence (splitmix64; the
/// standard distributions are not the same on every library), so both tools
/// see the same requests on every run and every machine.

#include <cmath>
#include <cstdint>
#include <vector>

#include "synthesis/equal_ripple.hpp"

namespace quill::tools {

struct Sequence {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(next() >> 11) * 0x1.0p-53; }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

/// Both forms, levels 3..30 dB, ripple 0 (one in six) or 0.01..1.5 dB, flow
/// 1..20000 MHz, fhigh/flow 1.01..60 (the widest beyond what 15 or 12
/// sections cover), and one in five with a fixed section count.
inline std::vector<RippleRequest> generated_requests(int count = 2000) {
  Sequence seq{0x51ab1e5eedULL};
  std::vector<RippleRequest> requests;
  for (int i = 0; i < count; ++i) {
    RippleRequest s;
    s.form = seq.below(2) == 0 ? CouplerForm::symmetrical : CouplerForm::asymmetrical;
    s.level_db = seq.uniform(3.0, 30.0);
    s.ripple_db = seq.below(6) == 0 ? 0.0 : seq.uniform(0.01, 1.5);
    s.flow_mhz = std::exp(seq.uniform(std::log(1.0), std::log(20000.0)));
    s.fhigh_mhz = s.flow_mhz * std::exp(seq.uniform(std::log(1.01), std::log(60.0)));
    if (seq.below(5) == 0)
      s.sections = s.form == CouplerForm::symmetrical ? 1 + 2 * seq.below(8) : 2 + seq.below(11);
    requests.push_back(s);
  }
  return requests;
}

}  // namespace quill::tools
