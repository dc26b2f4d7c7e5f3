/// How long the command line takes to export a long sweep: `quillomate
/// analyse` of a 9-section design file over 100,001 points, run in-process
/// into a temporary folder, with each export alone and all of them together.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.hpp"

namespace {

namespace fs = std::filesystem;

/// A 9-section symmetrical 10 dB design at 6000 MHz, swept 1000..11000 MHz in
/// 0.1 MHz steps: 100,001 points.
const char* const kDesign =
    "Benchmark: 9-section coupler\n9\n50\n2.2\n"
    "51.3\n6000\n53.0\n6000\n56.2\n6000\n61.8\n6000\n72.5\n6000\n61.8\n6000\n56.2\n6000\n53.0\n6000\n"
    "51.3\n6000\n"
    "1000\n11000\n0.1\n0.25\n0.05\n";

struct Folder {
  fs::path dir = fs::temp_directory_path() / ("quillomate-bench-" + std::to_string(::getpid()));
  Folder() {
    fs::create_directories(dir);
    std::ofstream(dir / "design.dat") << kDesign;
  }
  ~Folder() { fs::remove_all(dir); }
};

void export_run(benchmark::State& state, std::vector<std::string> outputs) {
  Folder folder;
  std::vector<std::string> args = {"analyse", "design.dat", "-q"};
  args.insert(args.end(), outputs.begin(), outputs.end());
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream out, err;
    quill::Surroundings env{in, out, err, [] { return quill::TimeStamp{2026, 7, 5, 9, 5, 3}; }, folder.dir};
    if (quill::run_program(env, args) != 0) state.SkipWithError(err.str().c_str());
  }
  state.SetItemsProcessed(state.iterations() * 100001);
}

void BM_Touchstone(benchmark::State& s) { export_run(s, {"--touchstone", "out.s4p"}); }
void BM_Csv(benchmark::State& s) { export_run(s, {"--csv", "out.csv"}); }
void BM_Plot(benchmark::State& s) { export_run(s, {"--plot", "out.svg"}); }
void BM_Report(benchmark::State& s) { export_run(s, {"--report", "out.txt"}); }
void BM_Everything(benchmark::State& s) {
  export_run(s, {"--report", "out.txt", "--touchstone", "out.s4p", "--csv", "out.csv", "--plot", "out.svg"});
}

BENCHMARK(BM_Touchstone)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Csv)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Plot)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Report)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Everything)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
