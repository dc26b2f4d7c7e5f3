// Speed of the layered cross-section solver on the three example boards
// (data/stackups/*.toml, built here in code): one even/odd evaluation, one
// with the filling factors and the wall derivative the losses need, the same
// on a board that is not mirror-stacked (no half-size solution), and a
// 9-section design refined end to end.

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "dimensions/stack_modes.hpp"
#include "dimensions/stack_strips.hpp"

namespace {

constexpr double mm = 1e-3, mil = 2.54e-5;

struct Layer {
  double t, er, tan_delta;
};

quill::Stackup board(const char* name, const std::vector<Layer>& layers, int strips, double copper) {
  quill::Stackup s;
  s.name = name;
  for (size_t k = 0; k < layers.size(); ++k)
    s.layers.push_back({layers[k].t, layers[k].er, layers[k].tan_delta, static_cast<int>(k) == strips});
  s.strips_layer = strips;
  s.copper_m = copper;
  return s;
}

struct Geometry {
  double w, w0;  ///< metres
};

/// Each board with strips from loose to tight coupling: offset, overlapping,
/// superposed and wide.
struct Example {
  quill::Stackup stack;
  std::array<Geometry, 3> strips;
};

const std::array<Example, 4>& examples() {
  static const std::array<Example, 4> e = {{
      {board("core-between-prepregs", {{0.5 * mm, 3.0, 0.002}, {0.254 * mm, 3.48, 0.0037}, {0.5 * mm, 3.0, 0.002}},
             1, 0.035 * mm),
       {{{0.3 * mm, 0.4 * mm}, {0.9 * mm, 0.5 * mm}, {0.6 * mm, 0.0}}}},
      {board("thin-tight-core",
             {{0.508 * mm, 3.48, 0.0037}, {0.15 * mm, 3.0, 0.002}, {0.1 * mm, 3.3, 0.003},
              {0.15 * mm, 3.0, 0.002}, {0.508 * mm, 3.48, 0.0037}},
             2, 0.018 * mm),
       {{{0.4 * mm, 0.45 * mm}, {0.8 * mm, 0.1 * mm}, {1.2 * mm, 0.0}}}},
      {board("ptfe-homogeneous", {{31 * mil, 2.2, 0.0009}, {10 * mil, 2.2, 0.0009}, {31 * mil, 2.2, 0.0009}}, 1,
             1.4 * mil),
       {{{30 * mil, 40 * mil}, {50 * mil, 20 * mil}, {80 * mil, 0.0}}}},
      // The first board with prepregs of unequal thickness: its two strips
      // differ, and the modes are solved at full size.
      {board("uneven-prepregs", {{0.4 * mm, 3.0, 0.002}, {0.254 * mm, 3.48, 0.0037}, {0.6 * mm, 3.0, 0.002}},
             1, 0.035 * mm),
       {{{0.3 * mm, 0.4 * mm}, {0.9 * mm, 0.5 * mm}, {0.6 * mm, 0.0}}}},
  }};
  return e;
}

/// state: board, strip geometry.
void run(benchmark::State& state, bool losses) {
  const Example& e = examples()[static_cast<size_t>(state.range(0))];
  const Geometry g = e.strips[static_cast<size_t>(state.range(1))];
  for (auto _ : state) benchmark::DoNotOptimize(quill::stack_pair_modes(e.stack, g.w, g.w0, losses));
  state.SetLabel(e.stack.name);
}

void EvenOddEvaluation(benchmark::State& state) { run(state, false); }
void EvenOddWithLosses(benchmark::State& state) { run(state, true); }

BENCHMARK(EvenOddEvaluation)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(EvenOddWithLosses)
    ->ArgsProduct({{0, 1, 2, 3}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

/// A symmetrical 9-section coupler, weak at the ends and tight in the centre
/// (about 40 dB to 12 dB, the design of bench_strips), every section refined
/// in the board with its losses and length: what `dimensions --stackup` does.
quill::CouplerDesign nine_sections() {
  quill::CouplerDesign d;
  d.n = 9;
  d.z0 = 50.0f;
  d.er = 3.0f;
  d.f0 = 4000.0f;
  const float zoe[9] = {1.005f, 1.012f, 1.03f, 1.07f, 1.25f, 1.07f, 1.03f, 1.012f, 1.005f};
  for (int i = 1; i <= 9; ++i) {
    d.sec(i).zoe = zoe[i - 1];
    d.sec(i).zoo = 1.0f / zoe[i - 1];
    d.sec(i).length = 11811.0234375f / d.f0 / 4.0f / 1.7320508f;
  }
  return d;
}

void NineSectionDesign(benchmark::State& state) {
  const Example& e = examples()[static_cast<size_t>(state.range(0))];
  const quill::CouplerDesign d = nine_sections();
  for (auto _ : state) benchmark::DoNotOptimize(quill::refine_stack_design(d, e.stack, 2));
  state.SetLabel(e.stack.name);
}
BENCHMARK(NineSectionDesign)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
