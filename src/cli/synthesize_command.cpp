#include <cmath>
#include <memory>

#include "analysis/band_figures.hpp"
#include "analysis/report.hpp"
#include "cli/analysis_run.hpp"
#include "cli/board_run.hpp"
#include "cli/stackup_argument.hpp"
#include "dimensions/stack_table.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "common/fixed.hpp"
#include "common/number.hpp"
#include "common/report_out.hpp"
#include "files/design_data_file.hpp"
#include "synthesis/equal_ripple.hpp"
#include "synthesis/table_synthesis.hpp"

namespace quill {

namespace {

/// A round step (1, 2 or 5 times a power of ten) near `span` / 400: enough
/// points to draw the ripple of a many-section design.
float round_step(float span) {
  const double raw = span / 400.0;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * decade >= raw) return static_cast<float>(m * decade);
  return static_cast<float>(10 * decade);
}

/// The sweep written with a synthesised design: the band with a quarter of
/// its width on either side, in round steps on round frequencies.
AnalysisSettings sweep_around(float flow, float fhigh) {
  const float width = fhigh - flow;
  AnalysisSettings s;
  s.deltaf = round_step(1.5f * width);
  const float step = s.deltaf;
  s.fstart = static_cast<float>(std::floor((flow - 0.25f * width) / step) * step);
  if (s.fstart <= 0) s.fstart = step;
  s.fstop = static_cast<float>(std::ceil((fhigh + 0.25f * width) / step) * step);
  return s;
}

/// The menu entry (1-based) holding `value`, or 0.
template <size_t N>
int entry_of(const std::array<float, N>& menu, float value, int last) {
  for (int k = 0; k < last; ++k)
    if (menu[static_cast<size_t>(k)] == value) return k + 1;
  return 0;
}

/// The checked request of a synthesize command.
struct Request {
  TableKind kind;
  float flow, fhigh, level, ripple;
  int sections = 0;       ///< 0: the smallest that fits
  float flat_tolerance;
  int icoup = 0, m = 0;   ///< the tables' menu entries, when the tables design it
  float zo, er, b, s;
};

/// Checks every value of the command; false after a message.
bool checked(const CliContext& ctx, const SynthesizeArgs& a, Request& r) {
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
  r.zo = *zo;
  r.er = *er;
  r.b = *b;
  r.s = *s;
  // The tables design a level and ripple they hold, unless the engine is asked for.
  if (!a.equal_ripple && r.sections == 0) {
    r.icoup = entry_of(coupling_levels(r.kind), r.level, 5);
    r.m = entry_of(menu_ripples, r.ripple, r.kind == TableKind::symmetrical ? 7 : 8);
    if (r.icoup == 0 || r.m == 0) r.icoup = r.m = 0;
  }
  return true;
}

/// One line from the dialogue's message, which spreads it over three.
std::string one_line(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') c = ' ';
    if (c != ' ' || (!line.empty() && line.back() != ' ')) line += c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

/// Designs the request into `d`, from the tables or with the engine. Returns
/// the exit status; 0 with `d` complete.
int design(const CliContext& ctx, const Request& r, CouplerDesign& d) {
  set_band(d, r.kind, r.flow, r.fhigh);
  if (r.icoup != 0) {
    auto block1 = std::make_unique<DesignTables>();
    const SectionSearch found = choose_table_row(d, *block1, r.icoup, r.m);
    if (!found.found) return ctx.fail(exit_no_design, one_line(too_wide_message(found.n)));
    lay_out_table_design(d, *block1, r.zo, r.er);
    return exit_ok;
  }
  RippleRequest request;
  request.form = r.kind == TableKind::symmetrical ? CouplerForm::symmetrical : CouplerForm::asymmetrical;
  request.level_db = r.level;
  request.ripple_db = r.ripple;
  request.flow_mhz = r.flow;
  request.fhigh_mhz = r.fhigh;
  request.sections = r.sections;
  request.flat_tolerance_db = r.flat_tolerance;
  const RippleResult result = synthesize_equal_ripple(request);
  switch (result.status) {
    case RippleResult::designed:
      break;
    case RippleResult::bad_request:
      return ctx.fail(exit_usage, result.reason);
    case RippleResult::no_fit: {
      const bool flat = r.ripple == 0;
      return ctx.fail(
          exit_no_design,
          "no " + std::string(r.kind == TableKind::symmetrical ? "symmetrical" : "asymmetrical") +
              " design of up to " + std::to_string(result.design.n) + " sections keeps " +
              plain_number(r.level) + " dB within +/- " + plain_number(flat ? r.flat_tolerance : r.ripple) +
              " dB from " + plain_number(r.flow) + " to " + plain_number(r.fhigh) + " MHz" +
              (flat ? " maximally flat" : "") + ": " + std::to_string(result.design.n) +
              " sections reach +/- " + decimals(static_cast<float>(result.best_deviation_db), 3) +
              " dB over that band");
    }
  }
  lay_out_engine_design(d, result.design, r.level, r.zo, r.er);
  return exit_ok;
}

/// What the board makes of the response over the band, beside the ideal's.
std::string board_response_lines(const CouplerDesign& ideal, const CouplerDesign& built,
                                 const Stackup& stack) {
  const BandFigures i = band_figures(ideal, ideal.flow, ideal.fhigh);
  const BandFigures b = band_figures(built, ideal.flow, ideal.fhigh);
  auto dec = [](double v, int d) { return decimals(static_cast<float>(v), d); };
  // An ideal coupler isolates perfectly and matches perfectly: its figures
  // are the floor of the arithmetic, not a measure of anything.
  auto db = [&dec](double v) { return v > 99.99 ? std::string("over 99.99") : dec(v, 2); };
  std::string t;
  t += "\n        - As built in " + stack.name + ", over the band (ideal design in brackets):\n";
  t += "          coupling " + dec(b.coupling_min_db, 3) + " to " + dec(b.coupling_max_db, 3) + " dB (" +
       dec(i.coupling_min_db, 3) + " to " + dec(i.coupling_max_db, 3) + "),\n";
  t += "          directivity at least " + db(b.directivity_db) + " dB (" + db(i.directivity_db) +
       "), return loss at least " + db(b.return_loss_db) + " dB (" + db(i.return_loss_db) + "),\n";
  t += "          quadrature within " + dec(b.quadrature_error_deg, 2) + " degrees (" +
       dec(i.quadrature_error_deg, 2) + ").\n";
  return t;
}

}  // namespace

int run_synthesize(const CliContext& ctx, const SynthesizeArgs& a) {
  if (a.stackup && !none_beside_board(ctx, {{"--b", a.b.has_value()},
                                            {"--s", a.s.has_value()},
                                            {"--velocity-ratio", a.sweep.velocity_ratio.has_value()},
                                            {"--loss", a.sweep.loss.has_value()}}))
    return exit_usage;
  Request r{};
  if (!checked(ctx, a, r)) return exit_usage;
  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx,
                    {{"--write-design", a.write_design},
                     {"--touchstone", a.exports.touchstone},
                     {"--csv", a.exports.csv},
                     {"--plot", a.exports.plot}},
                    {}, outputs, a.stackup ? ctx.path(*a.stackup) : std::filesystem::path()))
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

  CouplerDesign d;
  if (const int status = design(ctx, r, d); status != exit_ok) return status;

  const AnalysisSettings around = sweep_around(d.flow, d.fhigh);
  CouplerDesign analysed = d;
  AnalysisSettings settings;
  if (stack ? !sweep_from(ctx, a.sweep, around, settings) : !settings_from(ctx, a.sweep, around, analysed, settings))
    return exit_usage;
  if (stack && !suits_board(ctx, d, *stack)) return exit_usage;

  ReportOut out = ReportOut::plain(&ctx.env.out, nullptr);
  out.put(band_line(d));
  out.put(sections_line(d));
  out.put(swing_line(d, band_swing(d), r.icoup != 0 ? 0.0f : r.ripple));
  print_design_table(out, d);
  // In a board: its strips, and what the board makes of the response.
  std::optional<StackDesign> built;
  if (stack && !out.console_failed()) {
    built = build_in_board(ctx, d, *stack, 2, false);
    out.put(stack_table_text(d, *stack, *built));
    if (built->first_declined() == 0) {
      analysed = as_built(d, *built);
      out.put(board_response_lines(d, analysed, *stack));
    }
  }
  if (out.console_failed())
    return ctx.fail(exit_output_failed, "cannot write standard output: " + out.console_failure());
  if (!ctx.stdout_written()) return exit_output_failed;

  const std::string name = std::string(a.symmetrical ? "Symmetrical " : "Asymmetrical ") +
                           decimals(d.coupler, 2) + " dB +/- " + decimals(d.ripple, 2) + " dB coupler, " +
                           plain_number(d.flow) + " to " + plain_number(d.fhigh) + " MHz";
  if (!requested(outputs, "--write-design").empty()) {
    FileDesign fd{d, around.fstart, around.fstop, around.deltaf, r.b, r.s};
    const std::string title = "Quillomate design: " + name;  // the reader skips this line
    OutputFile file(requested(outputs, "--write-design"), ctx.env.open_output);
    if (!file.open()) return ctx.fail(exit_output_failed, "cannot create " + file.error());
    file.write(design_data_text(fd, title));
    if (!file.commit())
      return ctx.fail(exit_output_failed, "cannot write " + file.error() + "; the file was removed");
  }
  if (!a.exports.touchstone && !a.exports.csv && !a.exports.plot) return exit_ok;
  AnalysisOutputs exports{false, {}, requested(outputs, "--touchstone"), requested(outputs, "--csv"),
                          requested(outputs, "--plot")};
  settings.iprint = 2;
  if (stack) {
    if (const int i = built->first_declined(); i != 0)
      return ctx.fail(exit_usage, "section " + std::to_string(i) + " cannot be built in " + stack->name +
                                      ", so there is no response to export: " +
                                      built->sections[static_cast<size_t>(i - 1)].note);
    exports.board_notes = board_notes(*stack);
    exports.board = stack_summary(*stack);
    exports.board_name = std::filesystem::path(stack->name).filename().string();
    exports.ideal = &d;
  }
  return run_analysis(ctx, analysed, settings, exports, name);
}

}  // namespace quill
