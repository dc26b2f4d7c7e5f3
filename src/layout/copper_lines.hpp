#pragma once
/// The copper between the port planes as the circuit sees it: every piece of
/// the drawing a short uniform coupled line, each mode with the impedance
/// and speed the board's field gives its cross-section there. The design's
/// own model joins ideal sections at sharp planes and stops at the
/// coupler's ends; the copper has more: the feeds leave the coupler still
/// coupled and part over the breakouts, each its own width beside the
/// other, and a taper or a jog between sections is line of neither
/// section. Where the two modes' impedances there do not multiply to Zo
/// squared, the modes reflect unlike and the isolated port hears it: this
/// is the part of the directivity that a cross-section can tell.
///
/// Quasi-static: each piece is a cross-section of the copper square to the
/// coupler (the feeds' own width where they bend). Where a mode's
/// impedance steps (at each end, where the strips meet the feeds, and at
/// each junction) the field is not that of either cross-section for about
/// a ground-plane spacing: the modes' currents and charges crowd and
/// spread, and each mode is delayed there by its own small time, which a
/// cross-section cannot tell and which is what parts the two modes'
/// phases in a homogeneous board. Each step adds to each mode a short
/// length of line of the mean impedance of its two sides,
///   tau = kappa * |ln(Z_a / Z_b)| * B sqrt(eps_eff) / c,
/// Z_a and Z_b the mode's impedances either side of a junction; at an end
/// the section's and Zo, for the parting takes the mode all the way to the
/// feeds apart. The odd mode's kappa exceeds the even's by about 0.22 on
/// every design fitted; the common part is a delay of both modes, which no
/// magnitude of the matrix sees. One kappa per mode and kind of step (the
/// ends, where the strips part for the feeds, and the junctions) for every
/// design in a board: the board file's own, measured full-wave, or else the
/// calibrated ones (README). Pieces of feed and taper take the loss per
/// metre of the section they join.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/discontinuities.hpp"
#include "dimensions/stack_modes.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

/// The steps' delays of a board whose file gives none: measured on
/// ptfe-homogeneous, and within 3 dB of full-wave directivity on the other
/// boards but thin-tight-core (README).
inline constexpr StepKappas calibrated_kappas = {0.077, 0.305, 0.077, 0.305};
/// The largest odd excess measured: on thin-tight-core, whose thin core
/// between prepregs parts the modes' phases at a step twice as much per B
/// as on the other example boards (README). A coupler's figures with these
/// beside the calibrated ones bound what its steps may do.
inline constexpr StepKappas largest_measured_kappas = {-0.103, 0.370, -0.103, 0.370};

/// Cross-sections the copper's lines have solved, for whoever builds one
/// layout's lines again (its stubs, then its trims): the breakouts and the
/// junctions stay as they were when only the sections' lengths or the
/// stubs change, and each of their cross-sections is a field solution.
struct SolvedSections {
  std::map<std::array<double, 3>, PairModes> feeds;   ///< upper and lower widths, spacing
  std::map<std::array<double, 2>, PairModes> strips;  ///< a section's width and offset
};

/// Which of the copper's pieces to model: the breakouts (each end from the
/// coupler to its port plane) and the junctions' tapers and jogs. Without
/// either the lines are the design's sections as laid out.
struct CopperPieces {
  bool breakouts = true, junctions = true;
  /// The sections' attenuation: perfect copper has no conductor loss.
  bool conductor_loss = true, dielectric_loss = true;
  /// The steps' delays; none: the board's measured ones, else calibrated.
  std::optional<StepKappas> kappas;
  /// Where to keep and find cross-sections already solved; none: solve each.
  SolvedSections* solved = nullptr;
};

/// The steps' delays a coupler in `stack` is modelled with.
inline StepKappas board_kappas(const Stackup& stack) { return stack.step_kappas.value_or(calibrated_kappas); }

/// Where one step sits in the lines (the index of its T in each mode's
/// pieces), each mode's mean impedance there, and its delay for a kappa
/// of 1.
struct StepPlace {
  bool end = false;  ///< where strips meet feeds, else a junction
  std::array<size_t, 2> at{};
  std::array<double, 2> z_ohm{}, delay_s{};
  double x = 0;          ///< along the coupler
  double stub_f = 0;     ///< a stub's capacitance to ground on each strip there
};

struct CopperLines {
  ModeLines lines;
  std::vector<StepPlace> steps;  ///< at the ends and each junction
  /// Each section's straight line: its index in each mode's pieces.
  std::vector<std::array<size_t, 2>> sections;
  int solves = 0;  ///< cross-sections solved
  bool ok = false;
  std::string error;  ///< why not, one sentence
};

/// Sizes a capacitive stub on each strip's outer edge at every step of
/// `layout` (which has none yet) and puts them in it: a shunt capacitance C
/// on each strip delays the even mode by C Zoe / 2 and the odd by C Zoo / 2,
/// so C = 2 (tau_odd - tau_even) / (Zoe - Zoo) gives back the step's odd
/// excess. From there each step's stub (mirrored steps alike) is sized to
/// the copper model's best least directivity over the band with 25 dB of
/// return loss; none where together they give less than a decibel. Each
/// stub is a strip a third of the feeds' width, as long as its capacitance
/// asks of a strip that wide alone in the board. Empty, or why not.
std::string place_stubs(const CouplerDesign& d, const StackDesign& built, const Stackup& stack, CouplerLayout& layout,
                        SolvedSections* solved = nullptr);

/// The band, MHz, over which the copper's corrections are sized: a
/// synthesised design's own, else half to one and a half times f0.
inline std::pair<double, double> copper_band(const CouplerDesign& d) {
  if (d.synthesised()) return {d.flow, d.fhigh};
  return {d.f0 / 2.0, 1.5 * d.f0};
}

/// Sets every step's T for the modes' kappas.
void delay_steps(CopperLines& c, const StepKappas& k);

/// The lines of `layout`, laid out from design `d` whose sections `built`
/// gives in `stack`.
CopperLines copper_lines(const CouplerDesign& d, const StackDesign& built, const Stackup& stack,
                         const CouplerLayout& layout, const CopperPieces& pieces = {});

}  // namespace quill
