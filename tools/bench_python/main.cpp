// The C++ side of the Python module's benchmark: four_port over a sweep into
// one array allocated per run, as Design.analyse fills its numpy array.
//
//   bench_python DESIGN_FILE START STOP STEP [RUNS]
//
// Prints the point count and the best wall-clock time of RUNS runs, seconds.

#include <chrono>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "analysis/sweep.hpp"
#include "files/design_data_file.hpp"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: bench_python DESIGN_FILE START STOP STEP [RUNS]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const quill::DesignDataRead read = quill::read_design_data(in);
  if (read.fault != quill::EntryFile::none) {
    std::fprintf(stderr, "bench_python: %s: cannot read the design\n", argv[1]);
    return 2;
  }
  quill::AnalysisSettings s;
  s.fstart = std::strtof(argv[2], nullptr);
  s.fstop = std::strtof(argv[3], nullptr);
  s.deltaf = std::strtof(argv[4], nullptr);
  const int runs = argc > 5 ? std::atoi(argv[5]) : 7;
  const auto n = static_cast<std::size_t>(quill::sweep_points(s.fstart, s.fstop, s.deltaf));
  std::vector<float> freq;
  quill::for_each_frequency(s, [&freq](float f) { freq.push_back(f); });

  double best = 1e30;
  float checksum = 0;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    auto out = std::make_unique_for_overwrite<std::complex<float>[]>(16 * n);
    for (std::size_t k = 0; k < n; ++k) {
      const quill::FourPort f = quill::four_port(read.values.design, freq[k]);
      std::memcpy(static_cast<void*>(&out[16 * k]), f.s.data(), sizeof f.s);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds < best) best = seconds;
    checksum += out[16 * (n - 1) + 4].real();  // keeps the work from being optimised away
  }
  std::printf("%zu %.6f %g\n", n, best, static_cast<double>(checksum));
  return 0;
}
