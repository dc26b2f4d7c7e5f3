#include <filesystem>

#include "cli/analysis_run.hpp"
#include "cli/artwork_outputs.hpp"
#include "cli/board_run.hpp"
#include "cli/commands.hpp"
#include "cli/exit_status.hpp"
#include "layout/layout_summary.hpp"

namespace quill {

int run_layout(const CliContext& ctx, const LayoutArgs& a) {
  if (!a.stackup)
    return ctx.fail(exit_usage, "needs --stackup STACK.toml: the copper is drawn in a board");
  const auto choice = layout_choice(ctx, a.artwork);
  if (!choice) return exit_usage;
  const std::string stem = std::filesystem::path(a.file).stem().string();
  std::vector<OutputRequest> outputs;
  if (!plan_outputs(ctx, artwork_requests(a.artwork, stem), ctx.path(a.file), outputs, ctx.path(*a.stackup)))
    return exit_usage;
  int status = exit_ok;
  const auto read = read_board_design(ctx, *a.stackup, a.file, status);
  if (!read) return status;
  const Stackup& stack = read->stack;
  const CouplerDesign& d = read->file.design;
  const auto built = build_in_board(ctx, d, stack, 2, false);
  std::string error;
  const auto layout = lay_out_coupler(d, *built, stack, *choice, error);
  if (!layout) return ctx.fail(exit_usage, error);
  ctx.env.out << layout_summary_text(*layout, a.artwork.inches);
  if (!ctx.stdout_written()) return exit_output_failed;
  return write_artwork(ctx, a.artwork, outputs, *layout, stack, a.file, stem);
}

}  // namespace quill
