#include "files/design_data_file.hpp"

#include "common/quarter_wave.hpp"
#include "files/design_entries.hpp"

namespace quill {

namespace {

constexpr EntryNames kNames = {"# of Sections: N",  "System Impedance: Zo", "Dielectric Constant",
                               "Even-Mode Zoe",     "Center Frequency",     "Start Frequency",
                               "Stop Frequency",    "Step Frequency",       "Ground Spacing: B.",
                               "Strip Spacing: S."};

// The design the entries describe: each section matched to Zo, a quarter wave
// at its own centre frequency; the last section's frequency is the design's.
CouplerDesign design_of(const DesignEntries& e) {
  CouplerDesign d;
  d.ifunc = 4;
  d.n = e.n;
  d.z0 = e.z0;
  d.er = e.er;
  for (int i = 1; i <= d.n; ++i) {
    const float zoe = e.zoe[static_cast<size_t>(i - 1)];
    if (zoe > d.zoemax) d.zoemax = zoe;
    Section& s = d.sec(i);
    s.zoo = d.z0 * d.z0 / zoe;
    s.zoe = zoe / d.z0;
    s.zoo = s.zoo * (1.0f / d.z0);
    d.f0 = e.f0[static_cast<size_t>(i - 1)];
    set_quarter_wave(s, d.f0, d.er);
    d.total = d.total + s.length;
  }
  return d;
}

}  // namespace

DesignDataRead read_design_data(std::istream& file) {
  DesignDataRead r;
  EntryFile entries(file);
  DesignEntries e;
  if (!read_design_entries(entries, kNames, e)) {
    r.fault = entries.fault();
    r.entry = entries.entry();
    r.line = entries.line();
    return r;
  }
  r.values = {design_of(e), e.fstart, e.fstop, e.deltaf, e.gps, e.s};
  return r;
}

}  // namespace quill
