#pragma once
// Runs the whole program in-process on one fuzz case: the defaults file, a
// design-data file and the typed lines, all taken from one byte string.
//
// A case is up to three parts separated by a line holding exactly "=====":
//
//   3 parts: Quillomate.DEF / design.dat / typed lines
//   2 parts: design.dat / typed lines          (example defaults file)
//   1 part:  typed lines                       (example defaults file, and the
//                                               example design as design.dat)
//
// An empty defaults or design part means that file is absent. Everything after
// the second separator is typed text, further "=====" lines included.
//
// A case may begin with a stack-up part: a first line holding exactly
// "===== stack.toml", then the file's text up to the next "=====" line (or
// the end); the rest is a case as above. The part is written into the
// working folder as stack.toml, for `--stackup stack.toml`; an empty part
// means no such file. No other case begins with that line, so every older
// case keeps its meaning.
//
// A typed part whose first line begins with "$ " is a command line instead:
// the rest of that line, split at blanks, are the arguments (the dialogue
// runs when there are none). Arguments holding a '/' are refused, so that
// every file named stays in the working folder; output files are kept in
// memory, at most kFileLimit bytes each. A design built in a board is slow
// (hundreds of field solutions a section), so a command line with --stackup
// is refused for a design of more than three sections, a board of more than
// eight layers, or a synthesis without --sections of at most three.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fuzz {

inline constexpr std::string_view kSeparator = "=====\n";
/// The first line of a case that carries a stack-up file.
inline constexpr std::string_view kStackMarker = "===== stack.toml\n";
/// The name the stack-up part is written under.
inline constexpr std::string_view kStackName = "stack.toml";
/// The typed name that reaches the design part.
inline constexpr std::string_view kDesignName = "design.dat";
/// An empty folder beside the files, so that a name typed for a file can be a directory.
inline constexpr std::string_view kFolderName = "reports";
/// Console text allowed per run; a long sweep is cut off here.
inline constexpr std::size_t kConsoleLimit = 2u << 20;
/// Bytes an output file takes before it fails as a full disk would.
inline constexpr std::size_t kFileLimit = 4u << 20;

struct Case {
  std::optional<std::string> defaults;  ///< Quillomate.DEF, absent when nullopt
  std::optional<std::string> design;    ///< design.dat, absent when nullopt
  std::optional<std::string> stack;     ///< stack.toml, absent when nullopt
  std::string typed;
  std::vector<std::string> args;        ///< command-line arguments, empty for the dialogue
  bool refused = false;                 ///< an argument reaches out of the working folder
};

/// Splits a fuzz input into its parts. Any byte string is a valid case.
Case split_case(std::string_view data);

/// Joins parts back into the fuzz input format (the inverse of split_case for
/// three parts); used to build the seed corpus and in tests.
std::string join_case(std::string_view defaults, std::string_view design, std::string_view typed);

/// Puts a stack-up part in front of a case made by join_case (or any case).
std::string with_stack(std::string_view stack, std::string_view rest);

struct Outcome {
  int status = -1;           ///< exit status, -1 when the console limit cut the run
  std::size_t console = 0;   ///< bytes printed to the console
  std::string err;           ///< stop messages
};

/// Runs one case in this process's working folder, which is emptied first.
/// Aborts (so that a fuzzer reports it) when the run breaks the program's
/// contract. The dialogue: an exit status other than 0, 2 or 4, or a stop
/// without a message or a message without a stop. The command line: a status
/// other than 0 to 4, a failure without exactly one line on the error stream,
/// a success with one, or an output file left half-written beside the others.
/// The program refuses storage names that reach out of the working folder,
/// so a run writes nowhere else.
Outcome run_case(const Case& c);

/// The per-process working folder (created on first use, removed at exit).
const std::filesystem::path& work_folder();

}  // namespace quill::fuzz
