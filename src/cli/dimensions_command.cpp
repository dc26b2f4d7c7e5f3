#include "analysis/section_model.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "cli/option_table.hpp"
#include "cli/option_values.hpp"
#include "common/number.hpp"
#include "common/report_out.hpp"
#include "dimensions/dimension_report.hpp"
#include "dimensions/field_table.hpp"
#include "cli/analysis_run.hpp"
#include "cli/board_run.hpp"
#include "cli/file_set.hpp"
#include "cli/output_files.hpp"
#include "dimensions/stack_table.hpp"

namespace quill {

namespace {

/// The board's table, for `dimensions FILE --stackup STACK`.
int board_dimensions(const CliContext& ctx, const DimensionsArgs& a) {
  if (!none_beside_board(ctx, {{"--b", a.b.has_value()},
                               {"--s", a.s.has_value()},
                               {"--velocity-ratio", a.velocity_ratio.has_value()},
                               {"--loss", a.loss.has_value()},
                               {"--field-solve", a.field_solve}}))
    return exit_usage;
  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx, {{"--csv", a.csv}}, ctx.path(a.file), outputs, ctx.path(*a.stackup)))
    return exit_usage;
  int status = exit_ok;
  const auto read = read_board_design(ctx, *a.stackup, a.file, status);
  if (!read) return status;
  const Stackup& stack = read->stack;
  const FileDesign& file = read->file;
  const CouplerDesign& d = file.design;

  // The board's strips alone: the dialogue's report would print closed-form
  // strips, a feed width, a mode limit and lengths for the design file's
  // single dielectric, which is not this board's.
  ReportOut out = ReportOut::plain(&ctx.env.out, nullptr);
  const auto built = build_in_board(ctx, d, stack, a.centre == "overlap" ? 1 : 2, false);
  out.put(stack_table_text(d, stack, *built));
  if (a.csv && !out.console_failed())
    if (const int status = write_whole(ctx, requested(outputs, "--csv"), stack_table_csv(*built)); status != exit_ok)
      return status;
  if (out.console_failed())
    return ctx.fail(exit_output_failed, "cannot write standard output: " + out.console_failure());
  return ctx.stdout_written() ? exit_ok : exit_output_failed;
}

}  // namespace

int run_dimensions_command(const CliContext& ctx, const DimensionsArgs& a) {
  if (a.stackup) return board_dimensions(ctx, a);
  int status = exit_ok;
  auto file = read_design_argument(ctx, a.file, status);
  if (!file) return status;

  DimensionChoice c;
  auto b = option_value(ctx, options::b, a.b, file->gpsuser);
  if (!b) return exit_usage;
  auto s = option_value(ctx, options::s, a.s, file->suser);
  if (!s) return exit_usage;
  // The dialogue keeps its default when S is not below B, and the equations
  // then leave their domain; here it is a mistake to say so.
  if (!(*s < *b))
    return ctx.fail(exit_usage, "the strip spacing S (" + plain_number(*s) +
                                    " inches) must be below the ground-plane spacing B (" +
                                    plain_number(*b) + " inches)");
  c.gps = *b;
  c.s = *s;
  c.icenter = a.centre == "overlap" ? 1 : 2;

  // The design table shows the velocity and loss settings, as after an
  // analysis with those choices.
  auto ratio = option_value(ctx, options::velocity_ratio, a.velocity_ratio);
  if (!ratio) return exit_usage;
  auto loss = option_value(ctx, options::loss, a.loss);
  if (!loss) return exit_usage;
  CouplerDesign d = file->design;
  apply_velocity(d, *ratio);
  apply_loss(d, *loss);

  if (a.csv && !a.field_solve) return ctx.fail(exit_usage, "--csv needs --field-solve or --stackup");
  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx, {{"--csv", a.csv}}, ctx.path(a.file), outputs)) return exit_usage;
  // The field solver resolves strips from S/B = 0.01 to 0.99; nearer the
  // ends its basis must resolve ever finer gaps, and a section takes seconds.
  if (a.field_solve && !(c.s >= 0.01f * c.gps && c.s <= 0.99f * c.gps))
    return ctx.fail(exit_usage, "--field-solve takes S/B from 0.01 to 0.99; S/B here is " +
                                    plain_number(c.s / c.gps));
  // The field solver needs a sound cross-section: Zo below every Zoe.
  if (a.field_solve)
    for (int i = 1; i <= d.n; ++i)
      if (!(d.sec(i).zoe > 1.0f))
        return ctx.fail(exit_usage, "--field-solve: section " + std::to_string(i) + " has Zoe " +
                                        plain_number(d.sec(i).zoe * d.z0) + " ohms, not above Zo (" +
                                        plain_number(d.z0) + " ohms): no coupled strips have it");

  ReportOut out = ReportOut::plain(&ctx.env.out, nullptr);
  print_dimension_report(out, d, c, ctx.env.clock(), std::string());
  if (a.field_solve && !out.console_failed()) {
    const DesignStrips strips = refine_design(d, c);
    out.put(field_table_text(d, c, strips));
    if (a.csv)
      if (const int status = write_whole(ctx, requested(outputs, "--csv"), field_table_csv(strips)); status != exit_ok)
        return status;
  }
  if (out.console_failed())
    return ctx.fail(exit_output_failed, "cannot write standard output: " + out.console_failure());
  return ctx.stdout_written() ? exit_ok : exit_output_failed;
}

}  // namespace quill
