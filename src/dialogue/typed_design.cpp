#include "dialogue/typed_design.hpp"

#include <cmath>

#include "common/number.hpp"
#include "common/fixed.hpp"
#include "common/quarter_wave.hpp"

namespace quill {

namespace {

constexpr std::string_view kSections = "        - Number of Coupled Sections in Coupler, N= ";
constexpr std::string_view kZo = "        - Impedance level of the Coupler: Zo,Ohms = ";
constexpr std::string_view kEr = "        - Relative Dielectric Constant in Coupler = ";

std::string zoe_prompt(int i) {
  return Text().sp(8).lit("- Even Mode: Zoe of Section ").i(i, 2).lit(",  Ohms = ");
}
std::string zoo_prompt(int i) {
  return Text().sp(8).lit("- Enter your Zoo in Section ").i(i, 2).lit(",  Ohms = ");
}
std::string f0_prompt(int i) {
  return Text().sp(8).lit("- Center Frequency for Section").i(i, 2).lit(", MHz = ");
}

}  // namespace

std::optional<CouplerDesign> enter_design(Console& con, const Defaults& defs) {
  CouplerDesign d;
  d.ifunc = 3;
  con.say("\n      Please enter the following Design Data:\n");

  // A design holds at most 50 sections: a larger count keeps the default.
  auto n = con.askval(kSections);
  if (!n) return std::nullopt;
  const int typed = round_choice(*n);
  d.n = typed >= 1 && typed <= max_sections ? typed : defs.ndef;

  auto z0 = con.askreal(kZo, defs.z0def, Accept::positive);
  if (!z0) return std::nullopt;
  d.z0 = *z0;
  auto er = con.askreal(kEr, defs.erdef, Accept::at_least_one);
  if (!er) return std::nullopt;
  d.er = *er;

  d.total = 0;
  d.zoemax = 0;
  for (int i = 1; i <= d.n; ++i) {
    // Sections beyond the defaults file's count repeat its last section.
    const int k = std::min(i, defs.ndef) - 1;
    float zoe = 0;
    for (;;) {
      auto answer = con.askreal(zoe_prompt(i), defs.zoedef[k], Accept::positive);
      if (!answer) return std::nullopt;
      zoe = *answer;
      if (zoe > d.z0) break;
      con.say(Text().nl().sp(5)
                  .lit("ERROR DETECTED: The Even-Mode Impedance: Zoe, must be larger then the").nl()
                  .sp(21).lit("System`s Impedance = ").f(d.z0, 6, 2).lit(" Ohms. Please re-enter Zoe.")
                  .nl());
    }
    if (zoe > d.zoemax) d.zoemax = zoe;

    // The odd-mode impedance that matches the section to Zo, and its coupling.
    const float best = d.z0 * d.z0 / zoe;
    con.say(Text().sp(8).lit("- Best Odd Mode: Zoo for Section ").i(i, 2).lit(" is: ")
                .f(best, 7, 3).lit(" Ohms").nl());
    const float c = -20.0f * std::log10((zoe - best) / (zoe + best));
    con.say(Text().sp(8).lit("- Gives Coupling level in Section").i(i, 2).lit(" of: ").f(c, 7, 3)
                .lit(" dB").nl());
    auto zoo = con.askreal(zoo_prompt(i), best, Accept::positive);
    if (!zoo) return std::nullopt;

    Section& s = d.sec(i);
    s.zoe = zoe / d.z0;
    s.zoo = *zoo * (1.0f / d.z0);

    auto f0 = con.askreal(f0_prompt(i), defs.f0def[k], Accept::positive);
    if (!f0) return std::nullopt;
    d.f0 = *f0;
    set_quarter_wave(s, d.f0, d.er);
    d.total = d.total + s.length;
    con.say("\n\n");
  }
  return d;
}

}  // namespace quill
