// Speed of the layered cross-section solver on the three example boards
// (data/stackups/*.toml, built here in code): one even/odd evaluation, and
// one with the filling factors and the wall derivative the losses need.

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "dimensions/stack_modes.hpp"

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

const std::array<Example, 3>& examples() {
  static const std::array<Example, 3> e = {{
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
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(EvenOddWithLosses)
    ->ArgsProduct({{0, 1, 2}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
