#include "python/front_checks.hpp"

#include "common/number.hpp"

namespace quill::py_front {

namespace {

/// The first section whose Zoe is not above Zo: no coupled strips have it.
std::optional<std::string> zoe_fault(const CouplerDesign& d, std::string_view option) {
  for (int i = 1; i <= d.n; ++i) {
    if (d.sec(i).zoe > 1.0f) continue;
    return std::string(option) + ": section " + std::to_string(i) + " has Zoe " + plain_number(d.sec(i).zoe * d.z0) +
           " ohms, not above Zo (" + plain_number(d.z0) + " ohms): no coupled strips have it";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> beside_board_fault(const std::vector<std::pair<std::string_view, bool>>& given) {
  for (const auto& [option, present] : given)
    if (present) return std::string(option) + " cannot be given with stackup: the board decides it";
  return std::nullopt;
}

std::optional<std::string> spacing_fault(float b, float s) {
  if (s < b) return std::nullopt;
  return "the strip spacing s_in (" + plain_number(s) + " inches) must be below the ground-plane spacing b_in (" +
         plain_number(b) + " inches)";
}

std::optional<std::string> field_solve_fault(const CouplerDesign& d, const DimensionChoice& c) {
  // Nearer the ends the solver must resolve ever finer gaps, and a section takes seconds.
  if (!(c.s >= 0.01f * c.gps && c.s <= 0.99f * c.gps))
    return "field_solve takes S/B from 0.01 to 0.99; S/B here is " + plain_number(c.s / c.gps);
  return zoe_fault(d, "field_solve");
}

std::optional<std::string> board_fault(const CouplerDesign& d, const Stackup& stack) {
  const double sb = stack.s_m() / stack.b_m();
  if (!(sb >= 0.01 && sb <= 0.99))
    return "stackup " + stack.name + ": takes S/B from 0.01 to 0.99; S/B here is " +
           plain_number(static_cast<float>(sb));
  return zoe_fault(d, "stackup");
}

std::optional<std::string> declined_fault(const StackDesign& built, const Stackup& stack) {
  const int i = built.first_declined();
  if (i == 0) return std::nullopt;
  return declined_message(built, stack);
}

}  // namespace quill::py_front
