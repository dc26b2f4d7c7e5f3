#include "dimensions/stack_table.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "common/fixed.hpp"
#include "dimensions/single_strip.hpp"

namespace quill {

namespace {

constexpr double mm_per_inch = 25.4;

float f32(double v) { return static_cast<float>(v); }

/// Shortest text that reads back as the same double; empty for no value.
std::string number(double v) {
  if (!std::isfinite(v)) return {};
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

/// A length in the stack file's own spirit: millimetres, 4 decimals at most.
std::string mm(double metres) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g mm", metres * 1e3);
  return buf;
}

std::string quoted(std::string_view s) {
  if (s.find_first_of(",\"\n") == std::string_view::npos) return std::string(s);
  std::string q = "\"";
  for (char ch : s) {
    if (ch == '"') q.push_back('"');
    q.push_back(ch);
  }
  q.push_back('"');
  return q;
}

void geometry_heading(Text& t) {
  t.nl();
  t.sp(6).lit("Coupled    Strip Dimensions in mm   |  Strip Dimensions in Inches |  Field-Solved").nl();
  t.sp(6).lit("Section   Width   Offset   Length  |   Width   Offset   Length  |   Zoe     Zoo").nl();
  t.sp(6).lit("   I                               |                            |   Ohms    Ohms").nl();
  t.sp(6).lit("------- -------- -------- -------- | -------- -------- -------- | ------- -------").nl();
}

void geometry_row(Text& t, const StackSection& s) {
  const SectionStrips& r = s.strips;
  t.sp(8).i(r.section, 2).sp(3);
  if (!r.found) {
    if (std::isfinite(r.largest_s_in)) {
      t.lit("no strips at this S; largest S = ").f(f32(r.largest_s_in * mm_per_inch), 6, 4)
          .lit(" mm (").f(f32(r.largest_s_in), 6, 4).lit(" Inches)").nl();
    } else {
      t.lit(r.note).nl();
    }
    return;
  }
  t.f(f32(r.width_in * mm_per_inch), 9, 4).f(f32(r.offset_in * mm_per_inch), 9, 4)
      .f(f32(s.length_in * mm_per_inch), 9, 3).lit(" |")
      .f(f32(r.width_in), 9, 5).f(f32(r.offset_in), 9, 5).f(f32(s.length_in), 9, 4).lit(" |")
      .f(f32(r.zoe_field), 8, 3).f(f32(r.zoo_field), 8, 3).nl();
}

void mode_heading(Text& t) {
  t.nl();
  t.sp(6).lit("Coupled   Centre    Effective Er  Velocity |   Loss at Centre Frequency, dB/Inch").nl();
  t.sp(6).lit("Section  Frequency  Even     Odd   Ratio   |  Conductor Loss     Dielectric Loss").nl();
  t.sp(6).lit("   I        MHz                    Ve/Vo   |   Even     Odd       Even     Odd").nl();
  t.sp(6).lit("------- ---------- ------- ------- ------- | -------- --------  -------- --------").nl();
}

void mode_row(Text& t, const StackSection& s) {
  if (!s.built()) return;
  t.sp(8).i(s.strips.section, 2).sp(4).f(f32(s.f0_mhz), 10, 3).f(f32(s.eeff_even), 8, 4)
      .f(f32(s.eeff_odd), 8, 4).f(f32(s.velocity_ratio), 8, 5).lit(" |")
      .f(f32(s.cond_even), 9, 5).f(f32(s.cond_odd), 9, 5).sp(1)
      .f(f32(s.diel_even), 9, 5).f(f32(s.diel_odd), 9, 5).nl();
}

void board_lines(Text& t, const CouplerDesign& d, const BoardFigures& b) {
  t.nl();
  if (std::isfinite(b.length_m))
    t.sp(8).lit("Total length of the coupler =").f(f32(b.length_m * 1e3), 9, 3).lit(" mm (")
        .f(f32(b.length_m / metres_per_inch), 7, 4).lit(" Inches).").nl();
  t.sp(8).lit("For Zo = ").f(d.z0, 5, 1).lit(" Ohms, a strip alone is");
  if (b.feed_upper_m == b.feed_lower_m) {
    t.f(f32(b.feed_upper_m * 1e3), 7, 4).lit(" mm (").f(f32(b.feed_upper_m / metres_per_inch), 7, 5)
        .lit(" Inches) wide.").nl();
  } else {
    t.f(f32(b.feed_lower_m * 1e3), 7, 4).lit(" mm wide on the lower face and").nl();
    t.sp(8).f(f32(b.feed_upper_m * 1e3), 7, 4).lit(" mm on the upper (").f(f32(b.feed_lower_m / metres_per_inch), 7, 5)
        .lit(" and").f(f32(b.feed_upper_m / metres_per_inch), 8, 5).lit(" Inches).").nl();
  }
  t.sp(8).lit("Maximum usable operating frequency = ").f(f32(b.max_frequency_mhz), 7, 1).lit(" MHz before possible").nl();
  t.sp(8).lit("launch of higher-order modes (Er").f(f32(b.er_max), 6, 2).lit(", copper").f(f32(b.across_m * 1e3), 7, 3)
      .lit(" mm across).").nl();
}

}  // namespace

BoardFigures board_figures(const CouplerDesign& d, const Stackup& stack, const StackDesign& built) {
  BoardFigures b;
  const FaceWidths feeds = single_strip_widths(stack, d.z0);
  b.feed_upper_m = feeds.upper_m;
  b.feed_lower_m = feeds.lower_m;
  double total_in = 0;
  for (const StackSection& s : built.sections) {
    if (!s.built()) {
      total_in = std::numeric_limits<double>::quiet_NaN();
      continue;
    }
    total_in += s.length_in;
    b.across_m = std::max(b.across_m, (s.strips.width_in + std::fabs(s.strips.offset_in)) * metres_per_inch);
  }
  b.length_m = total_in * metres_per_inch;
  for (double feed : {b.feed_upper_m, b.feed_lower_m})
    if (std::isfinite(feed)) b.across_m = std::max(b.across_m, feed);
  for (const StackLayer& l : stack.layers) b.er_max = std::max(b.er_max, l.er);
  b.max_frequency_mhz = higher_mode_limit_mhz(stack, b.across_m);
  return b;
}

std::string stack_summary(const Stackup& stack) {
  std::string out = stack.name + ": B " + mm(stack.b_m()) + ", S " + mm(stack.s_m()) + ", copper " +
                    mm(stack.copper_m) + "; layers from the lower plane";
  char buf[96];
  for (size_t k = 0; k < stack.layers.size(); ++k) {
    const StackLayer& l = stack.layers[k];
    std::snprintf(buf, sizeof buf, "%s %s Er %.4g tan %.4g%s", k == 0 ? "" : " /",
                  mm(l.thickness_m).c_str(), l.er, l.tan_delta, l.strips ? " (strips)" : "");
    out += buf;
  }
  return out;
}

std::string stack_table_text(const CouplerDesign& d, const Stackup& stack, const StackDesign& built) {
  Text t;
  t.nl();
  t.sp(6).rep('-', 72).nl();
  t.sp(6).lit("Strips in the Board: 2-D field solution with copper and layered dielectrics").nl();
  t.sp(8).lit("Board: ").lit(stack.name).nl();
  t.sp(8).lit("B = ").f(f32(stack.b_m() * 1e3), 6, 4).lit(" mm   S = ").f(f32(stack.s_m() * 1e3), 6, 4)
      .lit(" mm   Copper = ").f(f32(stack.copper_m * 1e3), 6, 4).lit(" mm   Zo =").f(d.z0, 8, 3)
      .lit(" Ohms").nl();
  t.nl();
  t.sp(8).lit("Layer  Thickness     Er    Loss").nl();
  t.sp(8).lit(" from     mm               Tangent").nl();
  t.sp(8).lit(" below").nl();
  for (size_t k = 0; k < stack.layers.size(); ++k) {
    const StackLayer& l = stack.layers[k];
    t.sp(8).i(static_cast<long long>(k + 1), 4).f(f32(l.thickness_m * 1e3), 10, 4).f(f32(l.er), 9, 3)
        .f(f32(l.tan_delta), 9, 5);
    if (l.strips) t.lit("   the strips lie on its faces");
    t.nl();
  }
  geometry_heading(t);
  for (const StackSection& s : built.sections) geometry_row(t, s);
  mode_heading(t);
  for (const StackSection& s : built.sections) mode_row(t, s);
  board_lines(t, d, board_figures(d, stack, built));
  bool first = true;
  for (const StackSection& s : built.sections) {
    const bool plain = s.built() && (s.note == "offset strips" || s.note == "offset strips, no overlap" ||
                                     s.note == "superposed strips");
    if (plain) continue;
    if (first) t.nl();
    first = false;
    t.sp(8).lit("Section ").i(s.strips.section, 2).lit(": ").lit(s.note).nl();
  }
  t.sp(6).rep('-', 72).nl();
  return t.str();
}

std::string stack_table_csv(const StackDesign& built) {
  std::string out =
      "section,zoe_ohm,zoo_ohm,width_mm,offset_mm,width_in,offset_in,zoe_field_ohm,zoo_field_ohm,"
      "eeff_even,eeff_odd,velocity_ratio,cond_loss_even_db_per_in,cond_loss_odd_db_per_in,"
      "diel_loss_even_db_per_in,diel_loss_odd_db_per_in,length_mm,length_in,centre_mhz,"
      "largest_s_mm,largest_s_in,note\n";
  for (const StackSection& s : built.sections) {
    const SectionStrips& r = s.strips;
    const bool has = s.built();
    auto when = [has](double v) { return has ? number(v) : std::string(); };
    std::string line = std::to_string(r.section);
    for (const std::string& field :
         {number(r.zoe), number(r.zoo), when(r.width_in * mm_per_inch),
          when(r.offset_in * mm_per_inch), when(r.width_in), when(r.offset_in), when(r.zoe_field),
          when(r.zoo_field), when(s.eeff_even), when(s.eeff_odd), when(s.velocity_ratio),
          when(s.cond_even), when(s.cond_odd), when(s.diel_even), when(s.diel_odd),
          when(s.length_in * mm_per_inch), when(s.length_in), number(s.f0_mhz),
          number(r.largest_s_in * mm_per_inch), number(r.largest_s_in), quoted(s.note)}) {
      line += ',';
      line += field;
    }
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace quill
