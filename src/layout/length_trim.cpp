#include "layout/length_trim.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/discontinuities.hpp"

namespace quill {

namespace {

double coupled_db(const CouplerMatrix& m) { return -20.0 * std::log10(std::abs(m[1][0])); }

constexpr int points = 41;

/// The band's frequencies, MHz, and the design's coupling at each, dB.
void design_coupling(const CouplerDesign& d, std::vector<double>& f, std::vector<double>& want) {
  const auto [flo, fhi] = copper_band(d);
  f.resize(points);
  want.resize(points);
  for (int i = 0; i < points; ++i) {
    f[i] = flo + (fhi - flo) * i / (points - 1.0);
    want[i] = coupled_db(coupler_matrix(d, {}, f[i]));
  }
}

/// The largest |coupling of `lines` - `want`| over `f`, dB.
double largest_departure(const CouplerDesign& d, const ModeLines& lines, const std::vector<double>& f,
                         const std::vector<double>& want) {
  double worst = 0.0;
  for (size_t i = 0; i < f.size(); ++i)
    worst = std::max(worst, std::fabs(coupled_db(mode_lines_matrix(lines, d.z0, f[i])) - want[i]));
  return worst;
}

}  // namespace

double coupling_departure_db(const CouplerDesign& d, const StackDesign& built, const Stackup& stack,
                             const CouplerLayout& layout, SolvedSections* solved) {
  CopperPieces pieces;
  pieces.solved = solved;
  const CopperLines copper = copper_lines(d, built, stack, layout, pieces);
  if (!copper.ok) return INFINITY;
  std::vector<double> f, want;
  design_coupling(d, f, want);
  return largest_departure(d, copper.lines, f, want);
}

LengthTrim trim_lengths(const CouplerDesign& d, const StackDesign& built, const Stackup& stack,
                        const CouplerLayout& layout, SolvedSections* solved) {
  LengthTrim out;
  CopperPieces pieces;
  pieces.solved = solved;
  CopperLines copper = copper_lines(d, built, stack, layout, pieces);
  if (!copper.ok) {
    out.error = copper.error;
    return out;
  }
  const size_t n = copper.sections.size();
  out.metres.assign(n, 0.0);
  std::vector<double> f, want;
  design_coupling(d, f, want);
  // Each section's line as laid out, and its length: a trim scales its
  // delay and its loss alike.
  std::vector<std::array<ModeLine, 2>> laid(n);
  std::vector<double> length(n), unit(n);
  for (size_t k = 0; k < n; ++k) {
    laid[k] = {copper.lines.even[copper.sections[k][0]], copper.lines.odd[copper.sections[k][1]]};
    length[k] = layout.sections[k].x1 - layout.sections[k].x0;
    unit[k] = built.sections[k].length_in * metres_per_inch;
  }
  auto departure = [&](const std::vector<double>& trim) {
    for (size_t k = 0; k < n; ++k) {
      const double r = (length[k] + trim[k]) / length[k];
      for (size_t m = 0; m < 2; ++m) {
        ModeLine& line = (m == 0 ? copper.lines.even : copper.lines.odd)[copper.sections[k][m]];
        line.delay_s = laid[k][m].delay_s * r;
        line.cond_np = laid[k][m].cond_np * r;
        line.diel_np = laid[k][m].diel_np * r;
      }
    }
    return largest_departure(d, copper.lines, f, want);
  };
  // Sections alike in copper and place (k and n - 1 - k of a mirrored
  // design) keep alike trims.
  auto mirror = [&](size_t k) {
    const size_t j = n - 1 - k;
    const SectionCopper &a = layout.sections[k], &b = layout.sections[j];
    const double tol = 1e-9 * std::max(length[k], length[j]);
    const bool alike = std::fabs(a.width - b.width) < tol && std::fabs(a.offset - b.offset) < tol &&
                       std::fabs(length[k] - length[j]) < tol;
    return alike ? j : k;
  };
  std::vector<double> trim(n, 0.0);
  out.before_db = out.after_db = departure(trim);
  double best = out.before_db;
  // Coarse to fine, each section in turn, until none moves.
  for (const double step : {0.01, 0.0025, 0.0005}) {
    for (int round = 0; round < 10; ++round) {
      bool moved = false;
      for (size_t k = 0; k < n; ++k) {
        const size_t j = mirror(k);
        if (j < k) continue;
        const double held = trim[k];
        double chosen = held;
        for (int s = -8; s <= 8; ++s) {
          const double t = held + s * step * unit[k];
          if (s == 0 || std::fabs(t) > 0.1 * unit[k]) continue;
          trim[k] = trim[j] = t;
          if (const double got = departure(trim); got < best - 1e-6) {
            best = got;
            chosen = t;
            moved = true;
          }
        }
        trim[k] = trim[j] = chosen;
      }
      if (!moved) break;
    }
  }
  if (best > out.before_db - 0.01) return out;
  out.metres = trim;
  out.after_db = best;
  return out;
}

}  // namespace quill
