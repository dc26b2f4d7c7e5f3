#include "fullwave/fullwave_report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "analysis/sweep.hpp"
#include "exports/svg_chart.hpp"

namespace quill {

namespace {

double db(Cx v) { return 20.0 * std::log10(std::abs(v)); }

/// Departure from quadrature of the coupled and through waves, degrees: the
/// phase between them taken in (-180, 180], its size less 90, so that it
/// keeps its sign as either wave's phase wraps.
double quadrature_error(const SMatrix& s) {
  const double phi = std::arg(s[1][0] / s[3][0]) * 180.0 / std::numbers::pi;
  return std::fabs(phi) - 90.0;
}

std::string num(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string fixed(double v, int decimals) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

/// A CSV cell: the shortest text that reads back, or nothing where the
/// level has no decibel value (a wave of exactly zero, minus infinity),
/// which every CSV reader takes as a missing value.
std::string cell(double v) { return std::isfinite(v) ? num(v) : std::string(); }

/// A least directivity or return loss in the summary: in decibels, or in
/// words where the circuit model's wave is exactly zero.
std::string least_db(double v) { return std::isfinite(v) ? fixed(v, 2) + " dB" : std::string("unbounded"); }

}  // namespace

std::vector<SMatrix> circuit_matrices(const CouplerDesign& d, const std::vector<double>& f_mhz) {
  std::vector<SMatrix> out;
  for (double f : f_mhz) {
    const FourPort p = four_port(d, static_cast<float>(f));
    SMatrix m;
    for (size_t i = 0; i < 4; ++i)
      for (size_t j = 0; j < 4; ++j) m[i][j] = Cx(p.s[i][j][0], p.s[i][j][1]);
    out.push_back(m);
  }
  return out;
}

BandSummary band_summary(const Comparison& c, double centre_mhz) {
  BandSummary s;
  s.coupling_lo_db = s.directivity_db = s.circuit_directivity_db = INFINITY;
  s.return_loss_db = s.circuit_return_loss_db = INFINITY;
  s.isolation_db = s.circuit_isolation_db = INFINITY;
  s.coupling_hi_db = -INFINITY;
  size_t nearest = 0;
  for (size_t k = 0; k < c.f_mhz.size(); ++k) {
    if (std::fabs(c.f_mhz[k] - centre_mhz) < std::fabs(c.f_mhz[nearest] - centre_mhz)) nearest = k;
    if (c.f_mhz[k] < c.band_lo_mhz || c.f_mhz[k] > c.band_hi_mhz) continue;
    const SMatrix &f = c.fullwave[k], &m = c.circuit[k];
    const double cf = -db(f[1][0]), cm = -db(m[1][0]);
    s.coupling_deviation_db = std::max(s.coupling_deviation_db, std::fabs(cf - cm));
    s.coupling_lo_db = std::min(s.coupling_lo_db, cf);
    s.coupling_hi_db = std::max(s.coupling_hi_db, cf);
    s.directivity_db = std::min(s.directivity_db, db(f[1][0]) - db(f[2][0]));
    s.circuit_directivity_db = std::min(s.circuit_directivity_db, db(m[1][0]) - db(m[2][0]));
    s.isolation_db = std::min(s.isolation_db, -db(f[2][0]));
    s.circuit_isolation_db = std::min(s.circuit_isolation_db, -db(m[2][0]));
    s.return_loss_db = std::min(s.return_loss_db, -db(f[0][0]));
    s.circuit_return_loss_db = std::min(s.circuit_return_loss_db, -db(m[0][0]));
    s.quadrature_error_deg = std::max(s.quadrature_error_deg, std::fabs(quadrature_error(f)));
    s.circuit_quadrature_error_deg = std::max(s.circuit_quadrature_error_deg, std::fabs(quadrature_error(m)));
  }
  s.has_copper = c.copper.size() == c.f_mhz.size() && !c.f_mhz.empty();
  if (s.has_copper) {
    s.copper_coupling_lo_db = s.copper_directivity_db = s.copper_isolation_db = s.copper_return_loss_db = INFINITY;
    s.copper_coupling_hi_db = -INFINITY;
    for (size_t k = 0; k < c.f_mhz.size(); ++k) {
      if (c.f_mhz[k] < c.band_lo_mhz || c.f_mhz[k] > c.band_hi_mhz) continue;
      const SMatrix &f = c.fullwave[k], &m = c.copper[k];
      const double cm = -db(m[1][0]);
      s.copper_coupling_lo_db = std::min(s.copper_coupling_lo_db, cm);
      s.copper_coupling_hi_db = std::max(s.copper_coupling_hi_db, cm);
      s.copper_coupling_deviation_db = std::max(s.copper_coupling_deviation_db, std::fabs(cm + db(f[1][0])));
      s.copper_directivity_db = std::min(s.copper_directivity_db, db(m[1][0]) - db(m[2][0]));
      s.copper_isolation_db = std::min(s.copper_isolation_db, -db(m[2][0]));
      s.copper_return_loss_db = std::min(s.copper_return_loss_db, -db(m[0][0]));
    }
  }
  if (!c.f_mhz.empty()) {
    s.coupling_at_centre_db = -db(c.fullwave[nearest][1][0]);
    s.circuit_coupling_at_centre_db = -db(c.circuit[nearest][1][0]);
  }
  return s;
}

std::string fullwave_touchstone(const Comparison& c, const std::vector<std::string>& comments, double zo) {
  std::string t;
  for (const std::string& line : comments) t += "! " + line + "\n";
  t += "! Ports: 1 input, 2 coupled, 3 isolated, 4 through; rows of S[i,1..4], real and imaginary\n";
  t += "# MHZ S RI R " + num(zo) + "\n";
  for (size_t k = 0; k < c.f_mhz.size(); ++k) {
    t += num(c.f_mhz[k]);
    for (size_t i = 0; i < 4; ++i) {
      if (i > 0) t += "\n   ";
      for (size_t j = 0; j < 4; ++j) t += " " + num(c.fullwave[k][i][j].real()) + " " + num(c.fullwave[k][i][j].imag());
    }
    t += "\n";
  }
  return t;
}

std::string comparison_csv(const Comparison& c) {
  std::string t =
      "frequency_mhz,coupled_db_fullwave,coupled_db_circuit,isolated_db_fullwave,isolated_db_circuit,"
      "through_db_fullwave,through_db_circuit,return_db_fullwave,return_db_circuit,"
      "quadrature_error_deg_fullwave,quadrature_error_deg_circuit";
  const bool copper = c.copper.size() == c.f_mhz.size();
  if (copper) t += ",coupled_db_copper,isolated_db_copper,through_db_copper,return_db_copper";
  t += "\n";
  for (size_t k = 0; k < c.f_mhz.size(); ++k) {
    const SMatrix &f = c.fullwave[k], &m = c.circuit[k];
    t += num(c.f_mhz[k]);
    for (double v : {db(f[1][0]), db(m[1][0]), db(f[2][0]), db(m[2][0]), db(f[3][0]), db(m[3][0]), db(f[0][0]),
                     db(m[0][0]), quadrature_error(f), quadrature_error(m)})
      t += "," + cell(v);
    if (copper)
      for (const size_t i : {size_t{1}, size_t{2}, size_t{3}, size_t{0}}) t += "," + cell(db(c.copper[k][i][0]));
    t += "\n";
  }
  return t;
}

std::string comparison_svg(const Comparison& c, const std::string& title, const std::string& subtitle) {
  std::vector<double> f, cf, cm, isf, ism, rf, rm, qf, qm;
  for (size_t k = 0; k < c.f_mhz.size(); ++k) {
    const SMatrix &a = c.fullwave[k], &m = c.circuit[k];
    f.push_back(c.f_mhz[k]);
    cf.push_back(db(a[1][0]));
    cm.push_back(db(m[1][0]));
    isf.push_back(std::max(db(a[2][0]), -80.0));
    ism.push_back(std::max(db(m[2][0]), -80.0));
    rf.push_back(std::max(db(a[0][0]), -80.0));
    rm.push_back(std::max(db(m[0][0]), -80.0));
    qf.push_back(quadrature_error(a));
    qm.push_back(quadrature_error(m));
  }
  const char* full = "#c0392b";
  const char* model = "#1f5fbf";
  LineChart chart;
  chart.title = title;
  chart.subtitle = subtitle;
  chart.x_label = "Frequency (MHz)";
  chart.height = 900;
  ChartPanel coupling;
  coupling.y_label = "Coupling (dB)";
  coupling.series = {{"Full-wave |S21|", full, false, f, cf}, {"Circuit model |S21|", model, true, f, cm}};
  ChartPanel levels;
  levels.y_label = "Level (dB)";
  levels.series = {{"Full-wave isolated |S31|", "#8e44ad", false, f, isf},
                   {"Circuit isolated |S31|", "#8e44ad", true, f, ism},
                   {"Full-wave return |S11|", "#27ae60", false, f, rf},
                   {"Circuit return |S11|", "#27ae60", true, f, rm}};
  levels.height_weight = 1.3;
  ChartPanel quadrature;
  quadrature.y_label = "Quadrature error (deg)";
  quadrature.series = {{"Full-wave", full, false, f, qf}, {"Circuit model", model, true, f, qm}};
  for (ChartPanel* p : {&coupling, &levels, &quadrature}) {
    if (c.band_lo_mhz > f.front() || c.band_hi_mhz < f.back())
      for (double edge : {c.band_lo_mhz, c.band_hi_mhz}) p->markers.push_back({edge, p == &coupling ? fixed(edge, 0) + " MHz" : ""});
  }
  chart.panels = {coupling, levels, quadrature};
  return line_chart_svg(chart);
}

std::string summary_text(const BandSummary& s, const Comparison& c) {
  std::string t;
  t += "\n        Full-wave against the circuit model, " + fixed(c.band_lo_mhz, 0) + " to " + fixed(c.band_hi_mhz, 0) +
       " MHz:\n";
  t += "          coupling " + fixed(s.coupling_lo_db, 3) + " to " + fixed(s.coupling_hi_db, 3) +
       " dB, at most " + fixed(s.coupling_deviation_db, 3) + " dB from the circuit model's;\n";
  t += "          at the centre " + fixed(s.coupling_at_centre_db, 3) + " dB (circuit " +
       fixed(s.circuit_coupling_at_centre_db, 3) + " dB);\n";
  t += "          directivity at least " + least_db(s.directivity_db) + " (circuit " +
       least_db(s.circuit_directivity_db) + ");\n";
  t += "          isolation at least " + least_db(s.isolation_db) + " (circuit " + least_db(s.circuit_isolation_db) +
       ");\n";
  t += "          return loss at least " + least_db(s.return_loss_db) + " (circuit " +
       least_db(s.circuit_return_loss_db) + ");\n";
  t += "          quadrature within " + fixed(s.quadrature_error_deg, 2) + " degrees (circuit " +
       fixed(s.circuit_quadrature_error_deg, 2) + ").\n";
  if (s.has_copper) {
    t += "        The circuit model of the copper (breakouts and junctions as lines):\n";
    t += "          coupling " + fixed(s.copper_coupling_lo_db, 3) + " to " + fixed(s.copper_coupling_hi_db, 3) +
         " dB, at most " + fixed(s.copper_coupling_deviation_db, 3) + " dB from the full-wave coupling;\n";
    t += "          directivity at least " + least_db(s.copper_directivity_db) + ", isolation at least " +
         least_db(s.copper_isolation_db) + ", return loss at least " + least_db(s.copper_return_loss_db) + ".\n";
  }
  return t;
}

}  // namespace quill
