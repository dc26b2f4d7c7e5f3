// A design-data file with an entry in error gets one line that names the
// file, the line, the entry, what it holds and what it must hold; and every
// design the program writes reads back as itself.

#include "files/design_data_file.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace quill {
namespace {

/// A good three-section design file, one entry a line.
std::string good_file() {
  return "Quillomate design: test\n"
         "3            Number of sections N\n"
         "50           System impedance Zo, ohms\n"
         "2.2          Relative dielectric constant Er\n"
         "53.472645    Zoe of section 1, ohms\n"
         "6000         Centre frequency of section 1, MHz\n"
         "78.712       Zoe of section 2, ohms\n"
         "6000         Centre frequency of section 2, MHz\n"
         "53.472645    Zoe of section 3, ohms\n"
         "6000         Centre frequency of section 3, MHz\n"
         "3000         Analysis start frequency, MHz\n"
         "9000         Analysis stop frequency, MHz\n"
         "20           Analysis step frequency, MHz\n"
         "0.25         Ground plane spacing B, inches\n"
         "0.05         Strip spacing S, inches\n";
}

/// The file with line `line` (from 1) holding `number` in its number columns.
std::string with_line(int line, const std::string& number) {
  std::istringstream in(good_file());
  std::string out, text;
  for (int k = 1; std::getline(in, text); ++k) {
    if (k == line) {
      std::string field = number;
      field.resize(13, ' ');
      text = field + text.substr(13);
    }
    out += text + "\n";
  }
  return out;
}

TEST(DesignDataFile, AnEntryInErrorSaysWhatItHoldsAndWhatItMustHold) {
  struct Case {
    int line;
    std::string number;
    std::string says;
  };
  const Case cases[] = {
      {2, "0", "line 2: error in entry \"# of Sections: N\": got 0, must be a section count from 1 to 50"},
      {2, "51", "got 51, must be a section count from 1 to 50"},
      {3, "-50", "line 3: error in entry \"System Impedance: Zo\": got -50, must be above 0 ohms"},
      {4, "0.5", "error in entry \"Dielectric Constant\": got 0.5, must be at least 1"},
      {5, "-60", "line 5: error in entry \"Even-Mode Zoe\": got -60, must be at least Zo, 50 ohms"},
      {7, "49.9", "line 7: error in entry \"Even-Mode Zoe\": got 49.9, must be at least Zo, 50 ohms"},
      {7, "71,56", "line 7: error in entry \"Even-Mode Zoe\": \"71,56\" is not a number"},
      {8, "0", "line 8: error in entry \"Center Frequency\": got 0, must be above 0 MHz"},
      {13, "-20", "error in entry \"Step Frequency\": got -20, must be above 0 MHz"},
      {14, "1e40", "error in entry \"Ground Spacing: B.\": \"1e40\" is not a number"},
      {15, "0.3", "line 15: error in entry \"Strip Spacing: S.\": got 0.3, must be above 0 and at most B, 0.25 inches"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number + " on line " + std::to_string(c.line));
    std::istringstream in(with_line(c.line, c.number));
    const DesignDataRead read = read_design_data(in);
    ASSERT_EQ(read.fault, EntryFile::bad);
    EXPECT_EQ(read.line, c.line);
    const std::string message = design_data_fault(read, "d.dat", 0);
    EXPECT_EQ(message.rfind("d.dat, ", 0), 0u) << message;
    EXPECT_NE(message.find(c.says + "; fix it and try again"), std::string::npos) << message;
  }
  std::istringstream good(good_file());
  EXPECT_EQ(read_design_data(good).fault, EntryFile::none);
}

}  // namespace
}  // namespace quill
