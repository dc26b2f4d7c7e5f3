#include "app/design_file.hpp"

#include <fstream>

#include "app/entry_file.hpp"
#include "app/file_messages.hpp"
#include "app/number.hpp"
#include "common/fixed.hpp"
#include "common/quarter_wave.hpp"

namespace quill {

namespace {

constexpr std::string_view kFileEntry = "User filename";

bool positive(float v) { return v > 0; }

bool read_entries(EntryFile& f, FileDesign& r) {
  CouplerDesign& d = r.design;
  if (!f.skip("1st line.")) return false;
  auto n = f.number("# of Sections: N");
  if (!n) return false;
  d.n = round_choice(*n);
  if (d.n < 1 || d.n > max_sections) return f.reject("# of Sections: N"), false;
  auto z0 = f.number("System Impedance: Zo", positive);
  if (!z0) return false;
  d.z0 = *z0;
  auto er = f.number("Dielectric Constant", [](float v) { return v >= 1; });
  if (!er) return false;
  d.er = *er;
  d.zoemax = 0;
  d.total = 0;
  for (int i = 1; i <= d.n; ++i) {
    auto zoe = f.number("Even-Mode Zoe", [&](float v) { return v >= d.z0; });
    if (!zoe) return false;
    if (*zoe > d.zoemax) d.zoemax = *zoe;
    Section& s = d.sec(i);
    s.zoo = d.z0 * d.z0 / *zoe;
    s.zoe = *zoe / d.z0;
    s.zoo = s.zoo * (1.0f / d.z0);
    auto f0 = f.number("Center Frequency", positive);
    if (!f0) return false;
    d.f0 = *f0;
    set_quarter_wave(s, d.f0, d.er);
    d.total = d.total + s.length;
  }
  auto fstart = f.number("Start Frequency", positive);
  if (!fstart) return false;
  auto fstop = f.number("Stop Frequency", positive);
  if (!fstop) return false;
  auto deltaf = f.number("Step Frequency", positive);
  if (!deltaf) return false;
  auto gps = f.number("Ground Spacing: B.", positive);
  if (!gps) return false;
  auto s = f.number("Strip Spacing: S.", [&](float v) { return v > 0 && v <= *gps; });
  if (!s) return false;
  r.fstart = *fstart;
  r.fstop = *fstop;
  r.deltaf = *deltaf;
  r.gpsuser = *gps;
  r.suser = *s;
  return true;
}

}  // namespace

FileDesignRead read_design_file(Console& con, const std::filesystem::path& workdir,
                                std::string& fnuser) {
  FileDesignRead result;
  con.say("\n      Enter a FILENAME that contains Design Parameters\n");
  auto name = con.askname("      for your Directional Coupler (up to 20 characters): ");
  if (!name) {
    fnuser = name_field("");
    con.say(user_file_error_message(fnuser, kFileEntry));
    result.status = FileDesignRead::stop;
    return result;
  }
  fnuser = *name;
  if (trimmed(fnuser).empty()) {
    con.say(user_file_end_message(fnuser, kFileEntry));
    return result;
  }

  // A name that opens but cannot be read (a directory) counts as not opened.
  std::ifstream file(workdir / std::string(trimmed(fnuser)));
  if (file.is_open()) file.peek();
  if (!file.is_open() || file.bad()) {
    con.say(user_file_error_message(fnuser, kFileEntry));
    return result;
  }

  con.say(Text().nl().sp(6).lit("Attempting to read User Data File: ").name(fnuser).lit("..."));
  EntryFile entries(file);
  FileDesign values;
  values.design.ifunc = 4;
  if (!read_entries(entries, values)) {
    con.say(entries.fault() == EntryFile::missing
                ? user_file_end_message(fnuser, entries.entry())
                : user_file_error_message(fnuser, entries.entry()));
    return result;
  }
  con.say(Text().lit("..Completed.").nl().sp(8).lit("- Number of sections in your Coupler: N =")
              .i(values.design.n, 3).nl());
  result.status = FileDesignRead::ok;
  result.values = values;
  return result;
}

}  // namespace quill
