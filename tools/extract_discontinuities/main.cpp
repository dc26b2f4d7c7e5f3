// Where a coupler's directivity goes: fits the per-mode parasitics of its
// ends and junctions (analysis/discontinuities.hpp) to a full-wave matrix of
// its copper, and says how much of the measured directivity the circuit model
// then accounts for.
//
// Usage: extract_discontinuities DESIGN.dat STACK.toml FULLWAVE.s4p [--ends C_E L_E C_O L_O] [--each]
//   With --ends (pF, nH, pF, nH: from a lone section's fit) the ends are
//   held and only the junctions fitted; --each fits every junction its own.
//   A lone section (one section, no junction) fits the ends.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/discontinuities.hpp"
#include "dimensions/stack_strips.hpp"
#include "files/design_data_file.hpp"
#include "files/stackup_file.hpp"

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
  bool ends_known = false, each = false;
  for (int k = 4; k < argc; ++k) {
    const std::string word = argv[k];
    if (word == "--each") each = true;
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
  quill::CouplerDesign d = quill::as_built(ideal, quill::refine_stack_design(ideal, stack.stackup, 2));
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
