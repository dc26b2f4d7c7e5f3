#include "files/design_entries.hpp"

#include "common/number.hpp"

namespace quill {

bool read_design_entries(EntryFile& f, const EntryNames& names, DesignEntries& e) {
  auto positive = [](float v) { return v > 0; };
  if (!f.skip("1st line.")) return false;
  auto n = f.number(names.n);
  if (!n) return false;
  e.n = round_choice(*n);
  if (e.n < 1 || e.n > max_sections) return f.reject(names.n), false;
  auto z0 = f.number(names.z0, positive);
  if (!z0) return false;
  e.z0 = *z0;
  auto er = f.number(names.er, [](float v) { return v >= 1; });
  if (!er) return false;
  e.er = *er;
  for (int i = 0; i < e.n; ++i) {
    // An even-mode impedance equal to Zo (an uncoupled section) is accepted.
    auto zoe = f.number(names.zoe, [&](float v) { return v >= e.z0; });
    if (!zoe) return false;
    e.zoe[i] = *zoe;
    auto f0 = f.number(names.f0, positive);
    if (!f0) return false;
    e.f0[i] = *f0;
  }
  auto fstart = f.number(names.fstart, positive);
  if (!fstart) return false;
  auto fstop = f.number(names.fstop, positive);
  if (!fstop) return false;
  auto deltaf = f.number(names.deltaf, positive);
  if (!deltaf) return false;
  auto gps = f.number(names.gps, positive);
  if (!gps) return false;
  auto s = f.number(names.s, [&](float v) { return v > 0 && v <= *gps; });
  if (!s) return false;
  e.fstart = *fstart;
  e.fstop = *fstop;
  e.deltaf = *deltaf;
  e.gps = *gps;
  e.s = *s;
  return true;
}

}  // namespace quill
