#pragma once
/// The range a value must lie in, and the command line's words when it does
/// not: "--coupling must be between 3 and 30 dB (got 2)". Front ends that
/// take numbers rather than text (the Python module, the engine's own request
/// checks) say a mistake as the command line says it.

#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

struct ValueRange {
  std::string_view flag;  ///< the option that states the value, "--coupling"
  std::string_view unit;  ///< "dB"; empty for none
  double lo;
  bool lo_open;           ///< lo itself is refused
  double hi = std::numeric_limits<double>::infinity();  ///< infinity: no upper bound
  bool hi_open = false;   ///< hi itself is refused
};

/// "above 0", "at least 1", "between 3 and 30", "above 0 and at most 1".
std::string range_words(const ValueRange& r);

/// nullopt when `v` lies in `r`; otherwise the message, the value written as
/// its shortest text. Bounds are compared in double, as the command line
/// compares a typed value; an infinity or NaN "is not a number", as the
/// command line says of "inf" and "nan".
std::optional<std::string> range_fault(const ValueRange& r, float v);

}  // namespace quill
