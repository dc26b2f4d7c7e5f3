#pragma once
/// The module's border with Python: numbers taken from a script with the
/// command line's words for a value that is not one, and failures turned
/// into Python exceptions (ValueError for bad input, OSError for files,
/// quillomate.NoDesign for a band no design covers). Nothing here prints.

#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/value_range.hpp"
#include "python/design_files.hpp"
#include "synthesis/synthesis_request.hpp"

namespace quill::py_front {

/// Creates quillomate.NoDesign in module `m`.
void add_no_design(pybind11::module_& m);

/// Raises ValueError with `message`.
[[noreturn]] void raise_value(const std::string& message);

/// Raises OSError (the subclass its error number calls for: FileNotFoundError,
/// PermissionError, ...) or ValueError for a file whose contents are wrong;
/// str() of the exception is the message.
[[noreturn]] void raise_file(const FileFault& fault);

/// Raises ValueError for a bad request, quillomate.NoDesign for a sound one
/// no design covers.
[[noreturn]] void raise_synthesis(const SynthesisOutcome& outcome);

/// `value` in single precision, as the command line reads `flag`'s text: a
/// finite value beyond single precision is beyond the program's numbers
/// (named as Python writes it). Infinities and NaN pass, for the range check
/// to refuse in its turn.
float single(std::string_view flag, double value);

/// single(), then the range check: the command line's message on a fault.
float single_in(const ValueRange& range, double value);

/// A path as a script gives it (str or os.PathLike), as text for messages and
/// names.
std::string path_text(const pybind11::handle& path);

}  // namespace quill::py_front
