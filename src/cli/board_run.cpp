#include "cli/board_run.hpp"

#include "cli/exit_status.hpp"
#include "cli/stackup_argument.hpp"
#include "common/number.hpp"
#include "dimensions/stack_table.hpp"

namespace quill {

bool none_beside_board(const CliContext& ctx, const std::vector<std::pair<std::string_view, bool>>& given) {
  for (const auto& [option, present] : given) {
    if (!present) continue;
    ctx.fail(exit_usage, std::string(option) + " cannot be given with --stackup: the board decides it");
    return false;
  }
  return true;
}

bool suits_board(const CliContext& ctx, const CouplerDesign& d, const Stackup& stack) {
  // Nearer the ends the solver must resolve ever finer gaps, and a section
  // takes seconds: the same bounds as the ideal board's field solution.
  const double sb = stack.s_m() / stack.b_m();
  if (!(sb >= 0.01 && sb <= 0.99)) {
    ctx.fail(exit_usage, "--stackup " + stack.name + ": takes S/B from 0.01 to 0.99; S/B here is " +
                             plain_number(static_cast<float>(sb)));
    return false;
  }
  for (int i = 1; i <= d.n; ++i) {
    if (d.sec(i).zoe > 1.0f) continue;
    ctx.fail(exit_usage, "--stackup: section " + std::to_string(i) + " has Zoe " +
                             plain_number(d.sec(i).zoe * d.z0) + " ohms, not above Zo (" + plain_number(d.z0) +
                             " ohms): no coupled strips have it");
    return false;
  }
  return true;
}

std::optional<StackDesign> build_in_board(const CliContext& ctx, const CouplerDesign& d,
                                          const Stackup& stack, int icenter, bool whole) {
  StackDesign built = refine_stack_design(d, stack, icenter);
  if (whole) {
    if (const int i = built.first_declined(); i != 0) {
      ctx.fail(exit_usage, declined_message(built, stack));
      return std::nullopt;
    }
  }
  return built;
}

std::vector<std::string> board_notes(const Stackup& stack) {
  return {"As built in the board of " + stack.name + ":",
          "field-solved impedances; phase velocities as fractions of c;",
          "losses (conductor plus dielectric) at each section's centre",
          "frequency; each section a quarter wave for the mean of the two modes."};
}

std::optional<BoardDesign> read_board_design(const CliContext& ctx, const std::string& stackup,
                                             const std::string& design, int& status) {
  auto stack = read_stackup_argument(ctx, stackup, status);
  if (!stack) return std::nullopt;
  auto file = read_design_argument(ctx, design, status);
  if (!file) return std::nullopt;
  if (!suits_board(ctx, file->design, *stack)) {
    status = exit_usage;
    return std::nullopt;
  }
  return BoardDesign{std::move(*stack), std::move(*file)};
}

}  // namespace quill
