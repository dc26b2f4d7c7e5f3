// Golden dialogues: each folder under tests/sessions holds the files of a
// working folder (Quillomate.DEF, design files), the typed lines (input.txt),
// the exact console text (expected.txt), the exit status (exit-status.txt)
// and the storage files the run must leave behind (expected-files/). The run
// happens in-process in a fresh temporary folder with the clock fixed at
// 5 July 2026, 09:05:03.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path kSessions = fs::path(QUILLOMATE_SOURCE_DIR) / "tests" / "sessions";
const std::set<std::string> kNotInputs = {"input.txt", "expected.txt", "exit-status.txt",
                                          "expected-files", "NOTES.md"};

std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::vector<std::string> session_names() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kSessions))
    if (e.is_directory() && fs::exists(e.path() / "input.txt")) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Where two texts first differ, with the line for a readable failure.
std::string first_difference(const std::string& want, const std::string& got) {
  size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  if (i == want.size() && i == got.size()) return "";
  const size_t line = std::count(want.begin(), want.begin() + static_cast<long>(i), '\n') + 1;
  auto line_at = [](const std::string& s, size_t pos) {
    const size_t b = s.rfind('\n', pos == 0 ? 0 : pos - 1);
    const size_t start = b == std::string::npos ? 0 : b + 1;
    return s.substr(start, s.find('\n', start) - start);
  };
  return "first difference at line " + std::to_string(line) + "\n  want: [" + line_at(want, i) +
         "]\n  got:  [" + line_at(got, i) + "]";
}

class Session : public testing::TestWithParam<std::string> {};

TEST_P(Session, ReproducesItsDialogueAndFiles) {
  const fs::path dir = kSessions / GetParam();
  const fs::path work = fs::temp_directory_path() /
                        ("quillomate-session-" + GetParam() + "-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  std::set<std::string> inputs;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename();
    if (kNotInputs.count(name) != 0) continue;
    fs::copy(e.path(), work / name, fs::copy_options::recursive);
    inputs.insert(name);
  }

  std::istringstream in(slurp(dir / "input.txt"));
  std::ostringstream out, err;
  quill::Surroundings env{in, out, err,
                          [] { return quill::TimeStamp{2026, 7, 5, 9, 5, 3}; }, work};
  const int status = quill::run_program(env);

  const std::string want = slurp(dir / "expected.txt");
  EXPECT_TRUE(out.str() == want) << first_difference(want, out.str()) << "\nstderr: " << err.str();
  EXPECT_EQ(status, std::stoi(slurp(dir / "exit-status.txt")));

  // Exactly the expected storage files are left behind, each to the byte.
  std::set<std::string> expected_files;
  if (fs::exists(dir / "expected-files")) {
    for (const auto& e : fs::directory_iterator(dir / "expected-files")) {
      const std::string name = e.path().filename();
      expected_files.insert(name);
      const std::string want_file = slurp(e.path());
      const std::string got_file = fs::exists(work / name) ? slurp(work / name) : "<missing>";
      EXPECT_TRUE(got_file == want_file) << name << ": " << first_difference(want_file, got_file);
    }
  }
  for (const auto& e : fs::directory_iterator(work)) {
    const std::string name = e.path().filename();
    EXPECT_TRUE(inputs.count(name) != 0 || expected_files.count(name) != 0)
        << "unexpected file left behind: " << name;
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Golden, Session, testing::ValuesIn(session_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

}  // namespace
