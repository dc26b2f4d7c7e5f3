#include "dimensions/strip_refine.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "dimensions/bscsl.hpp"
#include "dimensions/dimension_report.hpp"
#include "dimensions/field_solver.hpp"

namespace quill {

namespace {

constexpr double nan_d = std::numeric_limits<double>::quiet_NaN();
constexpr double inf_d = std::numeric_limits<double>::infinity();

/// Newton and root searches stop here, well inside strip_tolerance and
/// still above the field solver's own noise (about 1e-7).
constexpr double converged = 1e-8;

/// Everything below works in units of B (planes at 0 and 1).
struct Want {
  double zoe, zoo;
  const PairModel* model;
};

/// Field solutions spent, for the record.
struct Budget {
  int evaluations = 0;
};

ModeImpedances pair(double w, double w0, const Want& t, Budget& bud) {
  ++bud.evaluations;
  return (*t.model)(w, w0);
}

/// Relative error of a solved impedance; NaN propagates.
double relative(double got, double want) {
  return got / want - 1.0;
}

struct Root {
  double u = nan_d;
  double f = nan_d;
  bool ok = false;
};

/// Root of a function that falls as u grows, searched from `guess` by steps
/// that double (first `step`) until the sign changes inside lo..hi, then by
/// regula falsi with the Illinois halving. At most `limit` evaluations: it
/// cannot run on for ever, and a NaN from `f` ends it without a root.
template <class F>
Root falling_root(F f, double guess, double step, double lo, double hi, int limit) {
  Root best;
  int spent = 0;
  double a = std::clamp(guess, lo, hi);
  double fa = f(a);
  ++spent;
  if (!std::isfinite(fa)) return best;
  best = {a, fa, std::fabs(fa) < converged};
  if (best.ok) return best;
  // Falling function: positive means the root lies above.
  const double dir = fa > 0 ? 1.0 : -1.0;
  double b = a, fb = fa;
  while (spent < limit) {
    const double next = std::clamp(a + dir * step, lo, hi);
    if (next == a) return best;  // the bound is reached with no change of sign
    b = next;
    fb = f(b);
    ++spent;
    if (!std::isfinite(fb)) return best;
    if (std::fabs(fb) < std::fabs(best.f)) best = {b, fb, false};
    if ((fa > 0) != (fb > 0)) break;
    a = b;
    fa = fb;
    step *= 2.0;
  }
  if ((fa > 0) == (fb > 0)) return best;
  int side = 0;
  while (spent < limit && std::fabs(best.f) >= converged) {
    const double c = (a * fb - b * fa) / (fb - fa);
    const double fc = f(c);
    ++spent;
    if (!std::isfinite(fc)) return best;
    if (std::fabs(fc) < std::fabs(best.f)) best = {c, fc, false};
    if ((fc > 0) == (fb > 0)) {
      b = c;
      fb = fc;
      if (side == -1) fa /= 2.0;
      side = -1;
    } else {
      a = c;
      fa = fc;
      if (side == 1) fb /= 2.0;
      side = 1;
    }
    if (std::fabs(b - a) <= 1e-13 * std::max(1.0, std::fabs(a))) break;
  }
  best.ok = std::fabs(best.f) < 1e-6;
  return best;
}

/// Width bounds of the searches, units of B: far narrower or wider than any
/// strip of a stripline coupler.
constexpr double ln_w_low = -9.2;   // 1e-4
constexpr double ln_w_high = 4.0;   // 55

/// Strips of offset w0 whose even mode is the wanted one (the width that does
/// it, and the odd mode it brings). The even mode falls as the strips widen.
struct EvenMatch {
  double w = nan_d;
  ModeImpedances z{nan_d, nan_d};
  bool ok = false;
};

EvenMatch match_even(double w0, double w_guess, const Want& t, Budget& bud) {
  EvenMatch m;
  const Root r = falling_root(
      [&](double u) {
        const ModeImpedances z = pair(std::exp(u), w0, t, bud);
        if (std::fabs(std::log(z.zoe / t.zoe)) < std::fabs(std::log(m.z.zoe / t.zoe)) ||
            !std::isfinite(m.z.zoe)) {
          m.w = std::exp(u);
          m.z = z;
        }
        return std::log(z.zoe / t.zoe);
      },
      std::log(w_guess), 0.3, ln_w_low, ln_w_high, 60);
  m.ok = r.ok;
  return m;
}

/// Geometry in units of B with its field solution and log errors.
struct Trial {
  double u = nan_d;   ///< ln W
  double w0 = nan_d;  ///< offset
  ModeImpedances z{nan_d, nan_d};
  double r1 = nan_d, r2 = nan_d;  ///< ln(Zoe / wanted), ln(Zoo / wanted)
  double norm = inf_d;            ///< larger of |r1|, |r2|; infinite without a field
};

Trial trial(double u, double w0, const Want& t, Budget& bud) {
  Trial p;
  p.u = u;
  p.w0 = w0;
  p.z = pair(std::exp(u), w0, t, bud);
  p.r1 = std::log(p.z.zoe / t.zoe);
  p.r2 = std::log(p.z.zoo / t.zoo);
  const double n = std::max(std::fabs(p.r1), std::fabs(p.r2));
  p.norm = std::isfinite(n) ? n : inf_d;
  return p;
}

/// Damped Newton in (ln W, W0) with a forward-difference Jacobian: each step
/// is cut back until the larger error falls, the offset never goes below 0
/// (a mirrored offset is the same geometry), and at most `limit` steps.
Trial newton(Trial p, const Want& t, Budget& bud, int limit, int& steps) {
  for (steps = 0; steps < limit && p.norm > converged; ++steps) {
    const double w = std::exp(p.u);
    const double hu = 1e-4, hw = 1e-4 * std::max(w, 0.05);
    const Trial pu = trial(p.u + hu, p.w0, t, bud);
    const Trial pw = trial(p.u, p.w0 + hw, t, bud);
    const double j11 = (pu.r1 - p.r1) / hu, j21 = (pu.r2 - p.r2) / hu;
    const double j12 = (pw.r1 - p.r1) / hw, j22 = (pw.r2 - p.r2) / hw;
    const double det = j11 * j22 - j12 * j21;
    if (!std::isfinite(det) || det == 0.0) break;
    double du = -(j22 * p.r1 - j12 * p.r2) / det;
    double dw = -(-j21 * p.r1 + j11 * p.r2) / det;
    // Steps beyond the region where the errors are nearly linear are cut
    // to it, keeping their direction.
    const double reach = std::max({std::fabs(du) / 0.7, std::fabs(dw) / std::max(0.5 * w, 0.05), 1.0});
    du /= reach;
    dw /= reach;
    bool moved = false;
    for (double lambda = 1.0; lambda > 1.0 / 64; lambda /= 2) {
      const Trial q = trial(p.u + lambda * du, std::max(0.0, p.w0 + lambda * dw), t, bud);
      if (q.norm < p.norm) {
        p = q;
        moved = true;
        break;
      }
    }
    if (!moved) break;
  }
  return p;
}

/// Offset strips by two nested searches, slower than Newton but sure where
/// a geometry exists: for each offset the width that matches the even mode,
/// and the offset at which the odd mode then is the wanted one (it rises
/// with the offset, from the superposed strips' value at 0).
Trial nested(double w_start, const Want& t, Budget& bud, int& steps) {
  double w_guess = w_start;
  Trial best;
  falling_root(
      [&](double w0) {
        ++steps;
        const EvenMatch m = match_even(w0, w_guess, t, bud);
        if (!m.ok) return nan_d;
        w_guess = m.w;
        Trial p;
        p.u = std::log(m.w);
        p.w0 = w0;
        p.z = m.z;
        p.r1 = std::log(m.z.zoe / t.zoe);
        p.r2 = std::log(m.z.zoo / t.zoo);
        p.norm = std::max(std::fabs(p.r1), std::fabs(p.r2));
        if (p.norm < best.norm) best = p;
        return -p.r2;
      },
      0.0, std::max(0.1 * w_start, 0.02), 0.0, 60.0, 80);
  return best;
}

ClosedFormCheck check_closed_form(double wb, double w0b, double b, const Want& t,
                                  Budget& bud) {
  ClosedFormCheck c;
  if (!(std::isfinite(wb) && wb > 0.0 && std::isfinite(w0b))) {
    c.width_in = c.offset_in = c.zoe = c.zoo = c.zoe_error_pct = c.zoo_error_pct = nan_d;
    return c;
  }
  c.width_in = wb * b;
  c.offset_in = w0b * b;
  const ModeImpedances z = pair(wb, w0b, t, bud);
  c.zoe = z.zoe;
  c.zoo = z.zoo;
  c.zoe_error_pct = 100.0 * relative(z.zoe, t.zoe);
  c.zoo_error_pct = 100.0 * relative(z.zoo, t.zoo);
  return c;
}

/// Closed-form strips of a section, in units of B: the tight solution
/// (superposed strips when `superposed`) and the loose one.
struct ClosedForms {
  double wt, w0t, wl, w0l;
};

ClosedForms closed_forms(double zoe, double zo, double er, double s, double b, bool superposed) {
  int ierror = 0;
  const Blk1 blk = bscsl(static_cast<float>(zoe), static_cast<float>(zo), static_cast<float>(er),
                         static_cast<float>(s), static_cast<float>(b), superposed ? 1 : 0, ierror);
  ClosedForms c{blk.wbt, blk.wb0t, blk.wbl, blk.wb0l};
  if (!superposed && ierror != 0) c.wt = c.w0t = nan_d;
  return c;
}

std::string format(const char* pattern, double a, double b = 0.0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, pattern, a, b);
  return buf;
}

/// Inputs no strips can have: a section that does not couple (Zoe not above
/// Zo), a spacing outside the planes, a non-physical dielectric.
const char* refusal(double zoe, double zo, double er, double s, double b) {
  if (!(zo > 0.0 && std::isfinite(zo) && std::isfinite(zoe))) return "no geometry: impedances not usable";
  if (!(er >= 1.0 && std::isfinite(er))) return "no geometry: dielectric constant below 1";
  if (!(b > 0.0 && s > 0.0 && s < b && std::isfinite(b))) return "no geometry: S must lie between 0 and B";
  if (!(zoe > zo)) return "no geometry: Zoe must exceed Zo";
  return nullptr;
}

SectionStrips start_record(double zoe, double zo) {
  SectionStrips r;
  r.zoe = zoe;
  r.zoo = zo * zo / zoe;
  r.width_in = r.offset_in = r.zoe_field = r.zoo_field = r.residual = nan_d;
  r.largest_s_in = nan_d;
  r.superposed_width_in = r.superposed_zoo = r.superposed_coupling_db = nan_d;
  for (ClosedFormCheck* c : {&r.tight, &r.loose}) {
    c->width_in = c->offset_in = c->zoe = c->zoo = c->zoe_error_pct = c->zoo_error_pct = nan_d;
  }
  return r;
}

void take(SectionStrips& r, const Trial& p, double b) {
  const double e = std::max(std::fabs(relative(p.z.zoe, r.zoe)), std::fabs(relative(p.z.zoo, r.zoo)));
  if (!std::isfinite(e) || e > strip_tolerance) return;
  r.found = true;
  r.width_in = std::exp(p.u) * b;
  r.offset_in = p.w0 * b;
  r.zoe_field = p.z.zoe;
  r.zoo_field = p.z.zoo;
  r.residual = e;
  r.outcome = p.w0 == 0.0 ? StripOutcome::superposed : StripOutcome::offset;
}

/// Field-solved Smax in units of B: the spacing at which superposed strips
/// with the wanted even mode have the wanted odd mode. Their odd mode rises
/// with the spacing; searching in ln(S / B) keeps S inside the planes.
double limit_sb(double zoe, double zo, const StripBoard& board, Budget& bud) {
  const double zoo = zo * zo / zoe;
  if (!(zoe > zo) || !board.with_spacing) return nan_d;
  double w_guess = 0.5;
  const float smax = smax_guidance(static_cast<float>(zoe), static_cast<float>(zo),
                                   static_cast<float>(board.er), 1.0f);
  const double guess = std::isfinite(smax) && smax > 0 && smax < 1 ? smax : 0.1;
  const Root r = falling_root(
      [&](double v) {
        const PairModel model = board.with_spacing(std::exp(v));
        const Want t{zoe, zoo, &model};
        const EvenMatch m = match_even(0.0, w_guess, t, bud);
        if (!m.ok) return nan_d;
        w_guess = m.w;
        return -std::log(m.z.zoo / zoo);
      },
      std::log(guess), 0.2, std::log(1e-4), std::log(0.95), 60);
  return r.ok ? std::exp(r.u) : nan_d;
}

/// No geometry at this spacing: says so with the spacing that would have
/// one, or, where none would (strips of real copper cannot be narrowed
/// without end), the highest even-mode impedance `reach_zoe` that the
/// narrowest superposed strips have here, when known.
void none_here(SectionStrips& r, double zo, const StripBoard& board, Budget& bud, double reach_zoe = nan_d) {
  r.found = false;
  r.outcome = StripOutcome::none;
  r.width_in = r.offset_in = r.zoe_field = r.zoo_field = r.residual = nan_d;
  r.largest_s_in = limit_sb(r.zoe, zo, board, bud) * board.b;
  if (std::isfinite(r.largest_s_in)) {
    r.note = format("no geometry at this S: coupling needs S <= %.4f in", r.largest_s_in);
  } else if (std::isfinite(reach_zoe)) {
    r.note = format("no strips at any S: superposed strips, however narrow, reach Zoe %.1f ohms here (thinner "
                    "copper or thicker outer layers raise it)",
                    reach_zoe);
  } else {
    r.note = "no strips at any S: even superposed strips do not couple so tightly with this copper";
  }
}

/// Offset strips from the better closed form; where that start fails, first
/// asks whether superposed strips couple tightly enough for any offset
/// geometry to exist, then searches for it the slow sure way.
void refine_offset(SectionStrips& r, const Want& t, double zo, const StripBoard& board,
                   const ClosedForms& cf, StripSearch search, Budget& bud) {
  const double b = board.b;
  Trial start;
  for (const auto& [w, w0] : {std::pair{cf.wt, cf.w0t}, std::pair{cf.wl, cf.w0l}}) {
    if (!(std::isfinite(w) && w > 0.0 && std::isfinite(w0))) continue;
    const Trial p = trial(std::log(w), std::fabs(w0), t, bud);
    if (p.norm < start.norm) start = p;
  }
  int steps = 0;
  Trial best;
  if (std::isfinite(start.norm) && search == StripSearch::newton_first) {
    best = newton(start, t, bud, 30, steps);
    r.iterations = steps;
    if (best.norm <= 1e-6) {
      take(r, best, b);
      return;
    }
  }
  // Superposed strips with the wanted even mode: if their odd mode is still
  // above the wanted one, no offset can couple them more tightly.
  const double w_guess = std::isfinite(start.u) ? std::exp(start.u) : 0.5;
  const EvenMatch sup = match_even(0.0, w_guess, t, bud);
  if (sup.ok && sup.z.zoo > t.zoo * (1.0 + strip_tolerance)) {
    none_here(r, zo, board, bud);
    return;
  }
  // No superposed strips reach the even mode at all: the narrowest have the
  // highest even-mode impedance of any strips, and offsetting them lowers it.
  if (!sup.ok && sup.z.zoe < t.zoe) {
    none_here(r, zo, board, bud, sup.z.zoe);
    return;
  }
  int nested_steps = 0;
  const Trial p = nested(sup.ok ? sup.w : w_guess, t, bud, nested_steps);
  r.iterations = steps + nested_steps;
  if (p.norm < best.norm) best = p;
  take(r, best, b);
  if (!r.found) {
    r.note = "refinement did not converge";
    r.outcome = StripOutcome::none;
  }
}

void describe(SectionStrips& r) {
  if (!r.found || !r.note.empty()) return;
  if (r.outcome == StripOutcome::superposed) {
    r.note = "superposed strips";
  } else if (r.offset_in >= r.width_in) {
    r.note = "offset strips, no overlap";
  } else {
    r.note = "offset strips";
  }
}

}  // namespace

double coupling_db(double zoe, double zoo) {
  return -20.0 * std::log10(std::fabs(zoe - zoo) / (zoe + zoo));
}

StripBoard ideal_board(double er, double s, double b) {
  StripBoard board;
  const double sb = s / b;
  board.modes = [er, sb](double w, double w0) { return offset_pair_modes(w, w0, sb, 1.0, er); };
  board.with_spacing = [er](double other) -> PairModel {
    return [er, other](double w, double w0) { return offset_pair_modes(w, w0, other, 1.0, er); };
  };
  board.er = er;
  board.s = s;
  board.b = b;
  return board;
}

SectionStrips refine_offset_section(double zoe, double zo, const StripBoard& board, StripSearch search) {
  const Want t{zoe, zo * zo / zoe, &board.modes};
  SectionStrips r = start_record(zoe, zo);
  if (const char* why = refusal(zoe, zo, board.er, board.s, board.b)) {
    r.note = why;
    return r;
  }
  Budget bud;
  const ClosedForms cf = closed_forms(zoe, zo, board.er, board.s, board.b, false);
  if (board.check_closed_forms) {
    r.tight = check_closed_form(cf.wt, cf.w0t, board.b, t, bud);
    r.loose = check_closed_form(cf.wl, cf.w0l, board.b, t, bud);
  }
  refine_offset(r, t, zo, board, cf, search, bud);
  describe(r);
  r.evaluations = bud.evaluations;
  return r;
}

SectionStrips refine_offset_section(double zoe, double zo, double er, double s, double b,
                                    StripSearch search) {
  return refine_offset_section(zoe, zo, ideal_board(er, s, b), search);
}

SectionStrips refine_superposed_section(double zoe, double zo, const StripBoard& board) {
  const Want t{zoe, zo * zo / zoe, &board.modes};
  const double b = board.b;
  SectionStrips r = start_record(zoe, zo);
  r.superposed_asked = true;
  if (const char* why = refusal(zoe, zo, board.er, board.s, b)) {
    r.note = why;
    return r;
  }
  Budget bud;
  const ClosedForms cf = closed_forms(zoe, zo, board.er, board.s, b, true);
  if (board.check_closed_forms) {
    r.tight = check_closed_form(cf.wt, 0.0, b, t, bud);
    r.loose = check_closed_form(cf.wl, cf.w0l, b, t, bud);
  }
  const double guess = std::isfinite(cf.wt) && cf.wt > 0 ? cf.wt : 0.5;
  const EvenMatch sup = match_even(0.0, guess, t, bud);
  if (!sup.ok) {
    if (sup.z.zoe < t.zoe) {
      none_here(r, zo, board, bud, sup.z.zoe);
    } else {
      r.note = "no superposed strips have this Zoe";
    }
    r.evaluations = bud.evaluations;
    return r;
  }
  r.superposed_width_in = sup.w * b;
  r.superposed_zoo = sup.z.zoo;
  r.superposed_coupling_db = coupling_db(sup.z.zoe, sup.z.zoo);
  const double miss = relative(sup.z.zoo, t.zoo);
  if (std::fabs(miss) <= strip_tolerance) {
    Trial p;
    p.u = std::log(sup.w);
    p.w0 = 0.0;
    p.z = sup.z;
    take(r, p, b);
    r.note = "superposed strips";
  } else if (miss > 0) {
    none_here(r, zo, board, bud);
    r.note = format("superposed strips reach %.2f dB here; needs S <= %.4f in",
                    r.superposed_coupling_db, r.largest_s_in);
  } else {
    // Superposed strips couple too tightly at this spacing; offset ones have
    // both impedances, starting from the offset closed forms.
    const ClosedForms offset = closed_forms(zoe, zo, board.er, board.s, b, false);
    refine_offset(r, t, zo, board, offset, StripSearch::newton_first, bud);
    if (r.found) {
      r.note = format("superposed strips too tight here (%.2f dB); offset used", r.superposed_coupling_db);
    }
  }
  describe(r);
  r.evaluations = bud.evaluations;
  return r;
}

SectionStrips refine_superposed_section(double zoe, double zo, double er, double s, double b) {
  return refine_superposed_section(zoe, zo, ideal_board(er, s, b));
}

PlainStrip refine_plain_strip(double zo, double er, double s, double b) {
  PlainStrip p;
  p.zo = zo;
  p.width_in = p.z_field = p.residual = nan_d;
  p.closed_form_width_in = p.closed_form_z = p.closed_form_error_pct = nan_d;
  if (const char* why = refusal(2.0 * zo, zo, er, s, b)) {
    p.note = why;
    return p;
  }
  const double height = (b - s) / 2.0;
  int ierror = 0;
  const double wcf = static_cast<double>(
                         bscsl(1.000001f * static_cast<float>(zo), static_cast<float>(zo),
                               static_cast<float>(er), static_cast<float>(s),
                               static_cast<float>(b), 0, ierror)
                             .wbl) *
                     b;
  p.closed_form_width_in = wcf;
  p.closed_form_z = single_strip_impedance(wcf, height, b, er);
  p.closed_form_error_pct = 100.0 * relative(p.closed_form_z, zo);
  const double guess = std::isfinite(wcf) && wcf > 0 ? wcf / b : 0.5;
  double best_w = nan_d, best_z = nan_d;
  int steps = 0;
  falling_root(
      [&](double u) {
        ++steps;
        const double z = single_strip_impedance(std::exp(u), height / b, 1.0, er);
        if (!std::isfinite(best_z) || std::fabs(z / zo - 1) < std::fabs(best_z / zo - 1)) {
          best_w = std::exp(u);
          best_z = z;
        }
        return std::log(z / zo);
      },
      std::log(guess), 0.3, ln_w_low, ln_w_high, 60);
  p.iterations = steps;
  const double e = std::fabs(relative(best_z, zo));
  if (std::isfinite(e) && e <= strip_tolerance) {
    p.found = true;
    p.width_in = best_w * b;
    p.z_field = best_z;
    p.residual = e;
    p.note = "single strip";
  } else {
    p.note = "no single strip has this impedance";
  }
  return p;
}

double superposed_limit_s(double zoe, double zo, double er, double b) {
  Budget bud;
  return limit_sb(zoe, zo, ideal_board(er, b / 2, b), bud) * b;
}

std::vector<SectionStrips> refine_sections(const CouplerDesign& d, const StripBoard& board, int icenter) {
  std::vector<SectionStrips> out;
  const int centre = d.n / 2 + 1;
  for (int i = 1; i <= d.n; ++i) {
    const double zoe = static_cast<double>(d.sec(i).zoe) * d.z0;
    SectionStrips r = (icenter == 1 && i == centre) ? refine_superposed_section(zoe, d.z0, board)
                                                    : refine_offset_section(zoe, d.z0, board);
    r.section = i;
    out.push_back(std::move(r));
  }
  return out;
}

DesignStrips refine_design(const CouplerDesign& d, double b, double s, int icenter) {
  DesignStrips out;
  out.sections = refine_sections(d, ideal_board(d.er, s, b), icenter);
  out.plain = refine_plain_strip(d.z0, d.er, s, b);
  return out;
}

}  // namespace quill
