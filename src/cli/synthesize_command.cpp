#include <cmath>
#include <limits>

#include "analysis/band_figures.hpp"
#include "analysis/report.hpp"
#include "cli/analysis_run.hpp"
#include "cli/artwork_outputs.hpp"
#include "cli/board_run.hpp"
#include "layout/layout_summary.hpp"
#include "cli/stackup_argument.hpp"
#include "dimensions/stack_table.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/file_set.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "common/fixed.hpp"
#include "common/number.hpp"
#include "common/report_out.hpp"
#include "files/design_data_file.hpp"
#include "synthesis/band_sweep.hpp"
#include "synthesis/equal_ripple.hpp"
#include "synthesis/synthesis_request.hpp"
#include "synthesis/table_synthesis.hpp"

namespace quill {

namespace {

/// The checked values of a synthesize command: the request, and the spacings
/// written with the design.
struct Request {
  SynthesisRequest synthesis;
  float b, s;
};

/// Checks every value of the command as it was typed (a message quotes the
/// text); false after a message. The engine checks the values again, in the
/// same words, for front ends that hand it numbers.
bool checked(const CliContext& ctx, const SynthesizeArgs& a, Request& request) {
  SynthesisRequest& r = request.synthesis;
  if (a.symmetrical == a.asymmetrical) {
    ctx.fail(exit_usage, "give exactly one of --symmetrical and --asymmetrical");
    return false;
  }
  r.kind = a.symmetrical ? TableKind::symmetrical : TableKind::asymmetrical;
  auto flow = option_value(ctx, options::flow, a.flow);
  if (!flow) return false;
  auto fhigh = option_value(ctx, options::fhigh, a.fhigh);
  if (!fhigh) return false;
  if (!(*fhigh > *flow)) {
    ctx.fail(exit_usage, "--fhigh (" + *a.fhigh + " MHz) must be above --flow (" + *a.flow + " MHz)");
    return false;
  }
  auto level = option_value(ctx, options::coupling, a.coupling);
  if (!level) return false;
  auto ripple = option_value(ctx, options::ripple, a.ripple);
  if (!ripple) return false;
  if (*ripple > 0 && *ripple < 0.01f) {
    ctx.fail(exit_usage, "--ripple must be 0 (maximally flat) or between 0.01 and 1.5 dB (got " + *a.ripple + ")");
    return false;
  }
  auto sections = option_value(ctx, options::sections, a.sections, 0.0f);
  if (!sections) return false;
  if (a.sections) {
    const float n = *sections;
    const bool whole = n == std::floor(n);
    const bool fits = a.symmetrical ? whole && static_cast<int>(n) % 2 == 1
                                    : whole && n >= 2 && n <= max_asymmetrical_sections;
    if (!fits) {
      ctx.fail(exit_usage, "--sections must be " +
                               std::string(a.symmetrical ? "odd, from 1 to 15," : "from 2 to 12") +
                               " for " + (a.symmetrical ? "a symmetrical" : "an asymmetrical") +
                               " coupler (got " + *a.sections + ")");
      return false;
    }
    r.sections = static_cast<int>(n);
  }
  auto tolerance = option_value(ctx, options::flat_tolerance, a.flat_tolerance);
  if (!tolerance) return false;
  auto zo = option_value(ctx, options::zo, a.zo);
  if (!zo) return false;
  auto er = option_value(ctx, options::er, a.er);
  if (!er) return false;
  auto b = option_value(ctx, options::synth_b, a.b);
  if (!b) return false;
  auto s = option_value(ctx, options::synth_s, a.s);
  if (!s) return false;
  if (!(*s < *b)) {
    ctx.fail(exit_usage, "the strip spacing S (" + plain_number(*s) +
                             " inches) must be below the ground-plane spacing B (" + plain_number(*b) +
                             " inches)");
    return false;
  }
  r.flow = *flow;
  r.fhigh = *fhigh;
  r.level = *level;
  r.ripple = *ripple;
  r.flat_tolerance = *tolerance;
  r.equal_ripple = a.equal_ripple;
  r.tables = a.tables;
  r.zo = *zo;
  r.er = *er;
  request.b = *b;
  request.s = *s;
  return true;
}

/// Designs the request into `o`. Returns the exit status; 0 with the design complete.
int design(const CliContext& ctx, const SynthesisRequest& r, SynthesisOutcome& o) {
  o = synthesize_request(r, options::request_names);
  switch (o.status) {
    case SynthesisOutcome::designed:
      return exit_ok;
    case SynthesisOutcome::no_design:
      return ctx.fail(exit_no_design, o.message);
    case SynthesisOutcome::bad_request:
      break;
  }
  return ctx.fail(exit_usage, o.message);
}

/// What the board makes of the response over the band, beside the ideal's.
std::string board_response_lines(const CouplerDesign& ideal, const CouplerDesign& built,
                                 const Stackup& stack) {
  const BandFigures i = band_figures(ideal, ideal.flow, ideal.fhigh);
  const BandFigures b = band_figures(built, ideal.flow, ideal.fhigh);
  return band_figures_text("As built in " + stack.name + ", over the band (ideal design in brackets)", b, &i);
}

}  // namespace

int run_synthesize(const CliContext& ctx, const SynthesizeArgs& a) {
  if (a.stackup && !none_beside_board(ctx, {{"--b", a.b.has_value()},
                                            {"--s", a.s.has_value()},
                                            {"--er", a.er.has_value()},
                                            {"--velocity-ratio", a.sweep.velocity_ratio.has_value()},
                                            {"--loss", a.sweep.loss.has_value()}}))
    return exit_usage;
  if (a.artwork.any() && !a.stackup)
    return ctx.fail(exit_usage, "the artwork options need --stackup STACK.toml: the copper is drawn in a board");
  Request r{};
  if (!checked(ctx, a, r)) return exit_usage;
  const auto choice = layout_choice(ctx, a.artwork);
  if (!choice) return exit_usage;
  // The artwork's files are named after the design file, when there is one.
  const std::string stem =
      a.write_design ? std::filesystem::path(*a.write_design).stem().string() : std::string("coupler");
  std::vector<NamedOutput> named = {{"--write-design", a.write_design},
                                                           {"--touchstone", a.exports.touchstone},
                                                           {"--csv", a.exports.csv},
                                                           {"--plot", a.exports.plot}};
  for (const auto& request : artwork_requests(a.artwork, stem)) named.push_back(request);
  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx, named, {}, outputs, a.stackup ? ctx.path(*a.stackup) : std::filesystem::path()))
    return exit_usage;
  std::optional<Stackup> stack;
  if (a.stackup) {
    int status = exit_ok;
    stack = read_stackup_argument(ctx, *a.stackup, status);
    if (!stack) return status;
    // The board's spacings go into the design file.
    r.b = static_cast<float>(stack->b_m() / metres_per_inch);
    r.s = static_cast<float>(stack->s_m() / metres_per_inch);
  }

  SynthesisOutcome outcome;
  if (const int status = design(ctx, r.synthesis, outcome); status != exit_ok) return status;
  CouplerDesign& d = outcome.design;

  const AnalysisSettings around = sweep_around(d.flow, d.fhigh);
  CouplerDesign analysed = d;
  AnalysisSettings settings;
  if (stack ? !sweep_from(ctx, a.sweep, around, settings) : !settings_from(ctx, a.sweep, around, analysed, settings))
    return exit_usage;
  if (stack && !suits_board(ctx, d, *stack)) return exit_usage;

  // In a board, everything that can still go wrong with the design is found
  // before a line is printed or a file written: a section the board cannot
  // build has no response to export, no copper to draw and no lengths to
  // write, and the breakouts may not fit what was asked of them.
  const bool exporting = a.exports.touchstone || a.exports.csv || a.exports.plot;
  std::optional<StackDesign> built;
  std::optional<CouplerLayout> layout;
  if (stack) {
    built = build_in_board(ctx, d, *stack, 2, false);
    // Nothing can be exported, drawn or written without every section.
    if (built->first_declined() != 0 && (exporting || a.artwork.any() || a.write_design))
      return ctx.fail(exit_usage, declined_message(*built, *stack));
    if (a.artwork.any()) {
      std::string error;
      layout = lay_out_coupler(d, *built, *stack, *choice, error);
      if (!layout) return ctx.fail(exit_usage, error);
    }
    // The design file has one dielectric constant: the one that gives its
    // sections the board's total length.
    if (built->first_declined() == 0) hold_board_length(d, *built);
  }

  ReportOut out = ReportOut::plain(&ctx.env.out, nullptr);
  if (!outcome.engine_instead.empty()) out.put("        - " + outcome.engine_instead + ".\n");
  out.put(band_line(d));
  out.put(sections_line(d));
  out.put(swing_line(d, band_swing(d), outcome.from_tables ? 0.0f : r.synthesis.ripple));
  if (!stack) {
    print_design_table(out, d);
  } else {
    // Lengths, velocities and losses are the board's, or not printed.
    const std::string board = std::filesystem::path(stack->name).filename().string();
    if (built->first_declined() == 0) {
      analysed = as_built(d, *built);
      std::string notes = "\n";
      for (const std::string& line : board_notes(*stack)) notes += "            " + line + "\n";
      out.put(notes);
      print_design_table(out, analysed, board);
    } else {
      CouplerDesign unbuilt = d;
      for (int i = 1; i <= unbuilt.n; ++i) unbuilt.sec(i).length = std::numeric_limits<float>::quiet_NaN();
      unbuilt.total = std::numeric_limits<float>::quiet_NaN();
      print_design_table(out, unbuilt, board);
    }
    out.put(stack_table_text(d, *stack, *built));
    if (built->first_declined() == 0) out.put(board_response_lines(d, analysed, *stack));
    if (a.write_design)
      out.put("\n        - " + std::filesystem::path(*a.write_design).filename().string() +
              " holds the board's B and S and Er " + plain_number(d.er) +
              ", which gives its sections the\n          board's total length; a design-data file has no layers: "
              "give --stackup " + *a.stackup + "\n          again for the board's numbers.\n");
  }
  if (out.console_failed())
    return ctx.fail(exit_output_failed, "cannot write standard output: " + out.console_failure());
  if (!ctx.stdout_written()) return exit_output_failed;
  if (layout) {
    ctx.env.out << layout_summary_text(*layout, a.artwork.inches);
    if (!ctx.stdout_written()) return exit_output_failed;
  }

  const std::string name = synthesis_name(d);
  if (!requested(outputs, "--write-design").empty()) {
    FileDesign fd{d, around.fstart, around.fstop, around.deltaf, r.b, r.s};
    const std::string title = synthesis_title(d);  // the reader skips this line
    if (const int status = write_whole(ctx, requested(outputs, "--write-design"), design_data_text(fd, title));
        status != exit_ok)
      return status;
  }
  if (layout) {
    if (const int status = write_artwork(ctx, a.artwork, outputs, *layout, *stack, name, stem); status != exit_ok)
      return status;
  }
  if (!exporting) return exit_ok;
  AnalysisOutputs exports;
  exports.report_to_stdout = false;
  exports.touchstone = requested(outputs, "--touchstone");
  exports.csv = requested(outputs, "--csv");
  exports.plot = requested(outputs, "--plot");
  settings.iprint = 2;
  if (stack) {
    exports.board_notes = board_notes(*stack);
    exports.board = stack_summary(*stack);
    exports.board_name = std::filesystem::path(stack->name).filename().string();
    exports.ideal = &d;
  }
  return run_analysis(ctx, analysed, settings, exports, name);
}

}  // namespace quill
