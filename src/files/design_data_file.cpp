#include "files/design_data_file.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/matched_section.hpp"
#include "common/name_field.hpp"
#include "common/number.hpp"
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
    set_matched_from_ohms(s, zoe, d.z0);
    d.f0 = e.f0[static_cast<size_t>(i - 1)];
    set_quarter_wave(s, d.f0, d.er);
    d.total = d.total + s.length;
  }
  return d;
}

/// A number for columns 1 to 13 that reads back as exactly `v`: the shortest
/// decimal text when it fits, else its digits with an exponent ("123456789E30").
std::string entry_number(float v) {
  std::string text = shortest(v);
  if (text.size() <= number_columns) return text;
  // Nine significant digits always identify a float: d.dddddddde+XX becomes
  // ddddddddd times ten to the power XX - 8, trailing zeros moved into the
  // exponent. The entries written are positive, so this fits 13 columns.
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.8e", static_cast<double>(v));
  const char* e = std::strchr(buf, 'e');
  std::string digits;
  for (const char* p = buf; p != e; ++p)
    if (*p != '.') digits += *p;
  int exponent = std::atoi(e + 1) - 8;
  while (digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
    ++exponent;
  }
  return digits + "E" + std::to_string(exponent);
}

void entry(std::string& out, float v, std::string_view name) {
  std::string text = entry_number(v);
  text.resize(number_columns, ' ');
  out += text;
  out += name;
  out += '\n';
}

}  // namespace

std::string design_data_fault(const DesignDataRead& read, const std::string& named, int system_error) {
  const std::string entry(trimmed(read.entry));
  switch (read.fault) {
    case EntryFile::none:
      return {};
    case EntryFile::missing:
      return named + ": the file ends before entry \"" + entry + "\" (line " + std::to_string(read.line) +
             "); fix it and try again";
    case EntryFile::unreadable:
      return named + ": cannot be read: " + std::strerror(system_error != 0 ? system_error : EIO);
    case EntryFile::bad:
      break;
  }
  return named + ", line " + std::to_string(read.line) + ": error in entry \"" + entry + "\"" +
         (read.reason.empty() ? "" : ": " + read.reason) + "; fix it and try again";
}

std::string design_data_text(const FileDesign& values, std::string_view title) {
  const CouplerDesign& d = values.design;
  std::string out(title);
  out += '\n';
  entry(out, static_cast<float>(d.n), "Number of sections N");
  entry(out, d.z0, "System impedance Zo, ohms");
  entry(out, d.er, "Relative dielectric constant Er");
  for (int i = 1; i <= d.n; ++i) {
    const std::string k = std::to_string(i);
    entry(out, file_zoe_ohms(d.sec(i).zoe, d.z0), "Zoe of section " + k + ", ohms");
    entry(out, d.f0, "Centre frequency of section " + k + ", MHz");
  }
  entry(out, values.fstart, "Analysis start frequency, MHz");
  entry(out, values.fstop, "Analysis stop frequency, MHz");
  entry(out, values.deltaf, "Analysis step frequency, MHz");
  entry(out, values.gpsuser, "Ground plane spacing B, inches");
  entry(out, values.suser, "Strip spacing S, inches");
  return out;
}

DesignDataRead read_design_data(std::istream& file) {
  DesignDataRead r;
  EntryFile entries(file);
  DesignEntries e;
  if (!read_design_entries(entries, kNames, e)) {
    r.fault = entries.fault();
    r.entry = entries.entry();
    r.line = entries.line();
    r.reason = entries.reason();
    return r;
  }
  r.values = {design_of(e), e.fstart, e.fstop, e.deltaf, e.gps, e.s};
  return r;
}

}  // namespace quill
