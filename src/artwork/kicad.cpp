#include "artwork/kicad.hpp"

#include <charconv>
#include <cmath>

namespace quill {

namespace {

/// Millimetres in KiCad's layout: to 1 nm, KiCad's own resolution, no
/// exponent, no trailing zeros.
std::string mm(double metres) {
  const double v = std::round(metres * 1e9) / 1e6;
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v == 0.0 ? 0.0 : v, std::chars_format::fixed);
  return std::string(buf, res.ptr);
}

std::string point(const Point& p) { return "(xy " + mm(p.x) + " " + mm(-p.y) + ")"; }

/// A quoted s-expression string.
std::string quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') q += '\\';
    q += (static_cast<unsigned char>(c) < 32) ? ' ' : c;
  }
  return q + "\"";
}

std::string polygon(const Outline& o, const char* layer) {
  std::string t = "  (fp_poly (pts";
  for (size_t k = 0; k < o.size(); ++k) t += (k % 4 == 0 ? "\n      " : " ") + point(o[k]);
  t += ")\n    (layer \"" + std::string(layer) + "\") (width 0) (fill solid))\n";
  return t;
}

}  // namespace

std::string kicad_footprint(const CouplerLayout& layout, const ArtworkInfo& info, const std::string& name) {
  double ylo = 0.0, yhi = 0.0;
  for (const Point& p : layout.board) {
    ylo = std::min(ylo, p.y);
    yhi = std::max(yhi, p.y);
  }
  const double xmid = layout.coupler_length / 2.0;
  std::string t = "(footprint " + quoted(name) + " (version 20211014) (generator quillomate)\n";
  t += "  (layer \"F.Cu\")\n";
  t += "  (descr " + quoted("Broadside-coupled directional coupler: design " + info.design + ", board " + info.board +
                            "; ports 1 and 4 on In1.Cu, 2 and 3 on In2.Cu") + ")\n";
  t += "  (tags \"coupler stripline broadside\")\n";
  t += "  (attr smd)\n";
  t += "  (fp_text reference \"REF**\" (at " + mm(xmid) + " " + mm(-yhi) + ") (layer \"F.SilkS\")\n";
  t += "    (effects (font (size 1 1) (thickness 0.15))))\n";
  t += "  (fp_text value " + quoted(name) + " (at " + mm(xmid) + " " + mm(-ylo) + ") (layer \"F.Fab\")\n";
  t += "    (effects (font (size 1 1) (thickness 0.15))))\n";
  // The board's edge drawn for the courtyard: nothing else may sit over the coupler's field.
  t += "  (fp_poly (pts";
  for (const Point& p : layout.board) t += " " + point(p);
  t += ")\n    (layer \"F.CrtYd\") (width 0.05) (fill none))\n";
  t += polygon(layout.upper, "In1.Cu");
  t += polygon(layout.lower, "In2.Cu");
  for (const PortEnd& p : layout.ports) {
    // A square pad the feed's width at the end, reaching back along the feed.
    const Point at{p.at.x - p.facing * p.width / 2.0, p.at.y};
    t += "  (pad \"" + std::to_string(p.number) + "\" smd rect (at " + mm(at.x) + " " + mm(-at.y) + ") (size " +
         mm(p.width) + " " + mm(p.width) + ") (layers \"" + (p.upper ? "In1.Cu" : "In2.Cu") + "\"))\n";
  }
  t += ")\n";
  return t;
}

}  // namespace quill
