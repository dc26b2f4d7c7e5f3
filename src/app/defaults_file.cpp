#include "app/defaults_file.hpp"

#include "app/number.hpp"
#include "common/fixed.hpp"

namespace quill {

namespace {

bool positive(float v) { return v > 0; }

// Reads every entry in file order; false at the first fault.
bool read_entries(EntryFile& f, Defaults& d) {
  if (!f.skip("1st line.")) return false;
  auto n = f.number("# of Sections: N.");
  if (!n) return false;
  d.ndef = round_choice(*n);
  if (d.ndef < 1 || d.ndef > max_sections) return f.reject("# of Sections: N."), false;
  auto z0 = f.number("System Impedance: Zo", positive);
  if (!z0) return false;
  d.z0def = *z0;
  auto er = f.number("Dielectric Constant.", [](float v) { return v >= 1; });
  if (!er) return false;
  d.erdef = *er;
  for (int i = 0; i < d.ndef; ++i) {
    auto zoe = f.number("Even-Mode Zoe.", [&](float v) { return v >= d.z0def; });
    if (!zoe) return false;
    d.zoedef[i] = *zoe;
    auto f0 = f.number("Center Frequency.", positive);
    if (!f0) return false;
    d.f0def[i] = *f0;
  }
  auto fstart = f.number("Start Frequency.", positive);
  if (!fstart) return false;
  auto fstop = f.number("Stop Frequency.", positive);
  if (!fstop) return false;
  auto deltaf = f.number("Step Frequency.", positive);
  if (!deltaf) return false;
  auto gps = f.number("Ground Spacing:B.", positive);
  if (!gps) return false;
  auto s = f.number("Strip Spacing:S.", [&](float v) { return v > 0 && v <= *gps; });
  if (!s) return false;
  auto fn = f.name("Storage Filename.");
  if (!fn) return false;
  if (fn->find_first_not_of(' ') == std::string::npos) return f.reject("Storage Filename."), false;
  d.fstartdef = *fstart;
  d.fstopdef = *fstop;
  d.deltafdef = *deltaf;
  d.gpsdef = *gps;
  d.sdef = *s;
  d.fndef = *fn;
  return true;
}

}  // namespace

DefaultsRead read_defaults(std::istream& file, Defaults& defs) {
  EntryFile f(file);
  Defaults d;
  if (read_entries(f, d)) {
    defs = d;
    return {};
  }
  return {f.fault(), f.entry()};
}

std::string defaults_fault_message(const DefaultsRead& r) {
  Text t;
  if (r.fault == EntryFile::missing) {
    t.sp(6).lit("`End of file` in Quillomate`s Default Data File (Quillomate.DEF).").nl()
        .sp(6).lit("Entry missing for variable: ").name(r.entry).nl()
        .sp(6).lit("Fix entry for this variable in Quillomate.DEF and try again.").nl();
  } else {
    t.sp(6).lit("Error exists in Quillomate`s Default Data File (Quillomate.DEF).").nl()
        .sp(6).lit("Fix entry for variable ").name(r.entry).lit(" and try again.").nl();
  }
  return t.str();
}

}  // namespace quill
