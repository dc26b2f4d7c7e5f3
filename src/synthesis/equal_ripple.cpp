#include "synthesis/equal_ripple.hpp"

#include <cmath>
#include <cstdio>

#include "synthesis/ripple_response.hpp"

namespace quill {
namespace {

bool sym(CouplerForm form) { return form == CouplerForm::symmetrical; }

bool valid_count(CouplerForm form, int n) {
  return sym(form) ? n >= 1 && n <= max_symmetrical_sections && n % 2 == 1
                   : n >= 2 && n <= max_asymmetrical_sections;
}

int smallest_count(CouplerForm form) { return sym(form) ? 1 : 2; }
int largest_count(CouplerForm form) { return sym(form) ? max_symmetrical_sections : max_asymmetrical_sections; }
int count_step(CouplerForm form) { return sym(form) ? 2 : 1; }

/// A design is accepted as meeting a ripple while its measured deviation is
/// within this much of it: far below what single-precision impedances resolve.
constexpr double ripple_slack_db = 1e-6;

std::string bad(const char* what, double value, const char* range) {
  char line[200];
  std::snprintf(line, sizeof line, "%s %.6g is outside %s.", what, value, range);
  return line;
}

/// True when `v` lies below `bound` as single-precision numbers: requests are
/// typed, and 0.01 typed is the float nearest 0.01, a hair below it in double.
bool below(double v, float bound) { return static_cast<float>(v) < bound; }

/// Why a request cannot be designed, or empty.
std::string check(const RippleRequest& s) {
  if (!std::isfinite(s.level_db) || s.level_db < 3.0 || s.level_db > 30.0)
    return bad("The coupling level", s.level_db, "3 to 30 dB");
  if (!std::isfinite(s.ripple_db) || (s.ripple_db != 0.0 && (below(s.ripple_db, 0.01f) || s.ripple_db > 1.5)))
    return bad("The ripple", s.ripple_db, "0 (maximally flat) or 0.01 to 1.5 dB");
  if (!std::isfinite(s.flow_mhz) || s.flow_mhz <= 0.0)
    return bad("The lowest frequency", s.flow_mhz, "the positive frequencies");
  if (!std::isfinite(s.fhigh_mhz) || s.fhigh_mhz <= s.flow_mhz)
    return bad("The highest frequency", s.fhigh_mhz, "the frequencies above the lowest one");
  if (s.ripple_db == 0.0 && (!std::isfinite(s.flat_tolerance_db) || below(s.flat_tolerance_db, 0.001f) ||
                             s.flat_tolerance_db > 1.5))
    return bad("The flat tolerance", s.flat_tolerance_db, "0.001 to 1.5 dB");
  if (s.sections != 0 && !valid_count(s.form, s.sections))
    return bad("The section count", s.sections,
               sym(s.form) ? "the odd counts 1 to 15 of a symmetrical coupler"
                           : "the counts 2 to 12 of an asymmetrical coupler");
  return {};
}

/// The design as the result carries it, measured over the band.
RippleDesign measured(const SectionDesign& sd, int n, double level_db, double half_width) {
  RippleDesign d;
  d.n = n;
  SectionImpedances rounded{};
  for (int i = 0; i < n; ++i) {
    d.zoe[static_cast<std::size_t>(i)] = static_cast<float>(sd.zoe[static_cast<std::size_t>(i)]);
    rounded[static_cast<std::size_t>(i)] = d.zoe[static_cast<std::size_t>(i)];
  }
  // Measured as stored: the rounded impedances are what an analysis will see.
  const CouplingSwing s = coupling_swing(rounded, n, level_db, half_width);
  d.deviation_db = s.deviation_db;
  d.min_db = s.min_db;
  d.max_db = s.max_db;
  return d;
}

}  // namespace

SectionDesign equal_ripple_sections(CouplerForm form, int n, double level_db, double half_width) {
  SectionDesign d;
  if (!valid_count(form, n) || !(half_width > 0.0 && half_width < 1.0)) return d;
  const double x_b = ripple::band_edge(half_width);
  if (sym(form)) {
    const ripple::SymmetricalFit fit = ripple::symmetrical_fit(n / 2, x_b);
    d.ripple_db = ripple::symmetrical_ripple_db(fit, level_db);
    d.realised = ripple::realise(ripple::symmetrical_equal_ripple(fit, level_db), true, d.zoe);
  } else {
    d.ripple_db = ripple::asymmetrical_ripple_db(n, level_db, x_b);
    d.realised = ripple::realise(ripple::asymmetrical_equal_ripple(n, level_db, x_b), false, d.zoe);
  }
  return d;
}

double equal_ripple_deviation(CouplerForm form, int n, double level_db, double half_width) {
  const double x_b = ripple::band_edge(half_width);
  if (sym(form)) return ripple::symmetrical_ripple_db(ripple::symmetrical_fit(n / 2, x_b), level_db);
  return ripple::asymmetrical_ripple_db(n, level_db, x_b);
}

SectionDesign maximally_flat_sections(CouplerForm form, int n, double level_db) {
  SectionDesign d;
  if (!valid_count(form, n)) return d;
  d.realised = sym(form) ? ripple::realise(ripple::symmetrical_flat(n / 2, level_db), true, d.zoe)
                         : ripple::realise(ripple::asymmetrical_flat(n, level_db), false, d.zoe);
  return d;
}

double equal_ripple_half_width(CouplerForm form, int n, double level_db, double ripple_db) {
  const double a = std::pow(10.0, (level_db + ripple_db) / 10.0);
  const double b = std::pow(10.0, (level_db - ripple_db) / 10.0);
  if (!sym(form)) {
    // Closed form: the swing (1 + 1/Q_lo) .. (1 + 1/Q_hi) fixes
    // tau = (Q_hi + Q_lo)/(Q_hi - Q_lo), and T_n(2/x_b - 1) = tau gives x_b.
    const double tau = (a + b - 2.0) / (a - b);
    const double x_b = 2.0 / (1.0 + std::cosh(std::acosh(tau) / n));
    return 2.0 / M_PI * std::asin(std::sqrt(x_b));
  }
  // The fit's relative error that gives this ripple, then bisection-secant
  // (Illinois) on log x_b: the error grows steadily with the band.
  const double rho = std::sqrt((a - 1.0) / (b - 1.0));
  const double target = (rho - 1.0) / (rho + 1.0);
  const int m = n / 2;
  auto miss = [&](double s) {
    const ripple::SymmetricalFit f = ripple::symmetrical_fit(m, std::exp(s));
    const double e = (f.k_max - f.k_min) / (f.k_max + f.k_min);
    return std::log(e / target);
  };
  double lo = std::log(1e-8), hi = std::log(1.0 - 1e-12);
  double flo = miss(lo), fhi = miss(hi);
  if (!(flo < 0.0)) return 0.0;
  if (!(fhi > 0.0)) return 1.0;
  int side = 0;
  for (int it = 0; it < 100 && hi - lo > 1e-13; ++it) {
    double s = (lo * fhi - hi * flo) / (fhi - flo);
    if (!(s > lo && s < hi)) s = 0.5 * (lo + hi);
    const double fs = miss(s);
    if (fs == 0.0) {
      lo = hi = s;
      break;
    }
    if (fs < 0.0) {
      lo = s;
      flo = fs;
      if (side == -1) fhi *= 0.5;
      side = -1;
    } else {
      hi = s;
      fhi = fs;
      if (side == 1) flo *= 0.5;
      side = 1;
    }
  }
  const double x_b = std::exp(0.5 * (lo + hi));
  return 2.0 / M_PI * std::asin(std::sqrt(x_b));
}

RippleResult synthesize_equal_ripple(const RippleRequest& request) {
  RippleResult result;
  result.reason = check(request);
  if (!result.reason.empty()) return result;
  const CouplerForm form = request.form;
  const double c = request.level_db;
  const double hw = (request.fhigh_mhz - request.flow_mhz) / (request.fhigh_mhz + request.flow_mhz);
  const bool flat = request.ripple_db == 0.0;
  const double allowed = flat ? request.flat_tolerance_db : request.ripple_db;
  const int first = request.sections != 0 ? request.sections : smallest_count(form);
  const int last = request.sections != 0 ? request.sections : largest_count(form);

  RippleDesign best;
  bool have = false;
  for (int n = first; n <= last; n += count_step(form)) {
    // The promised ripple first: cheap, and only a count that can fit is extracted.
    if (!flat && request.sections == 0 && n < last && equal_ripple_deviation(form, n, c, hw) > allowed + ripple_slack_db)
      continue;
    const SectionDesign sd = flat ? maximally_flat_sections(form, n, c) : equal_ripple_sections(form, n, c, hw);
    if (!sd.realised) continue;
    const RippleDesign d = measured(sd, n, c, hw);
    best = d;
    have = true;
    if (request.sections != 0 || d.deviation_db <= allowed + ripple_slack_db) {
      result.status = RippleResult::designed;
      result.design = d;
      return result;
    }
  }
  result.status = RippleResult::no_fit;
  if (have) {
    result.design = best;
    result.best_deviation_db = best.deviation_db;
  } else {
    result.reason = "No section count could be realised for this band.";
  }
  return result;
}

}  // namespace quill
