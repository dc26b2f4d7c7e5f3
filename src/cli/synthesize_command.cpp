#include <cmath>
#include <memory>

#include "analysis/report.hpp"
#include "cli/analysis_run.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "common/number.hpp"
#include "common/report_out.hpp"
#include "files/design_data_file.hpp"
#include "synthesis/table_synthesis.hpp"

namespace quill {

namespace {

/// A round step (1, 2 or 5 times a power of ten) near `span` / 100.
float round_step(float span) {
  const double raw = span / 100.0;
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

}  // namespace

int run_synthesize(const CliContext& ctx, const SynthesizeArgs& a) {
  if (a.symmetrical == a.asymmetrical)
    return ctx.fail(exit_usage, "give exactly one of --symmetrical and --asymmetrical");
  const TableKind kind = a.symmetrical ? TableKind::symmetrical : TableKind::asymmetrical;

  auto flow = option_value(ctx, options::flow, a.flow);
  if (!flow) return exit_usage;
  auto fhigh = option_value(ctx, options::fhigh, a.fhigh);
  if (!fhigh) return exit_usage;
  if (!(*fhigh > *flow))
    return ctx.fail(exit_usage, "--fhigh (" + *a.fhigh + " MHz) must be above --flow (" + *a.flow + " MHz)");
  auto coupling = option_value(ctx, options::coupling, a.coupling);
  if (!coupling) return exit_usage;
  const int icoup = entry_of(coupling_levels(kind), *coupling, 5);
  if (icoup == 0)
    return ctx.fail(exit_usage, "--coupling " + *a.coupling + " dB is not a level of the " +
                                    (a.symmetrical ? "symmetrical" : "asymmetrical") +
                                    " tables (see quillomate synthesize --help)");
  auto ripple = option_value(ctx, options::ripple, a.ripple);
  if (!ripple) return exit_usage;
  const int m = entry_of(menu_ripples, *ripple, a.symmetrical ? 7 : 8);
  if (m == 0)
    return ctx.fail(exit_usage, "--ripple " + *a.ripple + " dB is not a ripple of the " +
                                    (a.symmetrical ? "symmetrical" : "asymmetrical") +
                                    " tables (see quillomate synthesize --help)");
  auto zo = option_value(ctx, options::zo, a.zo);
  if (!zo) return exit_usage;
  auto er = option_value(ctx, options::er, a.er);
  if (!er) return exit_usage;
  auto b = option_value(ctx, options::synth_b, a.b);
  if (!b) return exit_usage;
  auto s = option_value(ctx, options::synth_s, a.s);
  if (!s) return exit_usage;
  if (!(*s < *b))
    return ctx.fail(exit_usage, "the strip spacing S (" + shortest(*s) +
                                    " inches) must be below the ground-plane spacing B (" +
                                    shortest(*b) + " inches)");

  CouplerDesign d;
  set_band(d, kind, *flow, *fhigh);
  AnalysisSettings settings;
  CouplerDesign analysed;
  std::vector<OutputRequest> outputs;
  const bool analysing = a.exports.touchstone || a.exports.csv || a.exports.plot;
  if (!plan_outputs(ctx,
                    {{"--write-design", a.write_design},
                     {"--touchstone", a.exports.touchstone},
                     {"--csv", a.exports.csv},
                     {"--plot", a.exports.plot}},
                    {}, outputs))
    return exit_usage;

  auto block1 = std::make_unique<DesignTables>();
  const SectionSearch found = choose_table_row(d, *block1, icoup, m);
  if (!found.found) {
    // The dialogue's three lines, as one.
    std::string message = too_wide_message(found.n);
    std::string line;
    for (char c : message) {
      if (c == '\n') c = ' ';
      if (c != ' ' || (!line.empty() && line.back() != ' ')) line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return ctx.fail(exit_no_design, line);
  }
  lay_out_table_design(d, *block1, *zo, *er);

  const AnalysisSettings around = sweep_around(d.flow, d.fhigh);
  analysed = d;
  if (!settings_from(ctx, a.sweep, around, analysed, settings)) return exit_usage;

  ReportOut out = ReportOut::plain(&ctx.env.out, nullptr);
  out.put(band_line(d));
  out.put(sections_line(d));
  print_design_table(out, d);
  if (!ctx.stdout_written()) return exit_output_failed;

  const std::string name = std::string(a.symmetrical ? "Symmetrical " : "Asymmetrical ") +
                           shortest(d.coupler) + " dB +/- " + shortest(d.ripple) + " dB coupler, " +
                           shortest(d.flow) + " to " + shortest(d.fhigh) + " MHz";
  if (!requested(outputs, "--write-design").empty()) {
    FileDesign fd{d, around.fstart, around.fstop, around.deltaf, *b, *s};
    const std::string title = "Quillomate design: " + name;  // the reader skips this line
    OutputFile file(requested(outputs, "--write-design"));
    if (!file.open()) return ctx.fail(exit_output_failed, "cannot create " + file.error());
    file.write(design_data_text(fd, title));
    if (!file.commit())
      return ctx.fail(exit_output_failed, "cannot write " + file.error() + "; the file was removed");
  }
  if (!analysing) return exit_ok;
  AnalysisOutputs exports{false, {}, requested(outputs, "--touchstone"), requested(outputs, "--csv"),
                          requested(outputs, "--plot")};
  settings.iprint = 2;
  return run_analysis(ctx, analysed, settings, exports, name);
}

}  // namespace quill
