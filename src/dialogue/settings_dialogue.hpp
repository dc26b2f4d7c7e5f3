#pragma once
/// The analysis settings dialogue: velocity ratio, line loss, sweep range,
/// print format and output storage, asked after every design.

#include <filesystem>
#include <optional>
#include <string>

#include "dialogue/storage.hpp"
#include "console/console.hpp"
#include "common/design.hpp"
#include "common/surroundings.hpp"

namespace quill {

struct SweepRange {
  float fstart, fstop, deltaf;  ///< MHz
};

/// What the dialogue needs from the rest of the run.
struct SettingsContext {
  const Defaults& defs;
  const std::filesystem::path& workdir;
  /// The design-data file named in this run (20 characters, blank if none):
  /// shown in the storage-file message and never overwritten by storage.
  const std::string& fnuser;
  const OutputOpener& open_output;  ///< how the storage file is opened
};

/// The full dialogue after a new design. The velocity and loss settings are
/// applied to the design's sections; `file_sweep` (a design read from a file)
/// replaces the sweep-range questions. `end` after a storage-file fault.
Flow ask_settings(Console& con, const SettingsContext& ctx, CouplerDesign& d, AnalysisSettings& s,
                  Storage& storage, const std::optional<SweepRange>& file_sweep);

/// The re-run dialogue: sweep range (defaults-file defaults), format, storage.
Flow ask_rerun_settings(Console& con, const SettingsContext& ctx, AnalysisSettings& s,
                        Storage& storage);

}  // namespace quill
