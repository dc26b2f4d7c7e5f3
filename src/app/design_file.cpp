#include "app/design_file.hpp"

#include <fstream>

#include "app/design_entries.hpp"
#include "app/entry_file.hpp"
#include "app/file_messages.hpp"
#include "common/fixed.hpp"
#include "common/quarter_wave.hpp"

namespace quill {

namespace {

constexpr std::string_view kFileEntry = "User filename";

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

  // Only a plain file of the working folder is read: a directory, a device or
  // a pipe (which may never end a line) counts as a file that cannot be opened.
  const std::string path(trimmed(fnuser));
  std::error_code ec;
  const bool regular = plain_file_name(path) && std::filesystem::is_regular_file(workdir / path, ec);
  std::ifstream file;
  if (regular) file.open(workdir / path);
  if (file.is_open()) file.peek();
  if (!file.is_open() || file.bad()) {
    con.say(user_file_error_message(fnuser, kFileEntry));
    return result;
  }

  con.say(Text().nl().sp(6).lit("Attempting to read User Data File: ").name(fnuser).lit("..."));
  EntryFile entries(file);
  DesignEntries e;
  if (!read_design_entries(entries, kNames, e)) {
    con.say(entries.fault() == EntryFile::missing
                ? user_file_end_message(fnuser, entries.entry())
                : user_file_error_message(fnuser, entries.entry()));
    return result;
  }
  con.say(Text().lit("..Completed.").nl().sp(8).lit("- Number of sections in your Coupler: N =")
              .i(e.n, 3).nl());
  result.status = FileDesignRead::ok;
  result.values = {design_of(e), e.fstart, e.fstop, e.deltaf, e.gps, e.s};
  return result;
}

}  // namespace quill
