// Where a coupler's directivity goes: fits the per-mode parasitics of its
// ends and junctions (analysis/discontinuities.hpp) to a full-wave matrix of
// its copper, and says how much of the measured directivity the circuit model
// then accounts for.
//
// Usage: extract_discontinuities DESIGN.dat STACK.toml FULLWAVE.s4p [--ends C_E L_E C_O L_O] [--each]
//        extract_discontinuities DESIGN.dat STACK.toml FULLWAVE.s4p --steps [--compensate]
//                                [--tied | --end-kappas EE EO | --kappas EE EO JE JO] [--band LO HI] [--no-stubs] [--no-trims]
//   With --ends (pF, nH, pF, nH: from a lone section's fit) the ends are
//   held and only the junctions fitted; --each fits every junction its own.
//   A lone section (one section, no junction) fits the ends.
//   With --steps the copper as laid out (layout/copper_lines.hpp, plain or
//   --compensate) is compared instead, and the steps' kappas per mode (at
//   the ends and at the junctions) that bring it closest are fitted; with
//   --end-kappas the ends' are held (from a lone section's fit) and the
//   junctions' fitted; with --kappas all are held: the check on a design
//   they were not fitted on; --tied fits one kappa per mode for every step.
//   The figures are taken over --band (MHz; default the whole file). The
//   layout must be the one the full-wave run modelled: --no-stubs for a run
//   compensated without stubs, --no-trims for one whose sections' lengths
//   were not trimmed (a board file that gained [step_delays] since
//   then places stubs). A fit ends with the board file's [step_delays].
//   Environment: MODES=1 prints each mode's phase and reflection against the
//   model; LC=1 fits each mode's step inductance and capacitance apart (a
//   step that reflects as well as delays) and prints what that explains;
//   COUPLING=1 prints the coupling at each frequency, full-wave, the copper,
//   and the copper without its breakouts.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/discontinuities.hpp"
#include "dimensions/stack_strips.hpp"
#include "files/design_data_file.hpp"
#include "files/stackup_file.hpp"
#include "layout/copper_lines.hpp"

namespace {

using quill::CouplerMatrix;

/// The frequencies (MHz) and matrices of a Touchstone 1.1 file of four ports
/// as `quillomate fullwave` writes it: MHz, real and imaginary.
bool read_s4p(const std::string& path, std::vector<double>& f, std::vector<CouplerMatrix>& s) {
  std::ifstream in(path);
  if (!in) return false;
  std::vector<double> numbers;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '!' || line[0] == '#') continue;
    std::istringstream words(line);
    for (double v; words >> v;) numbers.push_back(v);
  }
  for (size_t at = 0; at + 33 <= numbers.size(); at += 33) {
    f.push_back(numbers[at]);
    CouplerMatrix m;
    for (size_t i = 0; i < 4; ++i)
      for (size_t j = 0; j < 4; ++j) m[i][j] = {numbers[at + 1 + 8 * i + 2 * j], numbers[at + 2 + 8 * i + 2 * j]};
    s.push_back(m);
  }
  return !f.empty();
}

double db(std::complex<double> v) { return 20.0 * std::log10(std::abs(v)); }

/// Least directivity over the matrices, dB.
double least_directivity(const std::vector<CouplerMatrix>& s) {
  double least = INFINITY;
  for (const CouplerMatrix& m : s) least = std::min(least, db(m[1][0]) - db(m[2][0]));
  return least;
}

void print(const char* where, const quill::Discontinuity& d) {
  std::printf("  %-12s even %8.4f pF %8.4f nH   odd %8.4f pF %8.4f nH\n", where, d.even.shunt_f * 1e12,
              d.even.series_h * 1e9, d.odd.shunt_f * 1e12, d.odd.series_h * 1e9);
}

struct Figures {
  double lo = INFINITY, hi = -INFINITY, directivity = INFINITY, return_loss = INFINITY;
};

Figures figures(const std::vector<CouplerMatrix>& s, const std::vector<double>& f, double flo, double fhi) {
  Figures out;
  for (size_t k = 0; k < s.size(); ++k) {
    if (f[k] < flo || f[k] > fhi) continue;
    const double c = -db(s[k][1][0]);
    out.lo = std::min(out.lo, c);
    out.hi = std::max(out.hi, c);
    out.directivity = std::min(out.directivity, db(s[k][1][0]) - db(s[k][2][0]));
    out.return_loss = std::min(out.return_loss, -db(s[k][0][0]));
  }
  return out;
}

/// The copper's lines against the full-wave matrices: fits the kappas not
/// held (`held` 0 none, 2 the ends', 4 all) and prints both models' figures.
int steps(const quill::CouplerDesign& ideal, const quill::StackDesign& built, const quill::Stackup& stack,
          bool compensate, const quill::LayoutChoice::Corrections& corrections, int held, bool tied, quill::StepKappas kappas, const double* band, const std::vector<double>& f,
          const std::vector<CouplerMatrix>& measured) {
  quill::LayoutChoice choice;
  choice.compensate = compensate;
  choice.corrections = corrections;
  std::string error;
  const auto layout = quill::lay_out_coupler(ideal, built, stack, choice, error);
  if (!layout) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 3;
  }
  quill::CopperPieces pieces;
  pieces.conductor_loss = false;
  quill::CopperLines lines = quill::copper_lines(ideal, built, stack, *layout, pieces);
  if (!lines.ok) {
    std::fprintf(stderr, "%s\n", lines.error.c_str());
    return 3;
  }
  if (std::getenv("COUPLING") != nullptr) {
    // The coupling at each frequency: full-wave, the copper, and the copper
    // without its breakouts (the sections as laid out, from port plane to port plane).
    quill::CopperPieces bare = pieces;
    bare.breakouts = false;
    const quill::CopperLines no_breakouts = quill::copper_lines(ideal, built, stack, *layout, bare);
    for (size_t k = 0; k < f.size(); k += 2)
      std::printf("  %5.0f MHz  full-wave %7.3f  copper %7.3f  without breakouts %7.3f\n", f[k], -db(measured[k][1][0]),
                  -db(quill::mode_lines_matrix(lines.lines, ideal.z0, f[k])[1][0]),
                  -db(quill::mode_lines_matrix(no_breakouts.lines, ideal.z0, f[k])[1][0]));
  }
  auto cost = [&](const quill::StepKappas& k) {
    quill::delay_steps(lines, k);
    double sum = 0;
    for (size_t i = 0; i < f.size(); ++i) {
      const CouplerMatrix m = quill::mode_lines_matrix(lines.lines, ideal.z0, f[i]);
      for (size_t r = 0; r < 4; ++r) sum += std::norm(m[r][0] - measured[i][r][0]);
    }
    return sum;
  };
  if (std::getenv("LC") != nullptr) {
    // Each mode's step as a T whose inductance and capacitance take their
    // own kappas (tied ends and junctions): a step that reflects as well as delays.
    std::array<double, 4> lc = {0.077, 0.077, 0.305, 0.305};  // L even, C even, L odd, C odd
    auto set = [&](const std::array<double, 4>& v) {
      std::array<std::vector<quill::ModeLine>*, 2> ml = {&lines.lines.even, &lines.lines.odd};
      for (const quill::StepPlace& p : lines.steps)
        for (size_t m = 0; m < 2; ++m) {
          quill::ModeLine& t = (*ml[m])[p.at[m]];
          t.series_h = p.z_ohm[m] * v[2 * m] * p.delay_s[m];
          t.shunt_f = v[2 * m + 1] * p.delay_s[m] / p.z_ohm[m] + p.stub_f;
        }
    };
    auto lc_cost = [&](const std::array<double, 4>& v) {
      set(v);
      double sum = 0;
      for (size_t i = 0; i < f.size(); ++i) {
        const CouplerMatrix m = quill::mode_lines_matrix(lines.lines, ideal.z0, f[i]);
        for (size_t r = 0; r < 4; ++r) sum += std::norm(m[r][0] - measured[i][r][0]);
      }
      return sum;
    };
    for (double span : {2.0, 0.2, 0.02, 0.002})
      for (int sweep = 0; sweep < 6; ++sweep)
        for (size_t p = 0; p < 4; ++p) {
          const double centre = lc[p];
          double best = INFINITY, at = centre;
          for (int i = -10; i <= 10; ++i) {
            lc[p] = centre + span * i / 10.0;
            const double c = lc_cost(lc);
            if (c < best) {
              best = c;
              at = lc[p];
            }
          }
          lc[p] = at;
        }
    set(lc);
    std::vector<CouplerMatrix> fitted;
    double worst = 0;
    for (size_t i = 0; i < f.size(); ++i) {
      fitted.push_back(quill::mode_lines_matrix(lines.lines, ideal.z0, f[i]));
      worst = std::max(worst, std::fabs(db(fitted.back()[1][0]) - db(measured[i][1][0])));
    }
    const Figures fw = figures(measured, f, f.front(), f.back()), cu = figures(fitted, f, f.front(), f.back());
    std::printf("  L/C kappas: even %.3f %.3f, odd %.3f %.3f; rms %.5f\n", lc[0], lc[1], lc[2], lc[3],
                std::sqrt(lc_cost(lc) / (4.0 * static_cast<double>(f.size()))));
    std::printf("  full-wave %7.3f to %7.3f  %7.2f %7.2f\n  L/C model %7.3f to %7.3f  %7.2f %7.2f; coupling within %.3f dB\n",
                fw.lo, fw.hi, fw.directivity, fw.return_loss, cu.lo, cu.hi, cu.directivity, cu.return_loss, worst);
    return 0;
  }
  std::array<double*, 4> unknown = {&kappas.end_even, &kappas.end_odd, &kappas.junction_even, &kappas.junction_odd};
  const bool junctions = ideal.n > 1 && !tied;
  // Coordinate by coordinate over a shrinking grid: four smooth unknowns.
  for (double span : {2.0, 0.2, 0.02, 0.002})
    for (int sweep = 0; sweep < 4; ++sweep)
      for (size_t p = static_cast<size_t>(held); p < (junctions ? 4u : 2u); ++p) {
        const double centre = *unknown[p];
        double best = INFINITY, at = centre;
        for (int i = -10; i <= 10; ++i) {
          *unknown[p] = centre + span * i / 10.0;
          if (tied) {
            kappas.junction_even = kappas.end_even;
            kappas.junction_odd = kappas.end_odd;
          }
          const double c = cost(kappas);
          if (c < best) {
            best = c;
            at = *unknown[p];
          }
        }
        *unknown[p] = at;
        if (tied) {
          kappas.junction_even = kappas.end_even;
          kappas.junction_odd = kappas.end_odd;
        }
      }
  const auto be = kappas;
  const double rms = std::sqrt(cost(be) / (4.0 * static_cast<double>(f.size())));
  std::vector<CouplerMatrix> copper;
  for (double v : f) copper.push_back(quill::mode_lines_matrix(lines.lines, ideal.z0, v));
  quill::delay_steps(lines, {});
  std::vector<CouplerMatrix> undelayed;
  for (double v : f) undelayed.push_back(quill::mode_lines_matrix(lines.lines, ideal.z0, v));
  const double flo = band ? band[0] : f.front(), fhi = band ? band[1] : f.back();
  const Figures fw = figures(measured, f, flo, fhi), cu = figures(copper, f, flo, fhi), un = figures(undelayed, f, flo, fhi);
  double worst = 0;
  for (size_t k = 0; k < f.size(); ++k)
    if (f[k] >= flo && f[k] <= fhi) worst = std::max(worst, std::fabs(db(copper[k][1][0]) - db(measured[k][1][0])));
  std::printf("  kappas: ends even %.3f odd %.3f, junctions even %.3f odd %.3f (%s); %zu steps, %d cross-sections; "
              "rms %.5f\n",
              be.end_even, be.end_odd, be.junction_even, be.junction_odd,
              held == 4 ? "held" : held == 2 ? "ends held" : "fitted", lines.steps.size(), lines.solves, rms);
  if (held < 4)
    std::printf("  for the board's file:\n    [step_delays]\n    end_even = %.3f\n    end_odd = %.3f\n"
                "    junction_even = %.3f\n    junction_odd = %.3f\n",
                be.end_even, be.end_odd, be.junction_even, be.junction_odd);
  std::printf("  %.0f to %.0f MHz       coupling, dB       directivity  return loss\n", flo, fhi);
  std::printf("  full-wave            %7.3f to %7.3f   %7.2f      %7.2f\n", fw.lo, fw.hi, fw.directivity, fw.return_loss);
  std::printf("  copper, delayed      %7.3f to %7.3f   %7.2f      %7.2f\n", cu.lo, cu.hi, cu.directivity, cu.return_loss);
  std::printf("  copper, no delays    %7.3f to %7.3f   %7.2f      %7.2f\n", un.lo, un.hi, un.directivity, un.return_loss);
  std::printf("  coupling, delayed copper against full-wave: within %.3f dB\n", worst);
  if (std::getenv("MODES") != nullptr) {
    // Each mode apart: its transmission's phase and its reflection, both models.
    std::printf("  MHz   even: dphase deg  |G| fw  |G| cu  delayed    odd: dphase deg  |G| fw  |G| cu  delayed\n");
    for (size_t k = 0; k < f.size(); k += 4) {
      const CouplerMatrix &m = measured[k], &c = undelayed[k], &dl = copper[k];
      const std::complex<double> te = m[3][0] + m[2][0], to = m[3][0] - m[2][0];
      const std::complex<double> ce = c[3][0] + c[2][0], co = c[3][0] - c[2][0];
      const std::complex<double> ge = m[0][0] + m[1][0], go = m[0][0] - m[1][0];
      const std::complex<double> cge = c[0][0] + c[1][0], cgo = c[0][0] - c[1][0];
      const std::complex<double> dge = dl[0][0] + dl[1][0], dgo = dl[0][0] - dl[1][0];
      std::printf("  %5.0f  %8.3f  %7.4f %7.4f %7.4f   %8.3f  %7.4f %7.4f %7.4f\n", f[k], std::arg(te / ce) * 57.29578,
                  std::abs(ge), std::abs(cge), std::abs(dge), std::arg(to / co) * 57.29578, std::abs(go), std::abs(cgo),
                  std::abs(dgo));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: extract_discontinuities DESIGN.dat STACK.toml FULLWAVE.s4p [--ends CE LE CO LO] [--each]\n");
    return 2;
  }
  std::ifstream design_file(argv[1]);
  const quill::DesignDataRead design = quill::read_design_data(design_file);
  if (design.fault != quill::EntryFile::none) {
    std::fprintf(stderr, "%s: cannot read the design\n", argv[1]);
    return 3;
  }
  std::ifstream stack_file(argv[2]);
  std::stringstream stack_text;
  stack_text << stack_file.rdbuf();
  const quill::StackupRead stack = quill::read_stackup_text(stack_text.str(), argv[2]);
  if (!stack.ok) {
    std::fprintf(stderr, "%s\n", stack.message.c_str());
    return 3;
  }
  std::vector<double> f;
  std::vector<CouplerMatrix> measured;
  if (!read_s4p(argv[3], f, measured)) {
    std::fprintf(stderr, "%s: no four-port matrices\n", argv[3]);
    return 3;
  }
  quill::Discontinuities start;
  bool ends_known = false, each = false, by_steps = false, compensate = false, tied = false;
  quill::LayoutChoice::Corrections corrections;
  double band[2] = {0, 0};
  bool band_given = false;
  int held = 0;
  quill::StepKappas kappas;
  for (int k = 4; k < argc; ++k) {
    const std::string word = argv[k];
    if (word == "--each") each = true;
    if (word == "--steps") by_steps = true;
    if (word == "--tied") tied = true;
    if (word == "--compensate") compensate = true;
    if (word == "--no-stubs") corrections.stubs = false;
    if (word == "--no-trims") corrections.lengths = false;
    if (word == "--band" && k + 2 < argc) {
      band[0] = std::stod(argv[k + 1]);
      band[1] = std::stod(argv[k + 2]);
      band_given = true;
      k += 2;
    }
    if (word == "--end-kappas" && k + 2 < argc) {
      kappas.end_even = std::stod(argv[k + 1]);
      kappas.end_odd = std::stod(argv[k + 2]);
      held = 2;
      k += 2;
    }
    if (word == "--kappas" && k + 4 < argc) {
      kappas = {std::stod(argv[k + 1]), std::stod(argv[k + 2]), std::stod(argv[k + 3]), std::stod(argv[k + 4])};
      held = 4;
      k += 4;
    }
    if (word == "--ends" && k + 4 < argc) {
      start.ends = {{std::stod(argv[k + 1]) * 1e-12, std::stod(argv[k + 2]) * 1e-9},
                    {std::stod(argv[k + 3]) * 1e-12, std::stod(argv[k + 4]) * 1e-9}};
      ends_known = true;
      k += 4;
    }
  }
  // The design as the board builds it, without the conductor loss the
  // full-wave model's perfect strips lack: the circuit model of fullwave.
  const quill::CouplerDesign& ideal = design.values.design;
  const quill::StackDesign built = quill::refine_stack_design(ideal, stack.stackup, 2);
  if (by_steps) return steps(ideal, built, stack.stackup, compensate, corrections, held, tied, kappas, band_given ? band : nullptr, f, measured);
  quill::CouplerDesign d = quill::as_built(ideal, built);
  for (int i = 1; i <= d.n; ++i) d.sec(i).sigmae = d.sec(i).sigmao = 0.0f;

  const quill::DiscontinuityFit fit = quill::fit_discontinuities(d, f, measured, start, ends_known, !each);
  std::vector<CouplerMatrix> plain, fitted;
  for (double v : f) {
    plain.push_back(quill::coupler_matrix(d, {}, v));
    fitted.push_back(quill::coupler_matrix(d, fit.fitted, v));
  }
  std::printf("%s in %s, %zu frequencies %.0f to %.0f MHz\n", argv[1], argv[2], f.size(), f.front(), f.back());
  print(ends_known ? "ends (held)" : "ends", fit.fitted.ends);
  for (size_t k = 0; k < fit.fitted.junctions.size(); ++k)
    print(("junction " + std::to_string(k + 1) + "-" + std::to_string(k + 2)).c_str(), fit.fitted.junctions[k]);
  std::printf("  residual rms %.5f after %d iterations\n", fit.rms, fit.iterations);
  std::printf("  least directivity: full-wave %.2f dB, circuit %.2f dB, circuit with these %.2f dB\n",
              least_directivity(measured), least_directivity(plain), least_directivity(fitted));
  double worst_coupling = 0;
  for (size_t k = 0; k < f.size(); ++k)
    worst_coupling = std::max(worst_coupling, std::fabs(db(fitted[k][1][0]) - db(measured[k][1][0])));
  std::printf("  coupling, circuit with these against full-wave: within %.3f dB\n", worst_coupling);
  return 0;
}
