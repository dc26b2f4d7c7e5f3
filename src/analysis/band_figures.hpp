#pragma once
/// What an engineer reads off a coupler's response over its band: the
/// coupling's spread, the worst directivity and return loss, and the largest
/// departure from quadrature. For summaries beside the full reports.

#include "common/design.hpp"

namespace quill {

struct BandFigures {
  double coupling_min_db = 0;   ///< weakest and strongest coupling, positive dB
  double coupling_max_db = 0;
  double directivity_db = 0;    ///< least (coupled level - isolated level), dB
  double return_loss_db = 0;    ///< least -20 log10 |S11|, dB
  double quadrature_error_deg = 0;  ///< largest |phase(S21) - phase(S41) - 90|, degrees
};

/// The figures of `d` at `points` evenly spread frequencies from `flow` to
/// `fhigh` MHz (both included), from the report's own response.
BandFigures band_figures(const CouplerDesign& d, float flow, float fhigh, int points = 401);

}  // namespace quill
