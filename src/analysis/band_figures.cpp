#include "analysis/band_figures.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/sweep.hpp"
#include "common/fixed.hpp"

namespace quill {

BandFigures band_figures(const CouplerDesign& d, float flow, float fhigh, int points) {
  BandFigures b;
  b.coupling_min_db = INFINITY;
  b.coupling_max_db = -INFINITY;
  b.directivity_db = INFINITY;
  b.isolation_db = INFINITY;
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
    b.isolation_db = std::min(b.isolation_db, isolated);
    b.return_loss_db = std::min(b.return_loss_db, -20.0 * std::log10(static_cast<double>(r.port[0])));
    b.quadrature_error_deg = std::max(b.quadrature_error_deg, std::fabs(static_cast<double>(r.error)));
  }
  return b;
}

BandFigures band_figures(const std::function<CouplerMatrix(double)>& s, double flow, double fhigh, int points) {
  BandFigures b;
  b.coupling_min_db = b.directivity_db = b.isolation_db = b.return_loss_db = INFINITY;
  b.coupling_max_db = -INFINITY;
  auto db = [](std::complex<double> v) { return -20.0 * std::log10(std::abs(v)); };
  for (int k = 0; k < points; ++k) {
    const CouplerMatrix m = s(points > 1 ? flow + (fhigh - flow) * k / (points - 1.0) : flow);
    const double coupled = db(m[1][0]), isolated = db(m[2][0]);
    b.coupling_min_db = std::min(b.coupling_min_db, coupled);
    b.coupling_max_db = std::max(b.coupling_max_db, coupled);
    b.directivity_db = std::min(b.directivity_db, isolated - coupled);
    b.isolation_db = std::min(b.isolation_db, isolated);
    b.return_loss_db = std::min(b.return_loss_db, db(m[0][0]));
    // The coupled wave leads or lags the through wave by 90 degrees.
    const double phi = std::arg(m[1][0] / m[3][0]) * 180.0 / 3.14159265358979323846;
    b.quadrature_error_deg = std::max(b.quadrature_error_deg, std::fabs(std::fabs(phi) - 90.0));
  }
  return b;
}

std::string least_db_text(double db) {
  return db > 99.99 ? std::string("over 99.99") : decimals(static_cast<float>(db), 2);
}

std::string band_figures_text(const std::string& heading, const BandFigures& b, const BandFigures* beside) {
  auto dec = [](double v, int d) { return decimals(static_cast<float>(v), d); };
  auto with = [&](const std::string& own, const std::string& other) {
    return beside != nullptr ? own + " (" + other + ")" : own;
  };
  const BandFigures& o = beside != nullptr ? *beside : b;
  // "at least 31.20 dB", or "over 99.99 dB" where the least is beyond words.
  auto least = [&](const char* name, double own, double other) {
    return std::string(name) + (own > 99.99 ? " " : " at least ") + with(least_db_text(own) + " dB", least_db_text(other));
  };
  std::string t = "\n        - " + heading + ":\n";
  t += "          coupling " +
       with(dec(b.coupling_min_db, 3) + " to " + dec(b.coupling_max_db, 3) + " dB",
            dec(o.coupling_min_db, 3) + " to " + dec(o.coupling_max_db, 3)) +
       ",\n";
  t += "          " + least("directivity", b.directivity_db, o.directivity_db) + ", " +
       least("isolation", b.isolation_db, o.isolation_db) + ",\n";
  t += "          " + least("return loss", b.return_loss_db, o.return_loss_db) + ", quadrature within " +
       with(dec(b.quadrature_error_deg, 2) + " degrees", dec(o.quadrature_error_deg, 2)) + ".\n";
  return t;
}

}  // namespace quill
