#include "dimensions/stack_strips.hpp"

#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "common/constants.hpp"
#include "common/quarter_wave.hpp"
#include "dimensions/stack_modes.hpp"

namespace quill {

namespace {

constexpr double nan_d = std::numeric_limits<double>::quiet_NaN();

/// The pair's impedances in `stack`, with widths in units of `unit_m`.
PairModel stack_model(const Stackup& stack, double unit_m) {
  return [stack, unit_m](double w, double w0) {
    const PairModes p = stack_pair_modes(stack, w * unit_m, w0 * unit_m);
    if (!p.ok) return ModeImpedances{nan_d, nan_d};
    return ModeImpedances{p.even.z, p.odd.z};
  };
}

/// The centre frequency a section of the ideal design is a quarter wave at,
/// in the design's dielectric. A section laid out at the design's own
/// frequency gets exactly that.
double section_f0(const CouplerDesign& d, const Section& s) {
  const double f0 = speed / (4.0 * s.length * std::sqrt(static_cast<double>(d.er)));
  return std::fabs(f0 / d.f0 - 1.0) < 1e-5 ? static_cast<double>(d.f0) : f0;
}

constexpr double db_per_inch(double np_per_m) { return np_per_m * db_per_inch_per_neper_per_metre; }

}  // namespace

int StackDesign::first_declined() const {
  for (const StackSection& s : sections)
    if (!s.built()) return s.strips.section;
  return 0;
}

StripBoard stack_board(const Stackup& stack) {
  StripBoard board;
  const double b = stack.b_m();
  board.modes = stack_model(stack, b);
  board.with_spacing = [stack, b](double sb) {
    Stackup other = stack;
    other.layers[static_cast<size_t>(stack.strips_layer)].thickness_m = sb * b;
    return stack_model(other, b);
  };
  // The closed forms start the search; the thickness-weighted permittivity is near enough.
  double er = 0.0;
  for (const StackLayer& l : stack.layers) er += l.er * l.thickness_m;
  board.er = er / b;
  board.s = stack.s_m() / metres_per_inch;
  board.b = b / metres_per_inch;
  board.check_closed_forms = false;
  return board;
}

StackDesign refine_stack_design(const CouplerDesign& d, const Stackup& stack, int icenter) {
  StackDesign out;
  const std::vector<SectionStrips> strips = refine_sections(d, stack_board(stack), icenter);
  for (int i = 1; i <= d.n; ++i) {
    StackSection sec;
    sec.strips = strips[static_cast<size_t>(i - 1)];
    sec.note = sec.strips.note;
    sec.f0_mhz = section_f0(d, d.sec(i));
    sec.eeff_even = sec.eeff_odd = sec.velocity_ratio = sec.length_in = nan_d;
    sec.cond_even = sec.cond_odd = sec.diel_even = sec.diel_odd = sec.asymmetry = nan_d;
    if (sec.built()) {
      const double w = sec.strips.width_in * metres_per_inch, w0 = sec.strips.offset_in * metres_per_inch;
      const PairModes p = stack_pair_modes(stack, w, w0, true);
      if (p.ok) {
        const double f = sec.f0_mhz * 1e6;
        sec.eeff_even = p.even.eeff;
        sec.eeff_odd = p.odd.eeff;
        sec.velocity_ratio = std::sqrt(p.odd.eeff / p.even.eeff);
        sec.cond_even = db_per_inch(conductor_loss(p.even, stack, f));
        sec.cond_odd = db_per_inch(conductor_loss(p.odd, stack, f));
        sec.diel_even = db_per_inch(dielectric_loss(p.even, stack, f));
        sec.diel_odd = db_per_inch(dielectric_loss(p.odd, stack, f));
        const double mean_root = (std::sqrt(p.even.eeff) + std::sqrt(p.odd.eeff)) / 2.0;
        sec.length_in = light_speed / (4.0 * f * mean_root) / metres_per_inch;
        sec.asymmetry = p.asymmetry;
        if (std::fabs(p.asymmetry) > 1e-3) {
          char buf[96];
          std::snprintf(buf, sizeof buf, "; the strips' surroundings differ by %.1f %%",
                        100.0 * std::fabs(p.asymmetry));
          sec.note += buf;
        }
      }
    }
    out.sections.push_back(std::move(sec));
  }
  if (!(stack.copper_m > 0.0))
    for (StackSection& s : out.sections)
      if (s.built()) s.note += "; ideal sheets: no conductor loss";
  return out;
}

std::string declined_message(const StackDesign& built, const Stackup& stack) {
  const int i = built.first_declined();
  if (i == 0) return {};
  const StackSection& sec = built.sections[static_cast<size_t>(i - 1)];
  const SectionStrips& r = sec.strips;
  char head[160];
  std::snprintf(head, sizeof head, "section %d (Zoe %.2f ohms, Zoo %.2f ohms) cannot be built in ", i, r.zoe, r.zoo);
  std::string why = sec.note;
  if (std::isfinite(r.largest_s_in)) {
    // The board's own unit beside the inches of the strips.
    char buf[160];
    std::snprintf(buf, sizeof buf, "no strips at this S; they need S <= %.4g mm (%.4g in), the board's S is %.4g mm",
                  r.largest_s_in * metres_per_inch * 1e3, r.largest_s_in, stack.s_m() * 1e3);
    why = buf;
  }
  return head + stack.name + ": " + why;
}

void hold_board_length(CouplerDesign& d, const StackDesign& built) {
  double board_in = 0, vacuum_in = 0;
  for (int i = 1; i <= d.n; ++i) {
    board_in += built.sections[static_cast<size_t>(i - 1)].length_in;
    vacuum_in += 0.25 * static_cast<double>(speed) / d.f0;
  }
  d.er = static_cast<float>(std::round(std::pow(vacuum_in / board_in, 2) * 1e4) / 1e4);
  d.total = 0;
  for (int i = 1; i <= d.n; ++i) {
    set_quarter_wave(d.sec(i), d.f0, d.er);
    d.total = d.total + d.sec(i).length;
  }
}

CouplerDesign as_built(const CouplerDesign& d, const StackDesign& built) {
  CouplerDesign a = d;
  a.total = 0;
  a.zoemax = 0;
  const double f0 = d.f0;
  for (int i = 1; i <= d.n; ++i) {
    const StackSection& sec = built.sections[static_cast<size_t>(i - 1)];
    Section& s = a.sec(i);
    const double zoe = sec.strips.zoe_field, zoo = sec.strips.zoo_field;
    s.zoe = static_cast<float>(zoe / d.z0);
    s.zoo = static_cast<float>(zoo / d.z0);
    if (static_cast<float>(zoe) > a.zoemax) a.zoemax = static_cast<float>(zoe);
    const double length_m = sec.length_in * metres_per_inch;
    s.length = static_cast<float>(sec.length_in);
    // Electrical lengths and attenuations at the design's centre frequency,
    // which the analysis scales from.
    const double k = 2.0 * std::numbers::pi * f0 * 1e6 * length_m / light_speed;
    s.thetae = static_cast<float>(k * std::sqrt(sec.eeff_even));
    s.thetao = static_cast<float>(k * std::sqrt(sec.eeff_odd));
    const double root = std::sqrt(f0 / sec.f0_mhz), ratio = f0 / sec.f0_mhz;
    const double per_inch = sec.length_in / 8.685889638065035;  // dB per inch to nepers over the section
    s.sigmae = static_cast<float>(sec.cond_even * root * per_inch);
    s.sigmao = static_cast<float>(sec.cond_odd * root * per_inch);
    s.sigmade = static_cast<float>(sec.diel_even * ratio * per_inch);
    s.sigmado = static_cast<float>(sec.diel_odd * ratio * per_inch);
    s.veloe = static_cast<float>(1.0 / std::sqrt(sec.eeff_even));
    s.veloo = static_cast<float>(1.0 / std::sqrt(sec.eeff_odd));
    s.oeloss = static_cast<float>(sec.cond_even + sec.diel_even);
    s.ooloss = static_cast<float>(sec.cond_odd + sec.diel_odd);
    a.total = a.total + s.length;
  }
  return a;
}

}  // namespace quill
