#include "layout/layout_summary.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "common/fixed.hpp"

namespace quill {

namespace {

/// A coupling in its six columns and "dB", or in words where it is too weak
/// to be worth a number.
Text& coupling(Text& t, double db) {
  if (db < faintest_coupling_db) return t.lit(coupling_words(db).c_str());
  return t.f(static_cast<float>(db), 6, 1).lit(" dB");
}

}  // namespace

std::string coupling_words(double db) {
  char buf[32];
  if (db < faintest_coupling_db)
    std::snprintf(buf, sizeof buf, "below %.0f dB", faintest_coupling_db);
  else
    std::snprintf(buf, sizeof buf, "%.1f dB", db);
  return buf;
}

std::string layout_summary_text(const CouplerLayout& l, bool inches) {
  const double per = inches ? 0.0254 : 1e-3;
  const int d = inches ? 5 : 4;
  auto v = [per](double metres) { return static_cast<float>(metres / per); };
  const char* unit = inches ? "Inches" : "mm";
  Text t;
  t.nl();
  t.sp(6).rep('-', 72).nl();
  t.sp(6).lit("Coupler Layout: x along the coupler from section 1, y across from its").nl();
  t.sp(6).lit("centre line, seen from above the upper strip; lengths in ").lit(unit).nl();
  t.nl();
  t.sp(6).lit("Coupled   Along the Coupler  |    Upper Strip, y     |    Lower Strip, y").nl();
  t.sp(6).lit("Section     From       To    |     From       To     |     From       To").nl();
  t.sp(6).lit("------- --------- ---------  | --------- ---------   | --------- ---------").nl();
  for (const SectionCopper& s : l.sections) {
    t.sp(8).i(s.section, 2).sp(1).f(v(s.x0), 9, d).sp(1).f(v(s.x1), 9, d).lit("  |")
        .sp(1).f(v(s.upper_y0), 9, d).sp(1).f(v(s.upper_y1), 9, d).lit("   |")
        .sp(1).f(v(s.lower_y0), 9, d).sp(1).f(v(s.lower_y1), 9, d).nl();
  }
  // Only where something joins the sections but a square step: a plain
  // layout reads as it always has.
  bool shaped = false;
  for (const Junction& j : l.junctions) shaped = shaped || j.shape != JunctionShape::step;
  if (shaped) {
    t.nl();
    t.sp(6).lit("Junction  Shape  Along the Coupler  | Upper Strip Centre, y |  Length of").nl();
    t.sp(6).lit("                   From       To    |     From       To     |  Its Line").nl();
    t.sp(6).lit("-------- ----- --------- ---------  | --------- ---------   | ---------").nl();
    for (const Junction& j : l.junctions) {
      if (j.shape == JunctionShape::step) continue;
      t.sp(8).name(std::to_string(j.left) + "-" + std::to_string(j.right), 7)
          .lit(j.shape == JunctionShape::jog ? "jog  " : "taper").sp(1)
          .f(v(j.x0), 9, d).sp(1).f(v(j.x1), 9, d).lit("  |").sp(1).f(v(j.centre0), 9, d).sp(1)
          .f(v(j.centre1), 9, d).lit("   |").sp(1).f(v(j.path), 9, d).nl();
    }
  }
  t.nl();
  t.sp(6).lit("Port  Strip   End at x     y      Feed Width  Leaves").nl();
  t.sp(6).lit("----  -----  --------- ---------  ----------  ------").nl();
  for (const PortEnd& p : l.ports) {
    t.sp(7).i(p.number, 2).sp(3).lit(p.upper ? "upper" : "lower").sp(2).f(v(p.at.x), 9, d).sp(1)
        .f(v(p.at.y), 9, d).sp(2).f(v(p.width), 10, d).sp(2).lit(p.facing < 0 ? "left" : "right").nl();
  }
  const Breakouts& b = l.breakouts;
  t.nl();
  t.sp(8).lit("Feeds for Zo: ").f(v(b.feed_width_upper), 8, d).lit(" (upper), ").f(v(b.feed_width_lower), 8, d)
      .lit(" (lower) ").lit(unit).lit(" wide.").nl();
  t.sp(8).lit("Ports ").f(v(b.port_spacing), 8, d).lit(" ").lit(unit).lit(" apart across (")
      .lit(b.spacing_given ? "as given" : "the feeds' coupling below -40 dB").lit("): they couple ");
  coupling(t, b.feed_coupling_db).lit(".").nl();
  t.sp(8).lit("Breakouts ").f(v(b.length), 8, d).lit(" ").lit(unit).lit(" long (")
      .lit(b.length_given ? "as given"
           : b.bend_radius > 0.0 ? "a lead, two rounded bends, a run out"
                              : "a lead, two 45 degree bends, a run out").lit("), each adding").nl();
  coupling(t.sp(8), b.breakout_coupling_db).lit(" of coupling of its own at the centre frequency");
  if (b.breakout_coupling_max_db != b.breakout_coupling_db)
    coupling(t.lit(",").nl().sp(8), b.breakout_coupling_max_db).lit(" at most over the band");
  t.lit(".").nl();
  t.sp(8).lit("Coupler ").f(v(l.coupler_length), 9, d).lit(" ").lit(unit).lit(" long; board ")
      .f(v(l.board[1].x - l.board[0].x), 9, d).lit(" by ").f(v(l.board[2].y - l.board[1].y), 8, d).lit(" ")
      .lit(unit).lit(".").nl();
  for (const std::string& note : l.notes) t.sp(8).lit(note).nl();
  t.sp(6).rep('-', 72).nl();
  return t.str();
}

}  // namespace quill
