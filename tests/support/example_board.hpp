#pragma once
// The example boards of data/stackups, read as the program reads them; a
// core thinned for designs whose strips must not meet.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "files/stackup_file.hpp"

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

}  // namespace quill::testing_support
