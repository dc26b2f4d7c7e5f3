#pragma once
/// The coupled strips of a board and what the field gives each mode: its
/// impedance, its effective permittivity, and the losses it suffers.
///
/// The lower strip lies on the lower face of the strips layer, its copper
/// reaching down into the layer below, centred W0/2 to the left of the
/// coupler's centre line; the upper strip lies on the upper face, its copper
/// reaching up, W0/2 to the right. Both have width W. Lengths in metres.
///
/// A mode is a pattern of strip potentials: even (1, 1), odd (1, -1). Its
/// capacitance per strip is v^T C v / |v|^2 from the Maxwell matrix, with the
/// dielectrics (C) and in vacuum (C0); then
///   Z = 1 / (c sqrt(C C0)),  eps_eff = C / C0.
/// Where the stack is not symmetric top to bottom the two strips differ a
/// little, and these are the modes of the symmetrical pair they average to.
///
/// Losses per mode, per metre, at frequency f:
///   conductor  alpha_c = R / (2 Z), R = (Rs / mu0) dL/dn, L = mu0 / C0,
///              Rs = sqrt(pi f mu0 / sigma): the incremental-inductance rule,
///              every wall (strips and planes) receding by dn;
///   dielectric alpha_d = (pi f / c) sqrt(eps_eff) sum_i F_i tan_delta_i,
///              F_i = (eps_i / C) dC/deps_i the share of the electric energy
///              in layer i (the shares add up to 1).
/// So conductor loss grows as sqrt(f) and dielectric loss as f.

#include <array>
#include <vector>

#include "common/stackup.hpp"
#include "dimensions/layered_section.hpp"

namespace quill {

/// Speed of light and permeability of vacuum: the physical paths' constants.
inline constexpr double light_speed = 299792458.0;               ///< m/s
inline constexpr double vacuum_permeability = 4e-7 * 3.14159265358979323846;  ///< H/m
/// Nepers to decibels, and metres to inches: dB per inch = Np/m * this.
inline constexpr double db_per_inch_per_neper_per_metre = 8.685889638065035 * metres_per_inch;

/// One mode's figures for a geometry.
struct ModeFigures {
  double c = 0;     ///< capacitance per strip over eps0, with the dielectrics
  double c0 = 0;    ///< the same in vacuum
  double z = 0;     ///< ohms
  double eeff = 0;  ///< effective permittivity C / C0
  /// With losses asked for: each layer's share of the electric energy, and
  /// dC0/dn per metre of wall recession (NaN for ideal sheets, which have no
  /// walls to recede).
  std::vector<double> filling;
  double dc0_dn = 0;
};

/// Even and odd mode of one geometry.
struct PairModes {
  bool ok = false;
  ModeFigures even, odd;
  /// (C11 - C22) / (C11 + C22): how unlike the two strips' surroundings are.
  double asymmetry = 0;
};

/// Even and odd modes of strips of width `w_m` offset `w0_m` in `stack`;
/// with `losses`, also the filling factors and the wall derivative (about
/// a layer count of solutions more). Not ok for a geometry the solver
/// cannot take (no width, strips overlapping the planes).
PairModes stack_pair_modes(const Stackup& stack, double w_m, double w0_m, bool losses = false,
                           SectionResolution res = {});

/// Attenuation of a mode in nepers per metre at `f_hz`. Ideal sheets have no
/// conductor loss figure: their conductor loss is 0.
double conductor_loss(const ModeFigures& m, const Stackup& stack, double f_hz);
double dielectric_loss(const ModeFigures& m, const Stackup& stack, double f_hz);

/// The cross-section of `stack` in units of B with the given conductors
/// (x left, x right, lower or upper strip): for tools and tests that solve
/// other arrangements in the same board.
struct BoardStrip {
  double left_m = 0, right_m = 0;
  bool upper = false;
};
LayeredSection board_section(const Stackup& stack, const std::vector<BoardStrip>& strips);

/// Figures of one mode of arbitrary strips in the board: potentials `volts`,
/// one per strip, normalised by their squares' sum. For tools and tests.
ModeFigures board_mode(const Stackup& stack, const std::vector<BoardStrip>& strips,
                       const std::vector<double>& volts, bool losses, SectionResolution res = {});

}  // namespace quill
