#include "cli/analysis_run.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "cli/output_files.hpp"

namespace quill {

int run_analyse(const CliContext& ctx, const AnalyseArgs& a) {
  auto format = option_value(ctx, options::format, a.format);
  if (!format) return exit_usage;
  if (*format != 1.0f && *format != 2.0f)
    return ctx.fail(exit_usage, "--format must be 1 or 2 (got " + *a.format + ")");

  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx,
                    {{"--report", a.report},
                     {"--touchstone", a.exports.touchstone},
                     {"--csv", a.exports.csv},
                     {"--plot", a.exports.plot}},
                    ctx.path(a.file), outputs))
    return exit_usage;

  int status = exit_ok;
  auto file = read_design_argument(ctx, a.file, status);
  if (!file) return status;

  CouplerDesign d = file->design;
  AnalysisSettings sweep;
  sweep.fstart = file->fstart;
  sweep.fstop = file->fstop;
  sweep.deltaf = file->deltaf;
  AnalysisSettings s;
  if (!settings_from(ctx, a.sweep, sweep, d, s)) return exit_usage;
  s.iprint = static_cast<int>(*format);
  s.istore = 0;

  const AnalysisOutputs out{!a.quiet, requested(outputs, "--report"),
                            requested(outputs, "--touchstone"), requested(outputs, "--csv"),
                            requested(outputs, "--plot")};
  return run_analysis(ctx, d, s, out, a.file);
}

}  // namespace quill
