#include "dialogue/synthesis_dialogue.hpp"

#include "common/fixed.hpp"
#include "synthesis/table_synthesis.hpp"

namespace quill {

namespace {

constexpr Menu kCouplingMenu{1, 5, 3};
// The ripple menus accept entries beyond those listed: 8 and 9 (symmetrical,
// both 0.6 dB) and 8 (asymmetrical, the table's 0.7 dB row).
constexpr Menu kSymRippleMenu{1, 9, 4};
constexpr Menu kAsymRippleMenu{1, 8, 4};

constexpr std::string_view kCouplingHead =
    "        - Desired Coupling Level across operating frequency range:\n"
    "              1 = 3.01 dB Directional Coupler.\n"
    "              2 = 6.02 dB Directional Coupler.\n";
constexpr std::string_view kSymMiddle =
    "             *3 = 8.34 dB Directional Coupler (Default).\n"
    "              4 = 10.0 dB Directional Coupler.\n";
constexpr std::string_view kAsymMiddle =
    "             *3 = 10.0 dB Directional Coupler (Default).\n"
    "              4 = 15.0 dB Directional Coupler.\n";
constexpr std::string_view kCouplingTail =
    "              5 = 20.0 dB Directional Coupler.\n"
    "          Enter integer value from above list = ";

constexpr std::string_view kRippleQuestion =
    "        - Desired amplitude ripple across operating frequency range:\n"
    "              1 = 0.0 dB Ripple (Maximally-flat).\n"
    "              2 = 0.1 dB Amplitude Ripple.\n"
    "              3 = 0.2 dB Amplitude Ripple.\n"
    "             *4 = 0.3 dB Amplitude Ripple (Default).\n"
    "              5 = 0.4 dB Amplitude Ripple.\n"
    "              6 = 0.5 dB Amplitude Ripple.\n"
    "              7 = 0.6 dB Amplitude Ripple.\n"
    "          Enter integer value from above list = ";

}  // namespace

SynthesisResult synthesize(Console& con, int ifunc, const Defaults& defs, DesignTables& block1) {
  const bool sym = ifunc == 1;
  const TableKind kind = sym ? TableKind::symmetrical : TableKind::asymmetrical;
  SynthesisResult result;
  CouplerDesign& d = result.design;

  con.say("\n      Please enter the following Design Data:\n");
  auto flow = con.askreal("        - Lowest  Operating Frequency, MHz = ", 4000.0f, Accept::positive);
  if (!flow) return result;
  auto fhigh = con.askreal("        - Highest Operating Frequency, MHz = ", 8000.0f, Accept::positive);
  if (!fhigh) return result;
  set_band(d, kind, *flow, *fhigh);
  con.say(band_line(d));

  Text coupling;
  coupling.lit(kCouplingHead).lit(sym ? kSymMiddle : kAsymMiddle).lit(kCouplingTail);
  auto icoup = con.askopt(coupling, kCouplingMenu);
  if (!icoup) return result;
  auto m = con.askopt(kRippleQuestion, sym ? kSymRippleMenu : kAsymRippleMenu);
  if (!m) return result;

  const SectionSearch found = choose_table_row(d, block1, *icoup, *m);
  if (!found.found) {
    con.say(too_wide_message(found.n));
    result.status = SynthesisResult::too_wide;
    return result;
  }
  con.say(sections_line(d));

  auto z0 = con.askreal("        - Impedance level of the Coupler: Zo,Ohms = ", defs.z0def, Accept::positive);
  if (!z0) return result;
  auto er = con.askreal("        - Relative Dielectric Constant in Coupler = ", defs.erdef, Accept::at_least_one);
  if (!er) return result;
  lay_out_table_design(d, block1, *z0, *er);
  result.status = SynthesisResult::designed;
  return result;
}

}  // namespace quill
