#include "common/value_range.hpp"

#include <cmath>

#include "common/number.hpp"

namespace quill {

namespace {

std::string bound(double v) { return plain_number(static_cast<float>(v)); }

}  // namespace

std::string range_words(const ValueRange& r) {
  const std::string low = (r.lo_open ? "above " : "at least ") + bound(r.lo);
  if (r.hi == std::numeric_limits<double>::infinity()) return low;
  if (!r.lo_open && !r.hi_open) return "between " + bound(r.lo) + " and " + bound(r.hi);
  return low + (r.hi_open ? " and below " : " and at most ") + bound(r.hi);
}

std::optional<std::string> range_fault(const ValueRange& r, float value) {
  // An infinity or NaN is no number at all, as the command line reads "inf" or "nan".
  if (!std::isfinite(value)) return std::string(r.flag) + ": \"" + plain_number(value) + "\" is not a number";
  const double v = value;
  const bool low_ok = r.lo_open ? v > r.lo : v >= r.lo;
  const bool high_ok = r.hi_open ? v < r.hi : v <= r.hi;
  if (low_ok && high_ok) return std::nullopt;
  return std::string(r.flag) + " must be " + range_words(r) + (r.unit.empty() ? "" : " " + std::string(r.unit)) +
         " (got " + plain_number(value) + ")";
}

}  // namespace quill
