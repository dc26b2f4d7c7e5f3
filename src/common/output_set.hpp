#pragma once
/// Files written together (a Gerber layer set and the other artwork, a
/// full-wave model folder, its results), for every front end: each regular
/// file is written whole to its companion, then the streams (a device, a
/// pipe) are written, and only then are the files put in place. A failure
/// keeps none of the files; what already reached a stream stays there, as
/// it must, but no stream is written before every file is whole.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/surroundings.hpp"

namespace quill {

using FileText = std::pair<std::filesystem::path, std::string>;

/// Why a set was not written: "cannot create <path>: <reason>" or "cannot
/// write <path>: <reason>", and the system's error number. Empty on success.
struct SetFailure {
  std::string message;
  int error = 0;
  explicit operator bool() const { return !message.empty(); }
};

/// Writes `files` together; `opener`, when set, opens regular files (tests).
/// A path refused as an output (a folder, a socket) fails the set before
/// anything is written.
SetFailure write_file_set(const std::vector<FileText>& files, const OutputOpener& opener = {});

}  // namespace quill
