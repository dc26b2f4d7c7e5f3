#pragma once
/// Files a script writes together (a Gerber layer set and the other artwork,
/// a full-wave model folder, its results), by the command line's
/// all-or-nothing rule: each is written whole to a hidden companion file
/// beside it, and all are put in place only when every one was; a failure
/// keeps none of them (files they would have replaced stay as they were).

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/output_set.hpp"
#include "python/design_files.hpp"

namespace quill::py_front {

using quill::FileText;

/// Writes `files`; on a failure, the fault names the file and the system's
/// reason, then `none_kept` ("no artwork file was kept").
FileFault write_together(const std::vector<FileText>& files, const std::string& none_kept);

}  // namespace quill::py_front
