// Stack-up files: every bad file gets one line naming the file, the line and
// the key; the shipped examples read to boards with the B and S they describe.

#include "files/stackup_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quill {
namespace {

namespace fs = std::filesystem;

const std::string kBoard =
    "unit = \"mm\"\n"             // 1
    "copper_thickness = 0.035\n"  // 2
    "[[layer]]\n"                 // 3
    "thickness = 0.5\n"           // 4
    "er = 3.0\n"                  // 5
    "[[layer]]\n"                 // 6
    "thickness = 0.254\n"         // 7
    "er = 3.48\n"                 // 8
    "strips = true\n"             // 9
    "[[layer]]\n"                 // 10
    "thickness = 0.5\n"           // 11
    "er = 3\n";                   // 12

/// The start of a [step_delays] table below kBoard, lines 13 to 15.
const std::string kSteps = "[step_delays]\nend_even = 0.077\nend_odd = 0.305\n";

/// kBoard with the first `from` replaced by `to`.
std::string board_with(const std::string& from, const std::string& to) {
  std::string s = kBoard;
  s.replace(s.find(from), from.size(), to);
  return s;
}

/// A read failed as a bad file must: one line, starting with the file and line.
void expect_one_line_fault(const StackupRead& r, const std::string& name) {
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message.rfind(name + ", line " + std::to_string(r.line) + ": ", 0), 0u) << r.message;
  EXPECT_EQ(r.message.find_first_of("\r\n"), std::string::npos) << r.message;
}

TEST(StackupFile, EveryBadFileGetsOneLineAtItsLineNamingItsKey) {
  struct Row {
    std::string text;
    int line;
    std::string key;
    std::string says;
  };
  const std::vector<Row> rows = {
      {board_with("0.035", ""), 2, "", "not valid TOML"},
      {board_with("[[layer]]", "units = \"in\"\n[[layer]]"), 3, "units", "unknown key"},
      {board_with("er = 3.48", "er = 3.48\nthickness_mm = 1"), 9, "thickness_mm", "in layer 2"},
      {board_with("thickness = 0.254\n", ""), 6, "thickness", "layer 2 has no"},
      {board_with("thickness = 0.254", "thickness = 0"), 7, "thickness", "thicker than 0"},
      {board_with("thickness = 0.254", "thickness = -0.254"), 7, "thickness", "-0.254 mm"},
      {board_with("er = 3.0", "er = 0.5"), 5, "er", "\"er\" is 0.5; a dielectric constant must be at least 1"},
      {board_with("er = 3.0\n", ""), 3, "er", "layer 1 has no"},
      {board_with("er = 3.0", "er = \"3.0\""), 5, "er", "not text"},
      {board_with("er = 3.0", "er = nan"), 5, "er", "finite"},
      {board_with("er = 3.48", "er = 3.48\ntan_delta = -0.001"), 9, "tan_delta", "cannot be negative"},
      {board_with("strips = true\n", ""), 3, "strips", "no layer has"},
      {board_with("er = 3\n", "er = 3\nstrips = true\n"), 13, "strips", "(line 9)"},
      {board_with("strips = true", "strips = \"yes\""), 9, "strips", "true or false"},
      {board_with("er = 3.48\nstrips = true\n", "er = 3.48\n") + "strips = true\n", 12, "strips", "highest"},
      {"unit = \"mm\"\ncopper_thickness = 0\n[[layer]]\nthickness = 1\ner = 2\nstrips = true\n[[layer]]\n"
       "thickness = 1\ner = 2\n",
       6, "strips", "lowest"},
      {board_with("thickness = 0.5", "thickness = 0.035"), 2, "copper_thickness",
       "layer 1 (\"thickness\" 0.035 mm on line 4)"},
      {board_with("thickness = 0.5\ner = 3\n", "thickness = 0.02\ner = 3\n"), 2, "copper_thickness", "layer 3"},
      {board_with("\"mm\"", "\"cm\""), 1, "unit", "\"cm\""},
      {board_with("unit = \"mm\"\n", ""), 1, "unit", "no \"unit\""},
      {board_with("0.035", "-0.035"), 2, "copper_thickness", "cannot be negative"},
      {board_with("0.035", "0.035\nconductivity = 0"), 3, "conductivity", "above 0"},
      // Beyond what a board can be: a slip of a unit or a digit.
      {board_with("er = 3.0", "er = 1e6"), 5, "er", "\"er\" is 1e+06; a board's dielectric constant lies between 1 and 100"},
      {board_with("er = 3.48", "er = 3.48\ntan_delta = 0.37"), 9, "tan_delta", "loss tangent lies between 0 and 0.1"},
      {board_with("thickness = 0.5", "thickness = 500"), 4, "thickness", "is 500 mm; a board's layer lies between 0.001 and 25.4 mm"},
      {board_with("thickness = 0.254", "thickness = 0.0001"), 7, "thickness", "between 0.001 and 25.4 mm"},
      {board_with("0.035", "35"), 2, "copper_thickness", "is 35 mm; the strips' copper lies between 0 and 0.5 mm"},
      {board_with("0.035", "0.035\nconductivity = 5.8e12"), 3, "conductivity", "is 5.8e+12 S/m; a metal's conductivity lies between 1e+05 and 1e+08 S/m"},
      // A board's measured step delays: all four, each a fraction of B.
      {kBoard + kSteps + "junction_odd = 0.3\n", 13, "junction_even", "[step_delays] has no"},
      {kBoard + kSteps + "junction_odd = 0.3\njunction_even = 0.1\nend_odd_ = 0.2\n", 18, "end_odd_",
       "unknown key \"end_odd_\" in [step_delays]"},
      {kBoard + kSteps + "junction_odd = 30\njunction_even = 0.1\n", 16, "junction_odd",
       "a step's delay of a mode lies between -1 and 1"},
      {board_with("unit = \"mm\"\n", "unit = \"mm\"\nstep_delays = 0.3\n"), 2, "step_delays", "must be a table"},
      {"unit = \"in\"\ncopper_thickness = 0.001\n", 1, "layer", "is missing"},
      {"unit = \"in\"\ncopper_thickness = 0.001\n\n[layer]\nthickness = 1\n", 4, "layer", "is a table"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const StackupRead r = read_stackup_text(row.text, "board.toml");
    expect_one_line_fault(r, "board.toml");
    EXPECT_EQ(r.line, row.line) << r.message;
    EXPECT_EQ(r.key, row.key) << r.message;
    if (!row.key.empty()) {
      EXPECT_NE(r.message.find("\"" + row.key + "\""), std::string::npos) << r.message;
    }
    EXPECT_NE(r.message.find(row.says), std::string::npos) << r.message;
  }
}

TEST(StackupFile, EveryCutOfAGoodFileReadsOrSaysWhereItStops) {
  // Whatever the file is cut to, the reader never throws and always gives a
  // single line naming a line the cut file has.
  for (std::size_t n = 0; n < kBoard.size(); ++n) {
    const std::string text = kBoard.substr(0, n);
    const StackupRead r = read_stackup_text(text, "cut.toml");
    if (r.ok) continue;
    SCOPED_TRACE(text);
    expect_one_line_fault(r, "cut.toml");
    EXPECT_GE(r.line, 1);
    EXPECT_LE(r.line, std::count(text.begin(), text.end(), '\n') + 1);
  }
}

TEST(StackupFile, ShippedExamplesGiveTheBoardsTheyDescribe) {
  int read = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(QUILLOMATE_SOURCE_DIR) / "data/stackups")) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const StackupRead r = read_stackup_text(text.str(), name);
    ASSERT_TRUE(r.ok) << r.message;
    const Stackup& s = r.stackup;
    EXPECT_EQ(s.name, name);
    double sum = 0;
    for (const StackLayer& l : s.layers) sum += l.thickness_m;
    EXPECT_DOUBLE_EQ(s.b_m(), sum);
    ASSERT_EQ(std::count_if(s.layers.begin(), s.layers.end(), [](const StackLayer& l) { return l.strips; }), 1);
    ASSERT_TRUE(s.layers.at(static_cast<std::size_t>(s.strips_layer)).strips);
    EXPECT_EQ(s.s_m(), s.layers[static_cast<std::size_t>(s.strips_layer)].thickness_m);
    // The boards the couplers are meant for, with copper that fits its layers.
    EXPECT_GE(s.b_m(), 1e-3);
    EXPECT_LE(s.b_m(), 2.5e-3);
    EXPECT_GE(s.s_m() / s.b_m(), 0.03);
    EXPECT_LE(s.s_m() / s.b_m(), 0.3);
    EXPECT_LT(s.copper_m, s.layers.at(static_cast<std::size_t>(s.strips_layer) - 1).thickness_m);
    EXPECT_LT(s.copper_m, s.layers.at(static_cast<std::size_t>(s.strips_layer) + 1).thickness_m);
    EXPECT_GT(s.copper_m, 0);
    ++read;
  }
  EXPECT_GE(read, 3);
}

TEST(StackupFile, UnitsGiveTheSameMetresAndOptionalKeysTheirDefaults) {
  // One board written three ways; tan_delta, strips and conductivity left to
  // their defaults on the outer layers.
  const auto board = [](const std::string& unit, const std::string& outer, const std::string& core,
                        const std::string& copper) {
    return "unit = \"" + unit + "\"\ncopper_thickness = " + copper + "\n[[layer]]\nthickness = " + outer +
           "\ner = 3\n[[layer]]\nthickness = " + core + "\ner = 3.48\ntan_delta = 0.0037\nstrips = true\n" +
           "[[layer]]\nthickness = " + outer + "\ner = 3\nstrips = false\n";
  };
  const StackupRead mm = read_stackup_text(board("mm", "0.508", "0.254", "0.0254"), "mm.toml");
  const StackupRead in = read_stackup_text(board("in", "0.02", "0.01", "0.001"), "in.toml");
  const StackupRead mil = read_stackup_text(board("mil", "20", "10", "1"), "mil.toml");
  for (const StackupRead* r : {&mm, &in, &mil}) {
    ASSERT_TRUE(r->ok) << r->message;
    const Stackup& s = r->stackup;
    EXPECT_EQ(s.unit + ".toml", s.name);
    EXPECT_NEAR(s.b_m(), 1.27e-3, 1e-15);
    EXPECT_NEAR(s.s_m(), 0.254e-3, 1e-15);
    EXPECT_NEAR(s.copper_m, 25.4e-6, 1e-17);
    EXPECT_EQ(s.conductivity, copper_conductivity);
    EXPECT_EQ(s.strips_layer, 1);
    EXPECT_EQ(s.layers[0].tan_delta, 0);
    EXPECT_FALSE(s.layers[0].strips);
    EXPECT_FALSE(s.layers[2].strips);
    EXPECT_EQ(s.layers[0].er, 3);
    EXPECT_EQ(s.layers[1].tan_delta, 0.0037);
    EXPECT_FALSE(s.step_kappas.has_value());
  }
  // The step delays, when given, read as written.
  const StackupRead steps =
      read_stackup_text(kBoard + kSteps + "junction_even = -0.14\njunction_odd = 0.343\n", "steps.toml");
  ASSERT_TRUE(steps.ok) << steps.message;
  ASSERT_TRUE(steps.stackup.step_kappas.has_value());
  const StepKappas k = *steps.stackup.step_kappas;
  EXPECT_EQ(std::vector<double>({k.end_even, k.end_odd, k.junction_even, k.junction_odd}),
            std::vector<double>({0.077, 0.305, -0.14, 0.343}));
}

}  // namespace
}  // namespace quill
