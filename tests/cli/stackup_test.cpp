// `--stackup`: a design built in a real board. Mistakes are one line and no
// file; the strips CSV reads back to the numbers the analysis is built from;
// an ideal homogeneous board agrees with `--field-solve`; the as-built
// four-port is reciprocal, passive and keeps a symmetrical design's mirror
// symmetry, whichever command exports it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dimensions/stack_strips.hpp"
#include "files/design_data_file.hpp"
#include "files/stackup_file.hpp"
#include "support/dialogue.hpp"
#include "support/session_files.hpp"

namespace quill {
namespace {

using testing_support::Dialogue;
using Args = std::vector<std::string>;
using Row = std::map<std::string, std::string>;

/// A core between two prepregs, S/B 0.2; the messages name its line numbers.
const std::string kCore =
    "unit = \"mm\"\ncopper_thickness = 0.035\n"
    "[[layer]]\nthickness = 0.5\ner = 3.0\ntan_delta = 0.002\n"
    "[[layer]]\nthickness = 0.254\ner = 3.48\ntan_delta = 0.0037\nstrips = true\n"
    "[[layer]]\nthickness = 0.5\ner = 3.0\ntan_delta = 0.002\n";
/// S/B 0.4: the strips are too far apart for 3 dB.
const std::string kThick =
    "unit = \"mm\"\ncopper_thickness = 0.035\n[[layer]]\nthickness = 0.3\ner = 2.2\n"
    "[[layer]]\nthickness = 0.4\ner = 2.2\nstrips = true\n[[layer]]\nthickness = 0.3\ner = 2.2\n";
/// A 3 dB and a 20 dB section.
const std::string kMixed = "Mixed\n2\n50\n2.2\n120.7\n3000\n55.28\n3000\n1000\n5000\n500\n0.25\n0.1\n";
/// synthesize's 10 dB +/- 0.2 dB symmetrical design for 2000 to 6000 MHz.
const std::string kSymmetric =
    "Symmetrical\n3\n50\n2.2\n53.472645\n4000\n78.71153\n4000\n53.472645\n4000\n1000\n7000\n20\n0.25\n0.05\n";
const std::string kSynth = "synthesize --symmetrical --flow 2000 --fhigh 6000 --coupling 10 --ripple 0.2 ";

Args split(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}
std::string edit(std::string s, const std::string& from, const std::string& to) {
  return s.replace(s.find(from), from.size(), to);
}
double num(const std::string& cell) { return std::strtod(cell.c_str(), nullptr); }
/// A measured margin, for the test report.
std::string margin(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

/// Rows of a CSV keyed by its header; quoted fields keep their commas.
std::vector<Row> read_csv(const std::string& text) {
  std::istringstream in(text);
  std::vector<Args> lines;
  for (std::string line; std::getline(in, line);) {
    Args& f = lines.emplace_back(1);
    bool quoted = false;
    for (char c : line) {
      if (c == '"') quoted = !quoted;
      else if (c == ',' && !quoted) f.emplace_back();
      else f.back() += c;
    }
  }
  std::vector<Row> rows;
  for (size_t r = 1; r < lines.size(); ++r) {
    EXPECT_EQ(lines[r].size(), lines[0].size()) << r;
    Row& row = rows.emplace_back();
    for (size_t k = 0; k < std::min(lines[0].size(), lines[r].size()); ++k) row[lines[0][k]] = lines[r][k];
  }
  return rows;
}

TEST(Stackup, MistakesAreOneLineAStatusAndNoFile) {
  struct Case {
    std::string args;
    std::optional<std::string> board;  ///< board.toml's text; none: no such file
    int status;
    std::string says;
  };
  const std::string refused = " cannot be given with --stackup: the board decides it";
  const std::string a = "analyse design.dat --stackup board.toml ", d = "dimensions design.dat --stackup board.toml ",
                    s = kSynth + "--stackup board.toml ";
  const std::vector<Case> cases = {
      {a + "--velocity-ratio 0.95", kCore, 2, "--velocity-ratio" + refused},
      {a + "--loss 0.5", kCore, 2, "--loss" + refused},
      {s + "--velocity-ratio 0.95", kCore, 2, "--velocity-ratio" + refused},
      {s + "--loss 0.5", kCore, 2, "--loss" + refused},
      {s + "--s 0.01", kCore, 2, "--s" + refused},
      {d + "--b 0.3", kCore, 2, "--b" + refused},
      {d + "--s 0.06", kCore, 2, "--s" + refused},
      {d + "--field-solve", kCore, 2, "--field-solve" + refused},
      // The file itself.
      {a, std::nullopt, 3, "board.toml: no such stack-up file"},
      {"dimensions design.dat --stackup folder", kCore, 3, "folder: is a folder, not a stack-up file"},
      {"analyse design.dat --stackup /dev/null", kCore, 3, "/dev/null: is not a plain file"},
      // Its contents: the first fault, and its line.
      {d, edit(kCore, "er = 3.48\n", "er = 3.48\nepsilon = 3.5\n"), 2, "board.toml, line 10: unknown key \"epsilon\""},
      {s, edit(kCore, "er = 3.48", "er = 0.9"), 2, "board.toml, line 9: \"er\" is 0.9; a dielectric constant"},
      {a, edit(kCore, "0.002\n", "0.002\nstrips = true\n"), 2, "the strips lie on the faces of one layer only"},
      {d, edit(kCore, "0.035", "0.5"), 2, "board.toml, line 2: \"copper_thickness\" is 0.5 mm, not thinner"},
      {a, edit(kCore, "= 0.254", "= = 0.254"), 2, "board.toml, line 8: not valid TOML"},
      {d, edit(kCore, "unit = \"mm\"\n", ""), 2, "board.toml, line 1: no \"unit\""},
      {s, edit(kCore, "0.254", "0.005"), 2, "takes S/B from 0.01 to 0.99; S/B here is 0.0049751243"},
      // The copper's model needs the board, and shapes only with it.
      {"analyse design.dat --discontinuities", kCore, 2, "--discontinuities models the copper in a board"},
      {a + "--compensate", kCore, 2, "shape the copper --discontinuities models: give it too"},
      {a + "--port-spacing 3", kCore, 2, "shape the copper --discontinuities models: give it too"},
      {a + "--discontinuities --corrections ends", kCore, 2, "--corrections chooses among --compensate's"},
      {a + "--discontinuities --breakout-length 0.01", kCore, 2, "a breakout of 0.01 mm cannot part the feeds"},
      {a + "--discontinuities --taper-length 2", kCore, 2, "--taper-length shapes --compensate's tapers"},
      {a + "--discontinuities --compensate --taper-length 0.5", kCore, 2, "--taper-length"},
      // Outputs.
      {a + "--touchstone board.toml", kCore, 2, "board.toml: is the stack-up file being read"},
      {d + "--csv nowhere/x.csv", kCore, 2, "nowhere does not exist"},
      // A section the board cannot build leaves nothing to analyse or export.
      {"analyse mixed.dat --stackup board.toml", kThick, 2, "section 1 (Zoe 120.70 ohms, Zoo 20.71 ohms) cannot be built in board.toml: no strips at this S; they need S <= 0.05049 mm (0.001988 in), the board's S is 0.4 mm"},
      {"synthesize --symmetrical --flow 2000 --fhigh 4000 --coupling 3 --ripple 0.2 --stackup board.toml", kThick, 2,
       "section 2 (Zoe 153.63 ohms, Zoo 16.27 ohms) cannot be built in board.toml"},
  };
  // Every command asks for every output it can, unless the row names it.
  const std::map<std::string, Args> outputs = {
      {"analyse", split("--touchstone t.s4p --csv t.csv --plot t.svg --report r.txt")},
      {"dimensions", split("--csv d.csv")},
      {"synthesize", split("--write-design w.dat --touchstone t.s4p --csv t.csv --plot t.svg")}};
  for (const Case& c : cases) {
    Dialogue dir;
    dir.file("design.dat", testing_support::five_section_design()).file("mixed.dat", kMixed);
    if (c.board) dir.file("board.toml", *c.board);
    std::filesystem::create_directory(dir.dir() / "folder");
    Args args = split(c.args);
    const Args& more = outputs.at(args[0]);
    for (size_t k = 0; k < more.size(); k += 2)
      if (std::find(args.begin(), args.end(), more[k]) == args.end()) args.insert(args.end(), {more[k], more[k + 1]});
    SCOPED_TRACE(c.args);
    const auto o = dir.command(args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    EXPECT_EQ(o.err.rfind("quillomate", 0), 0u) << o.err;
    for (const auto& [name, text] : o.files)
      EXPECT_TRUE(name == "design.dat" || name == "mixed.dat" || name == "board.toml") << name << " left behind";
  }
}

/// The CSV holds the very doubles the strips were solved to, and the analysis
/// builds its sections from them: a tool reading the CSV has the coupler the
/// program analyses. A section without strips has only the largest S.
TEST(Stackup, StripsCsvReadsBackToTheDesignAsBuilt) {
  std::ifstream example_file(std::string(QUILLOMATE_SOURCE_DIR) + "/data/stackups/core-between-prepregs.toml");
  const std::string example{std::istreambuf_iterator<char>(example_file), std::istreambuf_iterator<char>()};
  ASSERT_NE(example, "");
  for (const auto& [design_text, board] :
       {std::pair{testing_support::five_section_design(), example}, std::pair{kMixed, kThick}}) {
    Dialogue dir;
    dir.file("design.dat", design_text).file("board.toml", board);
    const auto o = dir.command(split("dimensions design.dat --stackup board.toml --csv s.csv"));
    ASSERT_EQ(o.status, 0) << o.err;
    std::istringstream design_file(design_text);
    const CouplerDesign d = read_design_data(design_file).values.design;
    const StackupRead stack = read_stackup_text(board, "board.toml");
    ASSERT_TRUE(stack.ok) << stack.message;
    const StackDesign built = refine_stack_design(d, stack.stackup, 2);
    const auto rows = read_csv(o.files.at("s.csv"));
    ASSERT_EQ(rows.size(), static_cast<size_t>(d.n));
    const CouplerDesign a = built.first_declined() == 0 ? as_built(d, built) : d;
    for (int i = 1; i <= d.n; ++i) {
      SCOPED_TRACE("section " + std::to_string(i));
      const StackSection& sec = built.sections[static_cast<size_t>(i - 1)];
      const SectionStrips& r = sec.strips;
      Row row = rows[static_cast<size_t>(i - 1)];
      EXPECT_EQ(row["section"], std::to_string(i));
      EXPECT_EQ(row["note"], sec.note);
      using Cells = std::vector<std::pair<std::string, double>>;
      Cells present = {{"zoe_ohm", r.zoe}, {"zoo_ohm", r.zoo}, {"centre_mhz", sec.f0_mhz}};
      Cells strips = {{"width_in", r.width_in}, {"offset_in", r.offset_in}, {"width_mm", r.width_in * 25.4},
                      {"offset_mm", r.offset_in * 25.4}, {"zoe_field_ohm", r.zoe_field}, {"zoo_field_ohm", r.zoo_field},
                      {"eeff_even", sec.eeff_even}, {"eeff_odd", sec.eeff_odd}, {"velocity_ratio", sec.velocity_ratio},
                      {"cond_loss_even_db_per_in", sec.cond_even}, {"cond_loss_odd_db_per_in", sec.cond_odd},
                      {"diel_loss_even_db_per_in", sec.diel_even}, {"diel_loss_odd_db_per_in", sec.diel_odd},
                      {"length_in", sec.length_in}, {"length_mm", sec.length_in * 25.4}};
      Cells largest = {{"largest_s_in", r.largest_s_in}, {"largest_s_mm", r.largest_s_in * 25.4}};
      if (!sec.built()) std::swap(strips, largest);
      present.insert(present.end(), strips.begin(), strips.end());
      for (const auto& [column, value] : present) EXPECT_EQ(num(row[column]), value) << column;
      for (const auto& [column, value] : largest) EXPECT_EQ(row[column], "") << column;
      if (built.first_declined() != 0) continue;
      EXPECT_EQ(static_cast<float>(num(row["zoe_field_ohm"]) / d.z0), a.sec(i).zoe);
      EXPECT_EQ(static_cast<float>(num(row["zoo_field_ohm"]) / d.z0), a.sec(i).zoo);
      EXPECT_EQ(static_cast<float>(num(row["length_in"])), a.sec(i).length);
    }
    if (board == kThick) {  // the 3 dB section needs closer strips; the 20 dB one fits
      EXPECT_EQ(built.first_declined(), 1);
      EXPECT_TRUE(built.sections[1].built());
      EXPECT_LT(built.sections[0].strips.largest_s_in * metres_per_inch, stack.stackup.s_m());
    }
  }
}

/// One dielectric and copper sheets of no thickness are the field solver's
/// ideal board: both find the same strips, and where there are none the same
/// largest S/B (the board keeps its outer layers, the ideal board its B).
TEST(Stackup, HomogeneousIdealBoardIsTheFieldSolversBoard) {
  struct Case {
    std::string design, er, outer, s, b, centre;
  };
  const std::string five = testing_support::five_section_design();
  double worst = 0;
  const auto relative = [&worst](double x, double y) {
    const double r = x == y ? 0.0 : std::fabs(x - y) / std::max(std::fabs(x), std::fabs(y));
    return worst = std::max(worst, r), r;
  };
  for (const Case& c : {Case{five, "3.0", "0.12", "0.06", "0.3", "offset"},
                        Case{five, "3.0", "0.075", "0.1", "0.25", "overlap"},
                        Case{kSymmetric, "2.2", "0.031", "0.01", "0.072", "overlap"}}) {
    SCOPED_TRACE(c.b + " " + c.s + " " + c.centre);
    std::string board = "unit = \"in\"\ncopper_thickness = 0\n";
    for (const std::string& t : {c.outer, c.s + "\nstrips = true", c.outer})
      board += "[[layer]]\ner = " + c.er + "\nthickness = " + t + "\n";
    Dialogue dir;
    dir.file("design.dat", c.design).file("board.toml", board);
    const std::string centre = " --centre " + c.centre;
    const auto in_board = dir.command(split("dimensions design.dat --stackup board.toml --csv a.csv" + centre));
    const auto ideal =
        dir.command(split("dimensions design.dat --field-solve --csv b.csv --b " + c.b + " --s " + c.s + centre));
    ASSERT_EQ(in_board.status, 0) << in_board.err;
    ASSERT_EQ(ideal.status, 0) << ideal.err;
    const auto p = read_csv(in_board.files.at("a.csv")), q = read_csv(ideal.files.at("b.csv"));
    ASSERT_EQ(p.size(), q.size());
    for (size_t i = 0; i < p.size(); ++i) {
      Row x = p[i], y = q[i];
      for (const char* column : {"width_in", "offset_in"}) {
        ASSERT_EQ(x[column].empty(), y[column].empty()) << column << " of section " << i + 1;
        if (!x[column].empty()) {
          EXPECT_LE(relative(num(x[column]), num(y[column])), 1e-6) << column << i + 1;
        }
      }
      const double s = num(x["largest_s_in"]);
      if (x["width_in"].empty()) {
        EXPECT_LE(relative(s / (s + 2 * num(c.outer)), num(y["largest_s_in"]) / num(c.b)), 1e-6) << i + 1;
      }
    }
  }
  RecordProperty("worst_relative_difference", margin(worst));
}

/// The Touchstone file's matrices, S[f][i][j] with ports from 0.
using Matrix = std::array<std::array<std::complex<double>, 4>, 4>;
std::vector<Matrix> read_touchstone(const std::string& text) {
  std::istringstream lines(text);
  std::string numbers;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '!' && line[0] != '#') numbers += line + " ";
  std::istringstream in(numbers);
  std::vector<Matrix> out;
  for (double f, re, im; in >> f;)
    for (int k = 0; k < 16 && in >> re >> im; ++k) (k == 0 ? out.emplace_back() : out.back())[k / 4][k % 4] = {re, im};
  return out;
}

/// synthesize's export in a board is analyse's of the design it wrote; that
/// response is reciprocal, passive and lossy, and a symmetrical design built
/// in the board is still mirror-symmetric (ports 1<->4, 2<->3) as the ideal
/// one is: to single precision, the far-end ports coming from the reversed
/// cascade.
TEST(Stackup, AsBuiltResponseIsReciprocalPassiveAndMirrored) {
  const std::string sweep = " -q --start 1000 --stop 7000 --step 250";
  Dialogue dir;
  dir.file("board.toml", kCore);
  const auto synth = dir.command(split(kSynth + "--stackup board.toml --write-design sym.dat --touchstone s.s4p" +
                                       sweep.substr(3)));
  ASSERT_EQ(synth.status, 0) << synth.err;
  const auto ideal = dir.command(split("analyse sym.dat --touchstone ideal.s4p --plot i.svg" + sweep));
  const auto built = dir.command(
      split("analyse sym.dat --stackup board.toml --touchstone built.s4p --plot b.svg --report b.txt" + sweep));
  ASSERT_EQ(ideal.status, 0) << ideal.err;
  ASSERT_EQ(built.status, 0) << built.err;
  const auto data = [](const std::string& s4p) { return s4p.substr(s4p.find("\n#")); };
  EXPECT_EQ(data(synth.files.at("s.s4p")), data(built.files.at("built.s4p")));
  EXPECT_NE(built.files.at("b.svg").find("Ideal design"), std::string::npos);
  EXPECT_EQ(ideal.files.at("i.svg").find("Ideal design"), std::string::npos);
  EXPECT_NE(built.files.at("b.txt").find("As built in the board of board.toml"), std::string::npos);

  constexpr int mirror[4] = {3, 2, 1, 0};
  for (const auto& [lossless, s4p] : {std::pair{true, ideal.files.at("ideal.s4p")},
                                      std::pair{false, built.files.at("built.s4p")}}) {
    SCOPED_TRACE(lossless ? "ideal" : "as built");
    double reciprocity = 0, mirrored = 0, most = 0, least = 2;
    const auto matrices = read_touchstone(s4p);
    ASSERT_EQ(matrices.size(), 25u);
    for (const Matrix& s : matrices)
      for (int j = 0; j < 4; ++j) {
        double power = 0;
        for (int i = 0; i < 4; ++i) {
          power += std::norm(s[i][j]);
          reciprocity = std::max(reciprocity, std::abs(s[i][j] - s[j][i]));
          mirrored = std::max(mirrored, std::abs(s[i][j] - s[mirror[i]][mirror[j]]));
        }
        most = std::max(most, power), least = std::min(least, power);
      }
    EXPECT_LE(reciprocity, 1e-6);
    EXPECT_LE(mirrored, 1e-6);
    EXPECT_LE(most, 1 + 1e-6);
    // The ideal design keeps every watt; the board's copper and dielectric do not.
    if (lossless) {
      EXPECT_GE(least, 1 - 1e-6);
    } else {
      EXPECT_LT(least, 0.999);
    }
    const std::string tag = lossless ? "ideal_" : "built_";
    RecordProperty(tag + "reciprocity", margin(reciprocity));
    RecordProperty(tag + "mirror", margin(mirrored));
    RecordProperty(tag + "column_power", margin(least) + " to " + margin(most));
  }
}

}  // namespace
}  // namespace quill

namespace quill {
namespace {

/// Where the dash groups of a table's rule line end, and where each number
/// of a row ends: every number must stand under its column.
std::vector<size_t> group_ends(const std::string& rule) {
  std::vector<size_t> ends;
  for (size_t k = 0; k < rule.size(); ++k)
    if (rule[k] == '-' && (k + 1 == rule.size() || rule[k + 1] != '-')) ends.push_back(k);
  return ends;
}
std::vector<size_t> number_ends(const std::string& row) {
  std::vector<size_t> ends;
  for (size_t k = 0; k < row.size(); ++k)
    if (std::isdigit(static_cast<unsigned char>(row[k])) && (k + 1 == row.size() || row[k + 1] == ' '))
      ends.push_back(k);
  return ends;
}

/// With a board, every number printed or written is the board's: no length,
/// feed width or mode limit of the design file's single dielectric, and the
/// design file written holds the Er that gives the board's total length.
TEST(Stackup, EveryNumberIsTheBoards) {
  std::ifstream example_file(std::string(QUILLOMATE_SOURCE_DIR) + "/data/stackups/core-between-prepregs.toml");
  const std::string example{std::istreambuf_iterator<char>(example_file), std::istreambuf_iterator<char>()};
  Dialogue dir;
  dir.file("design.dat", kSymmetric).file("board.toml", example);
  const StackupRead stack = read_stackup_text(example, "board.toml");
  ASSERT_TRUE(stack.ok);
  std::istringstream design_file(kSymmetric);
  const CouplerDesign d = read_design_data(design_file).values.design;
  const StackDesign built = refine_stack_design(d, stack.stackup, 2);
  double board_in = 0;
  for (const StackSection& s : built.sections) board_in += s.length_in;

  const auto dims = dir.command(split("dimensions design.dat --stackup board.toml"));
  const auto analysed = dir.command(split("analyse design.dat --stackup board.toml"));
  const auto synth = dir.command(split(kSynth + "--stackup board.toml --write-design w.dat"));
  for (const auto* o : {&dims, &analysed, &synth}) {
    ASSERT_EQ(o->status, 0) << o->err;
    EXPECT_EQ(o->out.find("In a dielectric with Er"), std::string::npos) << o->out;
    EXPECT_EQ(o->out.find("Strip Dimensions in Inches   |"), std::string::npos) << "closed forms";
    EXPECT_EQ(o->out.find("strip width ="), std::string::npos) << "the design file's feed";
  }
  // The board's own figures, each in every command that prints the table.
  char total[64];
  std::snprintf(total, sizeof total, "Total length of the coupler =%9.3f mm", board_in * 25.4);
  for (const auto* o : {&dims, &synth}) {
    EXPECT_NE(o->out.find(total), std::string::npos) << o->out;
    EXPECT_NE(o->out.find("a strip alone is"), std::string::npos);
    EXPECT_NE(o->out.find("Maximum usable operating frequency"), std::string::npos);
  }
  char board_total[64];
  std::snprintf(board_total, sizeof board_total, "Total Length of Coupler = %8.4f", board_in);
  EXPECT_NE(analysed.out.find(std::string("In the board board.toml, ") + board_total), std::string::npos)
      << analysed.out.substr(analysed.out.find("In the board"), 80) << board_in;
  // The design file: the board's B and S, and the Er whose quarter waves add
  // up to the board's length, said on standard output.
  std::istringstream written(synth.files.at("w.dat"));
  const FileDesign w = read_design_data(written).values;
  EXPECT_NEAR(w.gpsuser * metres_per_inch, stack.stackup.b_m(), 1e-9);
  EXPECT_NEAR(w.suser * metres_per_inch, stack.stackup.s_m(), 1e-9);
  EXPECT_NEAR(w.design.total, board_in, 1e-4 * board_in);
  EXPECT_NE(synth.out.find("w.dat holds the board's B and S and Er " + margin(w.design.er)), std::string::npos);
  // The board decides Er, as it decides B and S.
  const auto er = dir.command(split(kSynth + "--stackup board.toml --er 3"));
  EXPECT_EQ(er.status, 2);
  EXPECT_NE(er.err.find("--er"), std::string::npos) << er.err;

  // Every number of the board's tables stands under its column.
  std::istringstream lines(dims.out);
  std::vector<size_t> columns;
  int rows = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("------- ---") != std::string::npos) {
      columns = group_ends(line);
      continue;
    }
    if (line.empty()) columns.clear();
    if (columns.empty() || line.find_first_not_of(" 0123456789.|-") != std::string::npos) continue;
    ++rows;
    const std::vector<size_t> ends = number_ends(line);  // the first is the section, under its "I"
    for (size_t end : std::vector<size_t>(ends.begin() + 1, ends.end()))
      EXPECT_NE(std::find(columns.begin(), columns.end(), end), columns.end()) << end << " in\n" << line;
  }
  EXPECT_EQ(rows, 2 * d.n);
}

}  // namespace
}  // namespace quill

namespace quill {
namespace {

std::string example_board(const std::string& name) {
  std::ifstream f(std::string(QUILLOMATE_SOURCE_DIR) + "/data/stackups/" + name);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

/// With --discontinuities the copper as laid out is modelled below the
/// report and the board's figures, which are those without it, the design
/// as built beside it; in the homogeneous board, where the design as built
/// keeps its modes in step, the copper costs directivity.
TEST(Stackup, TheCoppersFiguresFollowTheReportAndCostDirectivity) {
  for (const std::string board : {"ptfe-homogeneous.toml", "core-between-prepregs.toml", "thin-tight-core.toml"}) {
    SCOPED_TRACE(board);
    Dialogue dir;
    dir.file("board.toml", example_board(board)).file("design.dat", kSymmetric);
    const auto plain = dir.command(split("analyse design.dat --stackup board.toml"));
    const auto copper = dir.command(split("analyse design.dat --stackup board.toml --discontinuities --compensate"));
    ASSERT_EQ(copper.status, 0) << copper.err;
    EXPECT_EQ(copper.out.rfind(plain.out, 0), 0u) << "the report and the board's figures come first, unchanged";
    // Stubs, where the board gets them, are counted in the heading.
    std::smatch heading;
    ASSERT_TRUE(std::regex_search(copper.out, heading,
                                  std::regex("- With the copper as laid out, compensated \\(breakouts(, junctions "
                                             "and stubs| and junctions)\\), ")))
        << copper.out;
    const size_t at = static_cast<size_t>(heading.position(0));
    // "directivity at least 19.43 dB (48.19)": the copper's, then as built.
    const size_t d = copper.out.find("directivity at least ", at);
    ASSERT_NE(d, std::string::npos);
    std::istringstream words(copper.out.substr(d + 21));
    double own = 0, built = 0;
    std::string unit;
    char bracket = 0;
    words >> own >> unit >> bracket >> built;
    EXPECT_GT(own, 3.0);
    EXPECT_GT(built, 3.0);
    if (board == "ptfe-homogeneous.toml") {
      EXPECT_LT(own, built - 10.0) << copper.out.substr(at);
    }
    // And, unless the board's file gives its own, what the steps may do at
    // worst, as measured on any example board.
    const bool measured =
        copper.out.find("with the steps' delays as measured in board.toml.\n", at) != std::string::npos;
    const bool stubbed = heading.str().find("stubs") != std::string::npos;
    EXPECT_EQ(std::regex_search(copper.out.substr(at), std::regex("\n          with [1-9][0-9]* stubs on each strip")),
              stubbed);
    EXPECT_EQ(board == "thin-tight-core.toml", measured);
    const size_t worst = copper.out.find("with the steps' delays as large as measured on any example board,\n"
                                         "          directivity at least ",
                                         at);
    EXPECT_EQ(worst == std::string::npos, measured) << copper.out.substr(at);
  }
}

/// The shipped thin core builds what its comment says (a single 3 dB
/// section, three sections of 4.5 dB over an octave) and not a three-section
/// 3 dB coupler; a section a board cannot build gets the same one line from
/// every command that needs it, naming its impedances and what would build it.
TEST(Stackup, BoardsBuildWhatTheySayAndEveryCommandSaysWhyNot) {
  Dialogue dir;
  dir.file("thin.toml", example_board("thin-tight-core.toml"))
      .file("core.toml", example_board("core-between-prepregs.toml"))
      .file("ptfe.toml", example_board("ptfe-homogeneous.toml"))
      .file("single.dat", "3 dB\n1\n50\n3\n120.7\n4500\n3000\n6000\n50\n0.25\n0.05\n");
  const std::string octave = "synthesize --symmetrical --flow 3000 --fhigh 6000 --ripple 0.3 --stackup thin.toml ";
  EXPECT_EQ(dir.command(split("dimensions single.dat --stackup thin.toml")).out.find("no strips"), std::string::npos);
  const auto loose = dir.command(split(octave + "--coupling 4.5 --write-design loose.dat"));
  ASSERT_EQ(loose.status, 0) << loose.err;
  EXPECT_NE(loose.out.find("N = 3 "), std::string::npos);
  const auto tight = dir.command(split(octave + "--coupling 3.01 --write-design tight.dat"));
  EXPECT_EQ(tight.status, 2);
  EXPECT_EQ(tight.out, "") << "refused before a line is printed";
  EXPECT_NE(tight.err.find("quillomate synthesize: section 2 (Zoe "), std::string::npos) << tight.err;
  EXPECT_NE(tight.err.find(") cannot be built in thin.toml: no strips at this S; they need S <= 0.02"),
            std::string::npos)
      << tight.err;
  // The 3 dB 2-18 GHz centre section (Zoe 247 ohms): one message from every
  // command, with the S that would build it, or why no S would.
  ASSERT_EQ(dir.command(split("synthesize --symmetrical --flow 2000 --fhigh 18000 --coupling 3 --ripple 0.3 "
                              "--write-design wide.dat")).status, 0);
  for (const std::string board : {"thin.toml", "core.toml", "ptfe.toml"}) {
    SCOPED_TRACE(board);
    std::string said;
    for (const std::string command : {"analyse wide.dat -q --csv x.csv", "layout wide.dat --svg x.svg",
                                      "fullwave wide.dat --out fw"}) {
      const auto o = dir.command(split(command + " --stackup " + board));
      EXPECT_EQ(o.status, 2) << command;
      const std::string message = o.err.substr(o.err.find(": ") + 2);
      if (said.empty()) said = message;
      EXPECT_EQ(message, said) << command;
    }
    EXPECT_EQ(said.rfind("section 4 (Zoe 246.83 ohms, Zoo 10.13 ohms) cannot be built in " + board + ": ", 0), 0u)
        << said;
    EXPECT_TRUE(said.find("they need S <= ") != std::string::npos ||
                said.find("no strips at any S: superposed strips, however narrow, reach Zoe ") != std::string::npos)
        << said;
    EXPECT_EQ(said.find("did not converge"), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace quill
