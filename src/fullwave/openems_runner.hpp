#pragma once
/// Runs openEMS, the full-wave solver, on a model file as a child process,
/// passing its progress on as it comes: a run takes minutes.

#include <filesystem>
#include <functional>
#include <string>

namespace quill {

/// Where openEMS is: the first `openEMS` on PATH; empty when there is none.
std::filesystem::path find_openems();

struct OpenemsProgress {
  long timestep = 0;
  double energy_db = 0;  ///< the field energy against its peak, dB
};

/// Runs `program` on `model` with its working folder `folder` (where it
/// writes its probe files) and `threads` threads. Each progress line openEMS
/// prints is handed to `progress`. Returns "" on success, else one sentence:
/// why it could not start, or its exit status (or signal) and its last line
/// of output.
std::string run_openems(const std::filesystem::path& program, const std::filesystem::path& folder,
                        const std::string& model, int threads,
                        const std::function<void(const OpenemsProgress&)>& progress);

}  // namespace quill
