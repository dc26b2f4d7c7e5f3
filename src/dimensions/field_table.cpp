#include "dimensions/field_table.hpp"

#include <charconv>
#include <cmath>
#include <string_view>

#include "common/fixed.hpp"

namespace quill {

namespace {

constexpr double mm_per_inch = 25.4;

/// Printed values go through the report's single-precision layout.
float f32(double v) { return static_cast<float>(v); }

void heading(Text& t, const CouplerDesign& d, const DimensionChoice& c) {
  t.nl();
  t.sp(6).rep('-', 72).nl();
  t.sp(6).lit("Field-Solved Strip Dimensions: 2-D moment solution, zero strip thickness").nl();
  t.sp(8).lit("B = ").f(c.gps, 6, 4).lit(" Inches   S = ").f(c.s, 6, 4).lit(" Inches   Er = ")
      .f(d.er, 6, 4).lit("   Zo =").f(d.z0, 8, 3).lit(" Ohms").nl();
  t.nl();
  t.sp(6).lit("Coupled  Strip Dimensions in Inches   |      Strip Dimensions in mm    Residual").nl();
  t.sp(6).lit("Section    Width    Offset  Overlap   |     Width   Offset  Overlap          %").nl();
  t.sp(6).lit("   I                         W - W0   |                      W - W0").nl();
  t.sp(6).lit("------- --------  -------- --------   |  -------- -------- --------   --------").nl();
}

void dimension_row(Text& t, const SectionStrips& r) {
  t.sp(8).i(r.section, 2).sp(3);
  if (!r.found) {
    if (std::isfinite(r.largest_s_in)) {
      t.lit("no strips at this S; largest S =").f(f32(r.largest_s_in), 7, 4).lit(" Inches (")
          .f(f32(r.largest_s_in * mm_per_inch), 6, 4).lit(" mm)").nl();
    } else {
      t.lit(r.note).nl();
    }
    return;
  }
  const double overlap = r.width_in - r.offset_in;
  t.f(f32(r.width_in), 9, 4).sp(1).f(f32(r.offset_in), 9, 4).f(f32(overlap), 9, 4).lit("   |");
  t.sp(1).f(f32(r.width_in * mm_per_inch), 9, 4).f(f32(r.offset_in * mm_per_inch), 9, 4)
      .f(f32(overlap * mm_per_inch), 9, 4).sp(3).f(f32(100.0 * r.residual), 8, 4).nl();
}

void check_heading(Text& t) {
  t.nl();
  t.sp(6).lit("Closed-form strips as the field solver finds them: Ohms, and error in %").nl();
  t.sp(6).lit("Coupled  Wanted Ohms |        Tight Coupling         |        Loose Coupling").nl();
  t.sp(6).lit("Section   Zoe    Zoo |    Zoe   Error    Zoo   Error |    Zoe   Error    Zoo   Error").nl();
  t.sp(6).lit("------- ----- ------ | ------ ------- ------ ------- | ------ ------- ------ -------").nl();
}

/// One closed form's four numbers; the first half of the row ends in a bar.
void check_half(Text& t, const ClosedFormCheck& c, bool first) {
  if (!std::isfinite(c.zoe) || !std::isfinite(c.zoo)) {
    t.lit("   no closed-form solution");
    if (first) t.lit("    |");
    return;
  }
  t.f(f32(c.zoe), 7, 2).f(f32(c.zoe_error_pct), 8, 2).f(f32(c.zoo), 7, 2)
      .f(f32(c.zoo_error_pct), 8, 2);
  if (first) t.lit(" |");
}

void check_row(Text& t, const SectionStrips& r) {
  t.sp(8).i(r.section, 2).sp(2).f(f32(r.zoe), 7, 2).f(f32(r.zoo), 7, 2).lit(" |");
  check_half(t, r.tight, true);
  check_half(t, r.loose, false);
  if (r.superposed_asked) t.lit("  s");
  t.nl();
}

void plain_lines(Text& t, const PlainStrip& p) {
  t.nl();
  if (p.found) {
    t.sp(8).lit("For Zo = ").f(f32(p.zo), 5, 1).lit(" Ohms, field-solved strip width = ")
        .f(f32(p.width_in), 6, 4).lit(" Inches (").f(f32(p.width_in * mm_per_inch), 8, 4)
        .lit(" mm);").nl();
  } else {
    t.sp(8).lit("For Zo = ").f(f32(p.zo), 5, 1).lit(" Ohms: ").lit(p.note).nl();
  }
  if (std::isfinite(p.closed_form_z)) {
    t.sp(8).lit("the closed-form width ").f(f32(p.closed_form_width_in), 6, 4).lit(" Inches has ")
        .f(f32(p.closed_form_z), 7, 3).lit(" Ohms (").f(f32(p.closed_form_error_pct), 6, 3)
        .lit(" %).").nl();
  }
}

/// Shortest text that reads back as the same double; empty for no value.
std::string number(double v) {
  if (!std::isfinite(v)) return {};
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
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

const char* outcome_name(StripOutcome o) {
  switch (o) {
    case StripOutcome::offset: return "offset";
    case StripOutcome::superposed: return "superposed";
    case StripOutcome::none: return "none";
  }
  return "none";
}

}  // namespace

DesignStrips refine_design(const CouplerDesign& d, const DimensionChoice& c) {
  return refine_design(d, c.gps, c.s, c.icenter);
}

std::string field_table_text(const CouplerDesign& d, const DimensionChoice& c,
                             const DesignStrips& strips) {
  Text t;
  heading(t, d, c);
  for (const SectionStrips& r : strips.sections) dimension_row(t, r);
  check_heading(t);
  bool superposed = false;
  for (const SectionStrips& r : strips.sections) {
    check_row(t, r);
    superposed = superposed || r.superposed_asked;
  }
  if (superposed) {
    t.sp(6).lit("s: superposed strips asked for; tight coupling is the total-overlap solution").nl();
  }
  plain_lines(t, strips.plain);
  bool first = true;
  for (const SectionStrips& r : strips.sections) {
    if (r.found && !r.superposed_asked) continue;
    if (first) t.nl();
    first = false;
    t.sp(8).lit("Section ").i(r.section, 2).lit(": ").lit(r.note).nl();
  }
  t.sp(6).rep('-', 72).nl();
  return t.str();
}

std::string field_table_text(const CouplerDesign& d, const DimensionChoice& c) {
  return field_table_text(d, c, refine_design(d, c));
}

std::string field_table_csv(const DesignStrips& strips) {
  std::string out =
      "section,zoe_ohm,zoo_ohm,width_in,offset_in,width_mm,offset_mm,overlap_in,"
      "zoe_field_ohm,zoo_field_ohm,residual,outcome,largest_s_in,"
      "tight_width_in,tight_offset_in,tight_zoe_ohm,tight_zoo_ohm,tight_zoe_error_pct,"
      "tight_zoo_error_pct,loose_width_in,loose_offset_in,loose_zoe_ohm,loose_zoo_ohm,"
      "loose_zoe_error_pct,loose_zoo_error_pct,superposed_width_in,superposed_zoo_ohm,"
      "superposed_coupling_db,iterations,evaluations,note\n";
  for (const SectionStrips& r : strips.sections) {
    const bool has = r.found;
    auto when = [has](double v) { return has ? number(v) : std::string(); };
    std::string line = std::to_string(r.section);
    for (const std::string& field :
         {number(r.zoe), number(r.zoo), when(r.width_in), when(r.offset_in),
          when(r.width_in * mm_per_inch), when(r.offset_in * mm_per_inch),
          when(r.width_in - r.offset_in), when(r.zoe_field), when(r.zoo_field), when(r.residual),
          std::string(outcome_name(r.outcome)), number(r.largest_s_in), number(r.tight.width_in),
          number(r.tight.offset_in), number(r.tight.zoe), number(r.tight.zoo),
          number(r.tight.zoe_error_pct), number(r.tight.zoo_error_pct), number(r.loose.width_in),
          number(r.loose.offset_in), number(r.loose.zoe), number(r.loose.zoo),
          number(r.loose.zoe_error_pct), number(r.loose.zoo_error_pct),
          number(r.superposed_width_in), number(r.superposed_zoo),
          number(r.superposed_coupling_db), std::to_string(r.iterations),
          std::to_string(r.evaluations), quoted(r.note)}) {
      line += ',';
      line += field;
    }
    out += line;
    out += '\n';
  }
  return out;
}

std::string field_table_csv(const CouplerDesign& d, const DimensionChoice& c) {
  return field_table_csv(refine_design(d, c));
}

}  // namespace quill
