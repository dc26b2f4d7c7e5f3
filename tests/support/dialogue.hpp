#pragma once
// Runs the whole program in-process in a fresh temporary folder: the files it
// finds there, the lines typed or the command-line arguments, and what it
// printed and left behind.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.hpp"

namespace quill::testing_support {

/// The example defaults file of the reference dialogues: 3 sections of 69.37
/// ohms at 6000 MHz, Zo 50, Er 2.2, sweep 2000..10000 step 500, B 0.25, S 0.05.
inline const std::string kDefaults =
    "Quillomate default data: 3-section 10 dB coupler\n"
    "3            Number of sections\n"
    "50           System impedance Zo, ohms\n"
    "2.2          Relative dielectric constant Er\n"
    "69.37        Zoe of section 1, ohms\n"
    "6000         Centre frequency of section 1, MHz\n"
    "69.37        Zoe of section 2, ohms\n"
    "6000         Centre frequency of section 2, MHz\n"
    "69.37        Zoe of section 3, ohms\n"
    "6000         Centre frequency of section 3, MHz\n"
    "2000         Analysis start frequency, MHz\n"
    "10000        Analysis stop frequency, MHz\n"
    "500          Analysis step frequency, MHz\n"
    "0.25         Ground plane spacing B, inches\n"
    "0.05         Strip spacing S, inches\n"
    "Quillomate.TXT\n";

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  std::map<std::string, std::string> files;  ///< every regular file left in the folder
};

class Dialogue {
 public:
  Dialogue() {
    static int counter = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("quillomate-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~Dialogue() { std::filesystem::remove_all(dir_); }

  /// Puts a file into the working folder.
  Dialogue& file(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return *this;
  }
  Dialogue& defaults(const std::string& text = kDefaults) { return file("Quillomate.DEF", text); }
  const std::filesystem::path& dir() const { return dir_; }

  /// Runs the program on `lines` (each answer followed by a line end).
  Outcome run(const std::vector<std::string>& lines) {
    std::string typed;
    for (const auto& l : lines) typed += l + "\n";
    return run_raw(typed);
  }
  /// Runs the program with command-line arguments and no typed input.
  Outcome command(const std::vector<std::string>& args) { return run_raw("", args); }

  /// Output files are opened through `opener` (files then stay in memory).
  Dialogue& outputs(OutputOpener opener) {
    opener_ = std::move(opener);
    return *this;
  }
  /// The console is `console` instead of a string.
  Dialogue& console(std::ostream& console) {
    console_ = &console;
    return *this;
  }

  Outcome run_raw(const std::string& typed, const std::vector<std::string>& args = {}) {
    std::istringstream in(typed);
    std::ostringstream out, err;
    int cycle = 0;
    Surroundings env{in, console_ != nullptr ? *console_ : out, err,
                     [&cycle] { return TimeStamp{2026, 7, 5, 9, 5, 3 + cycle++}; }, dir_, opener_};
    Outcome o;
    o.status = run_program(env, args);
    o.out = out.str();
    o.err = err.str();
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      if (!e.is_regular_file()) continue;
      std::ifstream f(e.path(), std::ios::binary);
      std::ostringstream s;
      s << f.rdbuf();
      o.files[e.path().filename()] = s.str();
    }
    return o;
  }

 private:
  std::filesystem::path dir_;
  OutputOpener opener_;
  std::ostream* console_ = nullptr;
};

/// Typed lines, one answer each.
using Lines = std::vector<std::string>;

inline Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

/// Function 3 with every answer blank: the defaults file's 3-section design.
inline Lines typed_default_design() {
  Lines l = {"3", "", "", ""};
  l.insert(l.end(), 9, "");  // Zoe, Zoo and centre frequency of three sections
  return l;
}

/// Velocity, loss, start, stop, step, format and storage all left blank.
inline const Lines kBlankSettings = {"", "", "", "", "", "", ""};

/// The settings left blank except storage, turned on with `name`.
inline Lines storing(const std::string& name) { return {"", "", "", "", "", "", "1", name}; }

/// Number of times `needle` occurs in `hay`.
inline size_t count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

/// The report `quillomate analyse` printed, without the band's figures it
/// prints below it.
inline std::string printed_report(const std::string& out) {
  for (const char* summary : {"\n\n        - Over the ", "\n\n        - As built in "})
    if (const size_t at = out.find(summary); at != std::string::npos) return out.substr(0, at + 1);
  return out;
}

}  // namespace quill::testing_support
