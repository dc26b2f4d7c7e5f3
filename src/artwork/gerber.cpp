#include "artwork/gerber.hpp"

#include <cmath>
#include <cstdio>

namespace quill {

namespace {

/// Text allowed in an attribute field: no commas, asterisks or percent signs,
/// which delimit the format, and nothing outside printable ASCII.
std::string field(const std::string& s) {
  std::string out;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    out += (u < 32 || u > 126 || c == ',' || c == '*' || c == '%') ? '_' : c;
  }
  return out;
}

/// A coordinate in millionths of the unit.
std::string coordinate(double metres, ArtworkUnit unit) {
  const long long v = std::llround(metres / unit_metres(unit) * 1e6);
  return std::to_string(v);
}

std::string header(const ArtworkInfo& info, const std::string& function, const std::string& what) {
  char date[64];
  std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", info.made.iyr, info.made.imon,
                info.made.iday, info.made.ihr, info.made.imin, info.made.isec);
  std::string t;
  t += "G04 Quillomate coupler artwork: " + field(what) + "*\n";
  t += "G04 Design " + field(info.design) + ", board " + field(info.board) + "*\n";
  t += "%TF.GenerationSoftware,Quillomate,quillomate,1.3*%\n";
  t += std::string("%TF.CreationDate,") + date + "*%\n";
  t += "%TF.SameCoordinates,Original*%\n";
  t += "%TF.FileFunction," + function + "*%\n";
  t += "%TF.FilePolarity,Positive*%\n";
  t += "%FSLAX46Y46*%\n";
  t += info.unit == ArtworkUnit::mm ? "%MOMM*%\n" : "%MOIN*%\n";
  // One aperture in every file, drawn with in the outline only: readers take
  // a file without any for a drill file.
  t += info.unit == ArtworkUnit::mm ? "%ADD10C,0.100000*%\n" : "%ADD10C,0.004000*%\n";
  t += "%LPD*%\n";
  t += "G01*\n";
  return t;
}

std::string copper(const Outline& o, const ArtworkInfo& info, const std::string& function,
                   const std::string& what) {
  std::string t = header(info, function, what);
  t += "G36*\n";
  for (size_t k = 0; k <= o.size(); ++k) {
    const Point& p = o[k % o.size()];
    t += "X" + coordinate(p.x, info.unit) + "Y" + coordinate(p.y, info.unit) + (k == 0 ? "D02*\n" : "D01*\n");
  }
  t += "G37*\n";
  t += "M02*\n";
  return t;
}

}  // namespace

GerberSet gerber_files(const CouplerLayout& layout, const ArtworkInfo& info) {
  GerberSet g;
  g.upper = copper(layout.upper, info, "Copper,L2,Inr", "upper strip (copper layer 2, inner)");
  g.lower = copper(layout.lower, info, "Copper,L3,Inr", "lower strip (copper layer 3, inner)");
  std::string t = header(info, "Profile,NP", "board outline");
  t += "D10*\n";
  for (size_t k = 0; k <= layout.board.size(); ++k) {
    const Point& p = layout.board[k % layout.board.size()];
    t += "X" + coordinate(p.x, info.unit) + "Y" + coordinate(p.y, info.unit) + (k == 0 ? "D02*\n" : "D01*\n");
  }
  t += "M02*\n";
  g.outline = t;
  return g;
}

}  // namespace quill
