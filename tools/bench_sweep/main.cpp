/// Measures how fast the analysis prints a long sweep. The work per point is
/// that of a real run: both mode cascades, the port waves and one formatted
/// data line through ReportOut.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <streambuf>
#include <string>

#include "analysis/section_model.hpp"
#include "analysis/sweep.hpp"
#include "common/constants.hpp"
#include "common/design.hpp"

namespace {

using namespace quill;

/// Swallows everything: isolates computing and formatting from the disk.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

/// A symmetrical coupler centred at 6000 MHz, built as the synthesis builds it.
CouplerDesign coupler(int n) {
  CouplerDesign d;
  d.ifunc = 1;
  d.n = n;
  d.z0 = 50;
  d.er = 2.2f;
  d.f0 = 6000;
  const float lambda = speed / d.f0;
  for (int i = 1; i <= n; ++i) {
    Section& s = d.sec(i);
    // Tightest in the middle, loosest at the ends, mirror-symmetric.
    const int from_edge = std::min(i, n + 1 - i);
    s.zoe = 1.05f + 0.7f * static_cast<float>(from_edge) / static_cast<float>((n + 1) / 2);
    s.zoo = 1.0f / s.zoe;
    s.length = (lambda * 0.25f) / sqrtf(d.er);
    d.total = d.total + s.length;
    s.thetae = 2.0f * pi * s.length / (lambda / sqrtf(d.er));
    s.thetao = s.thetae;
  }
  return d;
}

/// Wall-clock and processor seconds of one run. The machine is shared, so the
/// processor time is the steadier figure; the wall clock includes waiting.
struct Timing {
  double wall;
  double cpu;
};

double cpu_seconds() {
  return static_cast<double>(std::clock()) / static_cast<double>(CLOCKS_PER_SEC);
}

Timing run(const CouplerDesign& d, const AnalysisSettings& s, std::ostream& os) {
  ReportOut out(os, nullptr);
  const double c0 = cpu_seconds();
  const auto t0 = std::chrono::steady_clock::now();
  run_sweep(out, d, s);
  os.flush();
  const auto t1 = std::chrono::steady_clock::now();
  const double c1 = cpu_seconds();
  return {std::chrono::duration<double>(t1 - t0).count(), c1 - c0};
}

void report(const char* what, int points, Timing t) {
  std::printf("%-40s wall %7.3f s  cpu %7.3f s  %10.0f points/s (cpu)\n", what, t.wall, t.cpu,
              static_cast<double>(points) / t.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  // bench_sweep [output file [section count [print format]]]: by default both
  // section counts and both formats.
  const std::string file = argc > 1 ? argv[1] : "bench_sweep_out.txt";
  const int only_n = argc > 2 ? std::atoi(argv[2]) : 0;
  const int only_format = argc > 3 ? std::atoi(argv[3]) : 0;

  // 1000 to 8812.5 MHz in steps of 2^-7 MHz: exactly 1,000,000 steps, and
  // every frequency is representable, so the count is 1,000,001.
  AnalysisSettings s;
  s.fstart = 1000;
  s.fstop = 8812.5f;
  s.deltaf = 0.0078125f;
  s.iprint = 2;
  const int points = sweep_points(s.fstart, s.fstop, s.deltaf);

  for (int n : {9, 50}) {
    if (only_n != 0 && n != only_n) continue;
    const CouplerDesign d = coupler(n);
    for (int iprint : {2, 1}) {
      if (only_format != 0 && iprint != only_format) continue;
      s.iprint = iprint;
      NullBuffer null_buffer;
      std::ostream null_stream(&null_buffer);
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      if (!out) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return 1;
      }
      const Timing t_null = run(d, s, null_stream);
      const Timing t_file = run(d, s, out);
      char label[64];
      std::snprintf(label, sizeof label, "N=%d format %d, %d points, null", n, iprint,
                    points);
      report(label, points, t_null);
      std::snprintf(label, sizeof label, "N=%d format %d, %d points, file", n, iprint, points);
      report(label, points, t_file);
    }
  }
  std::remove(file.c_str());
  return 0;
}
