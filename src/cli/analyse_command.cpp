#include "cli/analysis_run.hpp"
#include "cli/board_run.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "cli/output_files.hpp"
#include "cli/stackup_argument.hpp"
#include "cli/artwork_outputs.hpp"
#include "dimensions/stack_table.hpp"
#include "layout/copper_lines.hpp"

namespace quill {

int run_analyse(const CliContext& ctx, const AnalyseArgs& a) {
  auto format = option_value(ctx, options::format, a.format);
  if (!format) return exit_usage;
  if (*format != 1.0f && *format != 2.0f)
    return ctx.fail(exit_usage, "--format must be 1 or 2 (got " + *a.format + ")");

  const bool shaped = a.layout.compensate || a.layout.corrections || a.layout.taper_length ||
                      a.layout.breakout_length || a.layout.port_spacing || a.layout.inches;
  if (shaped && !a.discontinuities)
    return ctx.fail(exit_usage,
                    "--compensate, --corrections, --taper-length, --breakout-length, --port-spacing and --inches "
                    "shape the copper --discontinuities models: give it too");
  if (a.discontinuities && !a.stackup)
    return ctx.fail(exit_usage, "--discontinuities models the copper in a board: give --stackup too");
  std::optional<LayoutChoice> choice;
  if (a.discontinuities && !(choice = layout_choice(ctx, a.layout))) return exit_usage;

  if (a.stackup && !none_beside_board(ctx, {{"--velocity-ratio", a.sweep.velocity_ratio.has_value()},
                                             {"--loss", a.sweep.loss.has_value()}}))
    return exit_usage;

  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx,
                    {{"--report", a.report},
                     {"--touchstone", a.exports.touchstone},
                     {"--csv", a.exports.csv},
                     {"--plot", a.exports.plot}},
                    ctx.path(a.file), outputs, a.stackup ? ctx.path(*a.stackup) : std::filesystem::path(),
                    a.quiet ? "" : "the report (-q keeps it off)"))
    return exit_usage;

  int status = exit_ok;
  std::optional<Stackup> stack;
  if (a.stackup) {
    stack = read_stackup_argument(ctx, *a.stackup, status);
    if (!stack) return status;
  }
  auto file = read_design_argument(ctx, a.file, status);
  if (!file) return status;

  CouplerDesign d = file->design;
  AnalysisSettings sweep;
  sweep.fstart = file->fstart;
  sweep.fstop = file->fstop;
  sweep.deltaf = file->deltaf;
  AnalysisSettings s;
  if (stack ? !sweep_from(ctx, a.sweep, sweep, s) : !settings_from(ctx, a.sweep, sweep, d, s)) return exit_usage;
  s.iprint = static_cast<int>(*format);
  s.istore = 0;

  AnalysisOutputs out;
  out.report_to_stdout = !a.quiet;
  out.report = requested(outputs, "--report");
  out.touchstone = requested(outputs, "--touchstone");
  out.csv = requested(outputs, "--csv");
  out.plot = requested(outputs, "--plot");
  if (!stack) return run_analysis(ctx, d, s, out, a.file);

  // The design as the board builds it, the ideal one beside it in the plot.
  if (!suits_board(ctx, d, *stack)) return exit_usage;
  const auto built = build_in_board(ctx, d, *stack, 2, true);
  if (!built) return exit_usage;
  const CouplerDesign ideal = d;
  out.board_notes = board_notes(*stack);
  out.board = stack_summary(*stack);
  out.board_name = std::filesystem::path(stack->name).filename().string();
  out.ideal = &ideal;
  CopperLines copper, most_delayed;
  if (choice) {
    std::string error;
    const auto layout = lay_out_coupler(d, *built, *stack, *choice, error);
    if (!layout) return ctx.fail(exit_usage, error);
    copper = copper_lines(d, *built, *stack, *layout);
    if (!copper.ok) return ctx.fail(exit_usage, copper.error);
    out.copper = &copper.lines;
    // A board whose file gives its steps' delays is modelled with them;
    // another with the calibrated ones, and the largest measured beside.
    if (!stack->step_kappas) {
      most_delayed = copper;
      delay_steps(most_delayed, largest_measured_kappas);
      out.copper_most_delayed = &most_delayed.lines;
    }
    const size_t stubs = layout->stubs.size();
    out.copper_words = std::string("With the copper as laid out") + (choice->compensate ? ", compensated" : "") +
                       (stubs == 0 ? " (breakouts and junctions)" : " (breakouts, junctions and stubs)");
    if (stubs != 0) out.copper_notes.push_back(std::to_string(stubs) + " stubs on each strip (layout names them)");
    if (stack->step_kappas) out.copper_notes.push_back("the steps' delays as measured in " + out.board_name);
  }
  return run_analysis(ctx, as_built(d, *built), s, out, a.file);
}

}  // namespace quill
