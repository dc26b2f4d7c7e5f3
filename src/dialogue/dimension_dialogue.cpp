#include "dialogue/dimension_dialogue.hpp"

#include "common/fixed.hpp"
#include "common/report_out.hpp"
#include "dimensions/dimension_report.hpp"

namespace quill {

namespace {

constexpr Menu kCentreMenu{1, 1, 2};     // only 1 asks for total overlap
constexpr Menu kDimensionMenu{1, 2, 3};  // 3 and every answer outside 1..2 end the program

constexpr std::string_view kCentreQuestion =
    "        - Select overlap design in central section of Symmetrical Coupler :\n"
    "             1 = Top & bottom strips have total overlap and no offset.\n"
    "            *2 = Top & bottom strips overlap and are offset.\n"
    "            Select desired overlap design from above list = ";

constexpr std::string_view kDimensionQuestion =
    "\n      Coupler calculations completed. Select next OPERATION:\n"
    "               1. Change dimensional parameters & re-synthesize.\n"
    "               2. Design a new Multi-Section Directional Coupler.\n"
    "              *3. EXIT to operating system (Default).\n"
    "      OPERATION selected = ";

}  // namespace

Flow run_dimensions(Console& con, const DimensionContext& ctx) {
  const CouplerDesign& d = ctx.design;
  for (;;) {
    DimensionChoice c{};
    con.say("\n      Please enter the following physical dimensions for your Coupler:\n");
    auto gps = con.askreal("        - Coupler`s Ground Plane Spacing: B, Inches      = ", ctx.gps_default,
                           Accept::positive);
    if (!gps) return Flow::stop;
    c.gps = *gps;

    const float smax = smax_guidance(d.zoemax, d.z0, d.er, c.gps);
    con.say(Text().sp(8).lit("- Guidance: Maximum spacing between strips, Smax = ").f(smax, 6, 4)
                .lit(" inches.").nl());
    // S is only taken when it fits between the ground planes; the default is
    // offered as it stands.
    auto s = con.askreal("        - Spacing between top and bottom strips: S,Inches= ", ctx.s_default,
                         Accept::below_bound, c.gps);
    if (!s) return Flow::stop;
    c.s = *s;

    // An asymmetrical synthesis has no centre section to overlap.
    c.icenter = 2;
    if (d.ifunc != 2) {
      auto centre = con.askopt(kCentreQuestion, kCentreMenu);
      if (!centre) return Flow::stop;
      c.icenter = *centre;
    }

    ReportOut out(con.out(), ctx.settings.istore == 1 ? &ctx.storage.stream() : nullptr);
    print_dimension_report(out, d, c, ctx.stamp, ctx.settings.fn);
    if (!judge_report(out, con, ctx.storage, ctx.settings)) return Flow::stop;

    auto next = con.askopt(kDimensionQuestion, kDimensionMenu);
    if (!next) return Flow::stop;
    if (*next == 2) return Flow::go;
    if (*next != 1) return Flow::end;
  }
}

}  // namespace quill
