#pragma once
/// The command line's numeric options, each stated once: its flag, what it
/// stands for, its unit, the values it accepts and its default. The parser,
/// the help text and the tests all read these records.

#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

struct RealOption {
  std::string_view flag;        ///< "--loss"
  std::string_view value_name;  ///< "DB_PER_INCH", shown in the help
  std::string_view unit;        ///< "dB per inch", used in messages
  double lo;                    ///< smallest accepted value
  bool lo_open;                 ///< lo itself is refused
  double hi;                    ///< largest accepted value (infinity: none)
  bool hi_open;                 ///< hi itself is refused
  std::string_view help;        ///< what the value is, one line
  std::optional<float> def;     ///< the default, when the option has a fixed one
  std::string_view def_text;    ///< the default in words, when it comes from elsewhere
  std::string_view choices = {};  ///< the accepted values in words, for a short list
};

/// The option's help line: what it is, the values it takes and its default.
std::string help_text(const RealOption& opt);

inline constexpr double unbounded = std::numeric_limits<double>::infinity();

/// The value of `text` for `opt`: a plain decimal number (optional sign,
/// digits, optional point and exponent), finite, within single precision
/// and within the option's range. On failure nullopt, with one sentence in
/// `error` saying what is wrong.
std::optional<float> parse_real(const RealOption& opt, std::string_view text, std::string& error);

/// "above 0 and at most 1", "at least 0", "between 3 and 30".
std::string range_text(const RealOption& opt);

}  // namespace quill
