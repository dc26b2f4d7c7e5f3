#pragma once
/// What an engineer reads off a coupler's response over its band: the
/// coupling's spread, the worst directivity and return loss, and the largest
/// departure from quadrature. For summaries beside the full reports.

#include <functional>
#include <string>

#include "analysis/discontinuities.hpp"
#include "common/design.hpp"

namespace quill {

struct BandFigures {
  double coupling_min_db = 0;   ///< weakest and strongest coupling, positive dB
  double coupling_max_db = 0;
  double directivity_db = 0;    ///< least (coupled level - isolated level), dB
  double isolation_db = 0;      ///< least -20 log10 |S31|, dB
  double return_loss_db = 0;    ///< least -20 log10 |S11|, dB
  double quadrature_error_deg = 0;  ///< largest |phase(S21) - phase(S41) - 90|, degrees
};

/// The figures of `d` at `points` evenly spread frequencies from `flow` to
/// `fhigh` MHz (both included), from the report's own response.
BandFigures band_figures(const CouplerDesign& d, float flow, float fhigh, int points = 401);

/// The same figures of any four-port given as its matrix at each frequency
/// (MHz), in double: a model other than the report's.
BandFigures band_figures(const std::function<CouplerMatrix(double)>& s, double flow, double fhigh, int points = 401);

/// A least directivity, isolation or return loss in words: "31.20", or
/// "over 99.99" beyond the floor of the arithmetic of a perfect coupler.
std::string least_db_text(double db);

/// The figures in a few indented lines, under `heading` ("over the band",
/// "as built in X, over the band"), with `beside`'s in brackets after each
/// when given (named in the heading by the caller). A figure beyond 99.99 dB
/// is the floor of the arithmetic of a perfect coupler, not a measure of
/// anything: it reads "over 99.99".
std::string band_figures_text(const std::string& heading, const BandFigures& b, const BandFigures* beside = nullptr);

}  // namespace quill
