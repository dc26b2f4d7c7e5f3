#include "dimensions/dimension_report.hpp"

#include <cmath>
#include <limits>

#include "analysis/report.hpp"
#include "common/constants.hpp"
#include "common/fixed.hpp"
#include "dimensions/bscsl.hpp"
#include "dimensions/closed_form_strips.hpp"

namespace quill {

namespace {

constexpr float mm_per_inch = 25.4f;

/// Coupling level shown in the design data. A synthesised coupler has its
/// nominal level; a typed or filed one has none, so the tightest section's
/// coupling (the smallest level in dB) stands for it.
float design_coupling(const CouplerDesign& d) {
  if (d.synthesised()) return d.coupler;
  float tightest = std::numeric_limits<float>::infinity();
  for (int i = 1; i <= d.n; ++i) {
    const float c = section_coupling(d.sec(i).zoe * d.z0, d.sec(i).zoo * d.z0);
    if (c < tightest) tightest = c;
  }
  return tightest;
}

/// Passband ripple shown in the design data: only a table row promises one.
float design_ripple(const CouplerDesign& d) {
  return d.synthesised() ? d.ripple : 0.0f;
}

void header(Text& t, const CouplerDesign& d, const DimensionChoice& c) {
  t.sp(13).lit("RF/Microwave Computer-Aided Engineering Design Data For").nl();
  t.sp(13).lit("  Offset Broadside-Coupled Strip Transmission Lines:").nl();
  t.nl();
  t.sp(6).lit("Synthesis of dimensional parameters for your ").i(d.n, 2)
      .lit("-section Stripline").nl();
  t.sp(6).lit("Directional Coupler with offset broadside-coupled strip transmission").nl();
  t.sp(6).lit("lines (zero strip thickness) results in the following design data:").nl();
  t.nl();
  t.sp(8).lit("Flow = ").f(d.flow, 8, 2).lit(" MHz     B = ").f(c.gps, 6, 4)
      .lit(" Inches  Coupling =").f(design_coupling(d), 7, 3).lit(" dB").nl();
  t.sp(8).lit("Fo   = ").f(d.f0, 8, 2).lit(" MHz     S = ").f(c.s, 6, 4)
      .lit(" Inches    Ripple =").f(design_ripple(d), 7, 3).lit(" dB").nl();
  t.sp(8).lit("Fhigh= ").f(d.fhigh, 8, 2).lit(" MHz    Er = ").f(d.er, 6, 4)
      .lit("               Zo =").f(d.z0, 7, 3).lit(" Ohms").nl();
}

void strip_heading(Text& t) {
  t.nl();
  t.sp(16).lit(" Strip Dimensions in Inches   | Strip Dimensions: Millimeters").nl();
  t.sp(6).lit("Coupled  Tight Coupling  Loose Coupling | Tight Coupling  Loose Coupling").nl();
  t.sp(6).lit("Section  Strip   Strip   Strip   Strip  | Strip   Strip   Strip   Strip").nl();
  t.sp(6).lit("   I     Width   Offset  Width   Offset | Width   Offset  Width   Offset").nl();
  t.sp(6).lit("-------");
  for (int k = 0; k < 4; ++k) t.lit("  ------");
  t.lit(" |");
  for (int k = 0; k < 4; ++k) t.lit(" ------ ");
  t.nl();
}

/// One section's strips in inches: tight width and offset, loose width and offset.
void strip_row(Text& t, int i, const ClosedFormRow& r) {
  const float inch[4] = {r.tight_width, r.tight_offset, r.loose_width, r.loose_offset};
  t.sp(8).i(i, 2).sp(4);
  for (float v : inch) t.sp(1).f(v, 6, 4).sp(1);
  t.lit("|");
  for (float v : inch) t.sp(1).f(v * mm_per_inch, 6, 4).sp(1);
  t.nl();
}

}  // namespace

float smax_guidance(float zoemax, float z0, float er, float gps) {
  const float x = zoemax / z0;
  const float cmax = (x * x - 1.0f) / (x * x + 1.0f);
  // K(k)/K(k') of superposed strips with even-mode impedance zoemax.
  const float r = sqrtf((1.0f - cmax) / (1.0f + cmax)) * 60.0f * pi / (sqrtf(er) * z0);
  const float k = akinv(r);
  const float sbmax = sqrtf(er) * z0 * sqrtf((1.0f - cmax) / (1.0f + cmax)) *
                      logf((1.0f + k) / (1.0f - k)) / (60.0f * (pi * pi));
  return gps * sbmax;
}

void print_dimension_report(ReportOut& out, const CouplerDesign& d, const DimensionChoice& c,
                            const TimeStamp& t, const std::string& fn) {
  print_title_block(out, t);
  Text head;
  header(head, d, c);
  out.put(head.str());

  print_design_table(out, d);

  Text strips;
  strip_heading(strips);
  out.put(strips.str());

  const ClosedFormStrips closed = closed_form_strips(d, c);
  for (int i = 1; i <= d.n; ++i) {
    Text line;
    strip_row(line, i, closed.sections[static_cast<size_t>(i - 1)]);
    out.put(line.str());
  }
  const float wzo = closed.zo_width;
  const float fmax = closed.max_frequency;

  Text tail;
  tail.nl();
  tail.sp(8).lit("For Zo = ").f(d.z0, 5, 1).lit(" Ohms, strip width = ").f(wzo, 5, 4)
      .lit(" inches (").f(wzo * mm_per_inch, 8, 4).lit(" mm).").nl();
  tail.sp(8).lit("Maximum usable operating frequency = ").f(fmax, 7, 1)
      .lit(" MHz before possible").nl();
  tail.sp(8).lit("launch of higher-order modes.").nl();
  tail.sp(6).rep('-', 72).nl();
  out.put(tail.str());
  // Named only while the storage file has taken every block before it.
  if (out.storing()) out.put(Text().sp(8).lit("Output Data stored in User filename: ").name(fn).nl());
}

}  // namespace quill
