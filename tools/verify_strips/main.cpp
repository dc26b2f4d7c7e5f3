// Where do the closed-form strip solutions hold? Zo 50 ohms, Er 1, B 0.25 in:
// for each coupling and spacing, the errors of the tight and the loose
// closed-form geometry as the field solver finds them, then the residual of
// the refined geometry (or the largest spacing at which one exists).

#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "dimensions/strip_refine.hpp"

namespace {

constexpr double zo = 50.0, er = 1.0, b = 0.25;

double zoe_for(double db) {
  const double c = std::pow(10.0, -db / 20.0);
  return zo * std::sqrt((1 + c) / (1 - c));
}

/// A percentage in 7 columns, "  --" where there is no geometry.
void cell(double pct) {
  if (std::isfinite(pct)) {
    std::printf("%7.2f", pct);
  } else {
    std::printf("%7s", "--");
  }
}

}  // namespace

int main() {
  using quill::SectionStrips;
  const std::vector<double> couplings = {3, 4.4, 6, 7.2, 8.34, 10, 12, 15, 20, 25};
  const std::vector<double> spacings = {0.05, 0.1, 0.2, 0.3, 0.4};

  std::vector<std::vector<SectionStrips>> grid;
  const auto start = std::chrono::steady_clock::now();
  int evaluations = 0;
  for (double db : couplings) {
    grid.emplace_back();
    for (double sb : spacings) {
      grid.back().push_back(quill::refine_offset_section(zoe_for(db), zo, er, sb * b, b));
      evaluations += grid.back().back().evaluations;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("Closed-form strips checked by the field solver: Zo %.0f ohms, Er %.0f, B %.2f in\n",
              zo, er, b);
  std::printf("Errors in %% of the field-solved impedance against the wanted one.\n");
  const char* titles[4] = {"tight Zoe", "tight Zoo", "loose Zoe", "loose Zoo"};
  for (int map = 0; map < 4; ++map) {
    std::printf("\n%-10s   S/B:", titles[map]);
    for (double sb : spacings) std::printf("%7.2f", sb);
    std::printf("\n");
    for (size_t i = 0; i < couplings.size(); ++i) {
      std::printf("%6.2f dB %6.2f ohm", couplings[i], zoe_for(couplings[i]));
      for (const SectionStrips& r : grid[i]) {
        const quill::ClosedFormCheck& c = map < 2 ? r.tight : r.loose;
        cell(map % 2 == 0 ? c.zoe_error_pct : c.zoo_error_pct);
      }
      std::printf("\n");
    }
  }

  std::printf("\nRefined geometry: residual in %% (or the largest S/B with strips)\n");
  std::printf("%-18s", "");
  for (double sb : spacings) std::printf("%10.2f", sb);
  std::printf("\n");
  double worst = 0;
  for (size_t i = 0; i < couplings.size(); ++i) {
    std::printf("%6.2f dB          ", couplings[i]);
    for (const SectionStrips& r : grid[i]) {
      if (r.found) {
        std::printf("%10.1e", 100.0 * r.residual);
        worst = std::fmax(worst, r.residual);
      } else {
        std::printf(" S/B<=%4.3f", r.largest_s_in / b);
      }
    }
    std::printf("\n");
  }
  std::printf("\nWorst residual %.2e %%; %d field solutions in %.2f s (%.2f ms each)\n",
              100.0 * worst, evaluations, seconds, 1e3 * seconds / evaluations);

  // The figures quoted for the printed report, at round impedances.
  std::printf("\nQuoted cases (Zoe, Zoo = Zo^2 / Zoe):\n");
  struct Quoted {
    double zoe, sb;
  };
  for (const Quoted q : {Quoted{60, 0.3}, Quoted{60, 0.2}, Quoted{60, 0.1}, Quoted{55, 0.3},
                         Quoted{55, 0.2}, Quoted{55, 0.1}, Quoted{80, 0.3}, Quoted{100, 0.2},
                         Quoted{100, 0.3}}) {
    const SectionStrips r = quill::refine_offset_section(q.zoe, zo, er, q.sb * b, b);
    std::printf("  Zoe %5.1f (%5.2f dB) S/B %.1f", q.zoe, quill::coupling_db(q.zoe, zo * zo / q.zoe),
                q.sb);
    for (const auto& [name, c] : {std::pair{"tight", r.tight}, std::pair{"loose", r.loose}}) {
      if (std::isfinite(c.zoe)) {
        std::printf("  %s %6.2f/%6.2f ohm (%6.2f %%, %6.2f %%)", name, c.zoe, c.zoo, c.zoe_error_pct,
                    c.zoo_error_pct);
      } else {
        std::printf("  %s %-36s", name, "has no solution");
      }
    }
    std::printf("\n");
  }
  return 0;
}
