#pragma once
/// The module's border with Python: numbers taken from a script, a value out
/// of range named by its parameter, and failures turned
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

/// Creates quillomate.LengthWarning in module `m`.
void add_length_warning(pybind11::module_& m);

/// Warns with quillomate.LengthWarning (the warnings filters decide whether it
/// is shown, ignored or raised).
void warn_length(const std::string& message);

/// A scikit-rf Network of `s` (complex, n x 4 x 4) at `frequencies_mhz`,
/// for `who` ("Analysis.network()"): an ImportError naming the package to
/// install when scikit-rf is missing.
pybind11::object skrf_network(const char* who, const pybind11::object& frequencies_mhz, const pybind11::object& s,
                              double zo, const pybind11::object& name);

/// Raises ValueError with `message`.
[[noreturn]] void raise_value(const std::string& message);

/// Raises OSError (the subclass its error number calls for: FileNotFoundError,
/// PermissionError, ...) or ValueError for a file whose contents are wrong;
/// str() of the exception is the message.
[[noreturn]] void raise_file(const FileFault& fault);

/// Raises ValueError for a bad request, quillomate.NoDesign for a sound one
/// no design covers.
[[noreturn]] void raise_synthesis(const SynthesisOutcome& outcome);

/// `value` in single precision, as the command line reads an option's text:
/// a finite value beyond single precision is beyond the program's numbers
/// (the parameter `name` and the value as Python writes it). Infinities and
/// NaN pass, for the range check to refuse in its turn.
float single(std::string_view name, double value);

/// single(), then the range check: ValueError naming range.flag (the
/// parameter), the range and the value on a fault.
float single_in(const ValueRange& range, double value);

/// A path as a script gives it (str or os.PathLike), as text for messages and
/// names.
std::string path_text(const pybind11::handle& path);

}  // namespace quill::py_front
