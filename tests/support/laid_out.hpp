#pragma once
// A design laid out in a board twice: plain, and compensated with every
// correction but the stubs and the trimmed lengths (which have tests of
// their own), for tests that compare the two.

#include <optional>
#include <string>

#include "layout/coupler_layout.hpp"

namespace quill::testing_support {

struct PlainAndCompensated {
  std::optional<CouplerLayout> plain, compensated;
  std::string error;  ///< why either is missing
};

inline PlainAndCompensated lay_out_both(const CouplerDesign& d, const StackDesign& built, const Stackup& stack) {
  PlainAndCompensated out;
  out.plain = lay_out_coupler(d, built, stack, {}, out.error);
  LayoutChoice choice;
  choice.compensate = true;
  choice.corrections.stubs = choice.corrections.lengths = false;
  if (out.plain) out.compensated = lay_out_coupler(d, built, stack, choice, out.error);
  return out;
}

}  // namespace quill::testing_support
