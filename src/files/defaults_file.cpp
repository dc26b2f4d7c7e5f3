#include "files/defaults_file.hpp"

#include "files/design_entries.hpp"

namespace quill {

namespace {

constexpr EntryNames kNames = {"# of Sections: N.", "System Impedance: Zo", "Dielectric Constant.",
                               "Even-Mode Zoe.",    "Center Frequency.",    "Start Frequency.",
                               "Stop Frequency.",   "Step Frequency.",      "Ground Spacing:B.",
                               "Strip Spacing:S."};

}  // namespace

DefaultsRead read_defaults(std::istream& file, Defaults& defs) {
  EntryFile f(file);
  DesignEntries e;
  if (!read_design_entries(f, kNames, e)) return {f.fault(), f.entry()};
  auto fn = f.name("Storage Filename.");
  if (!fn) return {f.fault(), f.entry()};
  if (fn->find_first_not_of(' ') == std::string::npos) {
    f.reject("Storage Filename.");
    return {f.fault(), f.entry()};
  }
  defs.ndef = e.n;
  defs.z0def = e.z0;
  defs.erdef = e.er;
  defs.zoedef = e.zoe;
  defs.f0def = e.f0;
  defs.fstartdef = e.fstart;
  defs.fstopdef = e.fstop;
  defs.deltafdef = e.deltaf;
  defs.gpsdef = e.gps;
  defs.sdef = e.s;
  defs.fndef = *fn;
  return {};
}

}  // namespace quill
