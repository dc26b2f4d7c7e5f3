/// bench_synthesis: how long synthesize_equal_ripple takes.
///
/// First the Google Benchmark timings of a spread of requests (both forms,
/// small and large section counts, maximally flat, a band no count covers),
/// then the distribution of single-run times over the 2,000 requests
/// verify_synthesis generates, overall and for designs of at most 9 sections.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "generated_requests.hpp"
#include "synthesis/equal_ripple.hpp"

namespace {

using namespace quill;

struct Case {
  const char* name;
  RippleRequest request;
};

RippleRequest request_of(CouplerForm form, double level, double ripple, double flow, double fhigh, int sections = 0) {
  RippleRequest s;
  s.form = form;
  s.level_db = level;
  s.ripple_db = ripple;
  s.flow_mhz = flow;
  s.fhigh_mhz = fhigh;
  s.sections = sections;
  return s;
}

constexpr CouplerForm sym = CouplerForm::symmetrical;
constexpr CouplerForm asym = CouplerForm::asymmetrical;

const std::vector<Case>& cases() {
  static const std::vector<Case> list = {
      {"sym_10dB_0.3dB_2to4GHz", request_of(sym, 10.0, 0.3, 2000.0, 4000.0)},
      {"sym_3dB_0.1dB_1to6GHz", request_of(sym, 3.0, 0.1, 1000.0, 6000.0)},
      {"sym_20dB_0.05dB_decade_N15", request_of(sym, 20.0, 0.05, 1000.0, 10000.0, 15)},
      {"sym_8.34dB_flat_octave", request_of(sym, 8.34, 0.0, 2000.0, 4000.0)},
      {"sym_3dB_0.01dB_too_wide", request_of(sym, 3.0, 0.01, 100.0, 10000.0)},
      {"asym_10dB_0.3dB_2to8GHz", request_of(asym, 10.0, 0.3, 2000.0, 8000.0)},
      {"asym_3dB_0.1dB_1to10GHz", request_of(asym, 3.0, 0.1, 1000.0, 10000.0)},
      {"asym_20dB_flat_octave", request_of(asym, 20.0, 0.0, 2000.0, 4000.0)},
      {"asym_6dB_0.5dB_too_wide_N12", request_of(asym, 6.0, 0.5, 100.0, 10000.0)},
  };
  return list;
}

void synthesise(benchmark::State& state, const RippleRequest& request) {
  for (auto _ : state) {
    RippleResult r = synthesize_equal_ripple(request);
    benchmark::DoNotOptimize(r);
  }
  const RippleResult r = synthesize_equal_ripple(request);
  state.counters["N"] = r.design.n;
}


void print_distribution(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * static_cast<double>(ms.size() - 1))]; };
  std::printf("  %-28s %5zu runs: median %.3f ms, p90 %.3f ms, max %.3f ms\n", what, ms.size(), at(0.5), at(0.9),
              ms.back());
}

void distribution() {
  std::vector<double> all, small, large;
  for (const RippleRequest& s : tools::generated_requests()) {
    const auto t0 = std::chrono::steady_clock::now();
    const RippleResult r = synthesize_equal_ripple(s);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    all.push_back(ms);
    (r.design.n <= 9 ? small : large).push_back(ms);
  }
  std::printf("\nsynthesize_equal_ripple over 2,000 generated requests:\n");
  print_distribution("all", all);
  print_distribution("designs of N <= 9", small);
  print_distribution("designs of N > 9", large);
}

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : cases())
    benchmark::RegisterBenchmark(c.name, [&c](benchmark::State& st) { synthesise(st, c.request); })
        ->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  distribution();
  return 0;
}
