#include "files/design_entries.hpp"

#include "common/number.hpp"

namespace quill {

bool read_design_entries(EntryFile& f, const EntryNames& names, DesignEntries& e) {
  auto positive = [](float v) { return v > 0; };
  if (!f.skip("1st line.")) return false;
  const std::string sections = "a section count from 1 to " + std::to_string(max_sections);
  auto n = f.number(names.n, sections, [](float v) {
    const int count = round_choice(v);
    return count >= 1 && count <= max_sections;
  });
  if (!n) return false;
  e.n = round_choice(*n);
  auto z0 = f.number(names.z0, "above 0 ohms", positive);
  if (!z0) return false;
  e.z0 = *z0;
  auto er = f.number(names.er, "at least 1", [](float v) { return v >= 1; });
  if (!er) return false;
  e.er = *er;
  const std::string matched = "at least Zo, " + plain_number(e.z0) + " ohms";
  for (int i = 0; i < e.n; ++i) {
    // An even-mode impedance equal to Zo (an uncoupled section) is accepted.
    auto zoe = f.number(names.zoe, matched, [&](float v) { return v >= e.z0; });
    if (!zoe) return false;
    e.zoe[i] = *zoe;
    auto f0 = f.number(names.f0, "above 0 MHz", positive);
    if (!f0) return false;
    e.f0[i] = *f0;
  }
  auto fstart = f.number(names.fstart, "above 0 MHz", positive);
  if (!fstart) return false;
  auto fstop = f.number(names.fstop, "above 0 MHz", positive);
  if (!fstop) return false;
  auto deltaf = f.number(names.deltaf, "above 0 MHz", positive);
  if (!deltaf) return false;
  auto gps = f.number(names.gps, "above 0 inches", positive);
  if (!gps) return false;
  auto s = f.number(names.s, "above 0 and at most B, " + plain_number(*gps) + " inches",
                    [&](float v) { return v > 0 && v <= *gps; });
  if (!s) return false;
  e.fstart = *fstart;
  e.fstop = *fstop;
  e.deltaf = *deltaf;
  e.gps = *gps;
  e.s = *s;
  return true;
}

}  // namespace quill
