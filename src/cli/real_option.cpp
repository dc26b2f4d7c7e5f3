#include "cli/real_option.hpp"

#include <charconv>
#include <cmath>

#include "common/number.hpp"

namespace quill {

namespace {

std::string bound(double v) { return plain_number(static_cast<float>(v)); }

}  // namespace

std::string range_text(const RealOption& opt) {
  const bool has_hi = opt.hi != unbounded;
  std::string low = (opt.lo_open ? "above " : "at least ") + bound(opt.lo);
  if (!has_hi) return low;
  if (!opt.lo_open && !opt.hi_open) return "between " + bound(opt.lo) + " and " + bound(opt.hi);
  return low + (opt.hi_open ? " and below " : " and at most ") + bound(opt.hi);
}

std::string help_text(const RealOption& opt) {
  std::string t(opt.help);
  t += " (" + (opt.choices.empty() ? range_text(opt) : std::string(opt.choices));
  if (!opt.unit.empty()) t += " " + std::string(opt.unit);
  if (opt.def) t += "; default " + plain_number(*opt.def);
  if (!opt.def_text.empty()) t += "; default " + std::string(opt.def_text);
  return t + ")";
}

std::optional<float> parse_real(const RealOption& opt, std::string_view text, std::string& error) {
  const std::string quoted = "\"" + std::string(text) + "\"";
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  float value = 0;
  // Only the plain decimal form: from_chars also reads "nan" and "inf",
  // which no option accepts, and the check below refuses them.
  const bool plain = !digits.empty() && (std::isdigit(static_cast<unsigned char>(digits.front())) ||
                                         digits.front() == '.' || digits.front() == '-');
  const auto res = plain ? std::from_chars(digits.data(), digits.data() + digits.size(), value)
                         : std::from_chars_result{digits.data(), std::errc::invalid_argument};
  if (res.ec == std::errc::result_out_of_range) {
    error = std::string(opt.flag) + ": " + quoted + " is beyond the range of the program's numbers";
    return std::nullopt;
  }
  if (res.ec != std::errc() || res.ptr != digits.data() + digits.size() || !std::isfinite(value)) {
    error = std::string(opt.flag) + ": " + quoted + " is not a number";
    return std::nullopt;
  }
  const double v = value;
  const bool low_ok = opt.lo_open ? v > opt.lo : v >= opt.lo;
  const bool high_ok = opt.hi_open ? v < opt.hi : v <= opt.hi;
  if (!low_ok || !high_ok) {
    error = std::string(opt.flag) + " must be " +
            (opt.choices.empty() ? range_text(opt) : std::string(opt.choices)) +
            (opt.unit.empty() ? "" : " " + std::string(opt.unit)) + " (got " + std::string(text) + ")";
    return std::nullopt;
  }
  return value;
}

}  // namespace quill
