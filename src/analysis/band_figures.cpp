#include "analysis/band_figures.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/sweep.hpp"

namespace quill {

BandFigures band_figures(const CouplerDesign& d, float flow, float fhigh, int points) {
  BandFigures b;
  b.coupling_min_db = INFINITY;
  b.coupling_max_db = -INFINITY;
  b.directivity_db = INFINITY;
  b.return_loss_db = INFINITY;
  b.quadrature_error_deg = 0;
  for (int k = 0; k < points; ++k) {
    const double f = points > 1 ? flow + (fhigh - flow) * k / (points - 1.0) : flow;
    const PortResponse r = port_response(d, static_cast<float>(f));
    // The unfloored levels: the report floors them at -90 dB.
    const double coupled = -20.0 * std::log10(static_cast<double>(r.port[1]));
    const double isolated = -20.0 * std::log10(static_cast<double>(r.port[2]));
    b.coupling_min_db = std::min(b.coupling_min_db, coupled);
    b.coupling_max_db = std::max(b.coupling_max_db, coupled);
    b.directivity_db = std::min(b.directivity_db, isolated - coupled);
    b.return_loss_db = std::min(b.return_loss_db, -20.0 * std::log10(static_cast<double>(r.port[0])));
    b.quadrature_error_deg = std::max(b.quadrature_error_deg, std::fabs(static_cast<double>(r.error)));
  }
  return b;
}

}  // namespace quill
