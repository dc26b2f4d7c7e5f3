#pragma once
// The example boards of data/stackups, read as the program reads them; a
// core thinned for designs whose strips must not meet; quarter-wave designs
// built in every example board that builds them.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <vector>

#include "dimensions/stack_strips.hpp"
#include "files/stackup_file.hpp"
#include "support/quarter_wave_design.hpp"

namespace quill::testing_support {

inline Stackup example_board(const std::string& name, double core_mm = 0.0) {
  std::ifstream in(std::string(QUILLOMATE_SOURCE_DIR) + "/data/stackups/" + name + ".toml");
  std::stringstream text;
  text << in.rdbuf();
  const StackupRead r = read_stackup_text(text.str(), name);
  EXPECT_TRUE(r.ok) << r.message;
  Stackup s = r.stackup;
  if (core_mm > 0.0) {
    s.layers[static_cast<size_t>(s.strips_layer)].thickness_m = core_mm * 1e-3;
    s.name += " thinned";
  }
  return s;
}

/// A quarter-wave design (Er 3, f0 4 GHz) built in an example board.
struct BuiltDesign {
  Stackup stack;
  CouplerDesign design;
  StackDesign built;
  std::vector<float> zoe;
  std::string name;  ///< board and design, for a test's trace
};

/// Each of `designs` (each section's Zoe over Zo) in each example board,
/// where the board builds every section.
inline std::vector<BuiltDesign> built_in_every_board(const std::vector<std::vector<float>>& designs) {
  std::vector<BuiltDesign> out;
  for (const char* board : {"ptfe-homogeneous", "core-between-prepregs", "thin-tight-core"})
    for (const std::vector<float>& zoe : designs) {
      BuiltDesign b{example_board(board), quarter_wave_design(zoe, 3.0f, 4000.0f), {}, zoe, {}};
      b.built = refine_stack_design(b.design, b.stack, 2);
      if (b.built.first_declined() != 0) continue;
      b.name = std::string(board) + ", " + std::to_string(zoe.size()) + " sections from " + std::to_string(zoe[0]);
      out.push_back(std::move(b));
    }
  return out;
}

}  // namespace quill::testing_support
