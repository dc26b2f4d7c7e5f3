#pragma once
/// The analysis of one design as the command line runs it: the report on
/// standard output (and in a file), and the exports, each written completely
/// or not at all.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_context.hpp"
#include "cli/commands.hpp"
#include "cli/output_files.hpp"
#include "analysis/discontinuities.hpp"
#include "common/design.hpp"

namespace quill {

/// Where the results go; an empty path is an output not asked for.
struct AnalysisOutputs {
  bool report_to_stdout = true;
  std::filesystem::path report;      ///< the report text
  std::filesystem::path touchstone;  ///< .s4p
  std::filesystem::path csv;
  std::filesystem::path plot;        ///< .svg
  /// A design built in a board: the board's lines for the report, its
  /// summary for the files, and the ideal design for the plot to show beside.
  std::vector<std::string> board_notes;
  std::string board;       ///< the board in one line
  std::string board_name;  ///< its file, for the plot's subtitle
  const CouplerDesign* ideal = nullptr;
  /// The copper as laid out, as lines, and what to call it: its figures are
  /// printed below the board's, the design as built's beside them.
  const ModeLines* copper = nullptr;
  std::string copper_words;
  std::vector<std::string> copper_notes;  ///< each a line below its figures
  /// The same copper with the largest step delays measured on any board.
  const ModeLines* copper_most_delayed = nullptr;
};

/// An output an option names: the option, the path as given, and whether
/// the command makes the file's folder (`--gerber DIR`).
struct NamedOutput {
  NamedOutput(std::string_view o, Given t, bool folder = false) : option(o), text(std::move(t)), makes_folder(folder) {}
  std::string_view option;
  Given text;
  bool makes_folder;
};

/// Collects the outputs named by options and checks them before any work is
/// done (check_outputs, check_output_folder). `stdout_carries` says what the
/// command prints on standard output ("" when it prints nothing there).
/// False after a message.
bool plan_outputs(const CliContext& ctx, const std::vector<NamedOutput>& named, const std::filesystem::path& input,
                  std::vector<OutputRequest>& requests, const std::filesystem::path& stack = {},
                  std::string_view stdout_carries = "the report");

/// The path requested by `option`, or an empty path.
std::filesystem::path requested(const std::vector<OutputRequest>& requests, std::string_view option);

/// Prints the report of `d` (its velocity and loss already applied) over the
/// sweep of `s` and writes the requested exports. `source` names the design
/// in the exports. Returns the exit status; every failure has been reported.
int run_analysis(const CliContext& ctx, const CouplerDesign& d, const AnalysisSettings& s,
                 const AnalysisOutputs& outputs, const std::string& source);

}  // namespace quill
