// Speed of the field solver and of the refinement built on it.

#include <benchmark/benchmark.h>

#include <cmath>

#include "dimensions/field_solver.hpp"
#include "dimensions/field_table.hpp"
#include "dimensions/strip_refine.hpp"

namespace {

/// One offset pair, both modes: narrow strips at a wide spacing up to wide
/// strips at a close one (state: S/B in hundredths, W/B in tenths).
void OffsetPair(benchmark::State& state) {
  const double sb = state.range(0) / 100.0, w = state.range(1) / 10.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quill::offset_pair_modes(w, 0.4 * w, sb, 1.0, 1.0));
  }
}
BENCHMARK(OffsetPair)->Args({30, 3})->Args({10, 10})->Args({5, 10})->Args({5, 20})
    ->Unit(benchmark::kMillisecond);

/// A symmetrical 9-section coupler, weak at the ends and tight in the centre
/// (about 40 dB to 12 dB), every section refined plus the plain strip; the
/// second case asks for superposed strips in the centre.
quill::CouplerDesign nine_sections() {
  quill::CouplerDesign d;
  d.n = 9;
  d.z0 = 50.0f;
  d.er = 2.2f;
  const float zoe[9] = {1.005f, 1.012f, 1.03f, 1.07f, 1.25f, 1.07f, 1.03f, 1.012f, 1.005f};
  for (int i = 1; i <= 9; ++i) {
    d.sec(i).zoe = zoe[i - 1];
    d.sec(i).zoo = 1.0f / zoe[i - 1];
  }
  return d;
}

void NineSectionDesign(benchmark::State& state) {
  const quill::CouplerDesign d = nine_sections();
  const quill::DimensionChoice c{0.25f, 0.025f, static_cast<int>(state.range(0))};
  for (auto _ : state) {
    benchmark::DoNotOptimize(quill::refine_design(d, c));
  }
}
BENCHMARK(NineSectionDesign)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
