#pragma once
/// The coupling responses the synthesis engine can build, and the extraction
/// of section impedances from them.
///
/// With x = cos^2(theta) (theta the electrical length of a section, pi/2 at
/// f0) the band f0 (1 - hw) .. f0 (1 + hw) is x in [0, x_b], x_b = sin^2(pi hw / 2).
/// The coupled wave of a matched coupler equals the even-mode reflection of
/// its sections between unit terminations; with Q = |reflection / transmission|^2,
/// a polynomial of degree n in x that vanishes at x = 1, the coupling is
/// 10 log10(1 + 1/Q) dB.

#include <array>
#include <complex>

#include "synthesis/coupling_model.hpp"

namespace quill::ripple {

using cd = std::complex<double>;

/// x at the band edge for a band of half width `half_width` about f0.
double band_edge(double half_width);

/// |reflection / transmission| of a coupling level in dB.
double k_of_db(double db);

/// What layer peeling needs of a response: the roots of 1 + Q (they fix the
/// transmission), a polynomial in w = exp(-2 j theta) proportional to the
/// reflection's numerator, and Q at f0 (which fixes that numerator's scale).
struct Response {
  bool ok = false;
  int n = 0;
  std::array<cd, max_ripple_sections> loss_roots{};    ///< roots in x of 1 + Q
  std::array<double, max_ripple_sections + 1> numerator{};  ///< in w, lowest power first
  double q_centre = 0;                                  ///< Q(0)
};

/// Ripple (half the dB swing, centred on the level) of the asymmetrical
/// Chebyshev design Q = b (tau - T_n(2x/x_b - 1)).
double asymmetrical_ripple_db(int n, double level_db, double x_b);

/// That design as a response.
Response asymmetrical_equal_ripple(int n, double level_db, double x_b);

/// Asymmetrical maximally flat design, Q = Q0 (1 - x^n).
Response asymmetrical_flat(int n, double level_db);

/// Best relative approximation of 1 on [0, x_b] by sqrt(1 - x) p(x), p of
/// degree m: the mirror-symmetric coupler of 2m + 1 sections has
/// K = sqrt(1 - x) P(x) with P proportional to p.
struct SymmetricalFit {
  int m = 0;
  std::array<double, 8> p{};  ///< coefficients of p in x, lowest first
  double k_min = 1, k_max = 1;  ///< extremes of sqrt(1 - x) p(x) over the band
};

/// The equal-ripple fit by the Remez exchange.
SymmetricalFit symmetrical_fit(int m, double x_b);

/// Ripple of the symmetrical design made from a fit, centred on the level.
double symmetrical_ripple_db(const SymmetricalFit& fit, double level_db);

/// The symmetrical design from a fit, scaled so its swing is centred on the level.
Response symmetrical_equal_ripple(const SymmetricalFit& fit, double level_db);

/// Symmetrical maximally flat design: p is the Taylor series of
/// (1 - x)^(-1/2) cut after x^m, scaled to the level.
Response symmetrical_flat(int m, double level_db);

/// Section impedances by layer peeling; false when the response could not be
/// realised (impedances not above 1, not finite, or the load not matched).
/// `mirror` averages each section with its mirror image, so a symmetrical
/// coupler stays exactly symmetrical after rounding.
bool realise(const Response& r, bool mirror, SectionImpedances& zoe);

}  // namespace quill::ripple
