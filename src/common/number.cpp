#include "common/number.hpp"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace quill {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<float> read_number(std::string_view line) {
  std::string field;
  for (char c : line.substr(0, std::min(line.size(), number_columns)))
    if (c != ' ') field.push_back(c);
  if (field.empty()) return 0.0f;

  // Validate the form and collect the parts: sign, mantissa digits, the
  // position of the decimal point among them, and the exponent.
  size_t pos = 0;
  bool negative = false;
  if (field[pos] == '+' || field[pos] == '-') negative = field[pos++] == '-';
  std::string digits;
  long long point = -1;  // number of mantissa digits before the decimal point
  for (; pos < field.size(); ++pos) {
    const char c = field[pos];
    if (is_digit(c)) {
      digits.push_back(c);
    } else if (c == '.' && point < 0) {
      point = static_cast<long long>(digits.size());
    } else {
      break;
    }
  }
  if (digits.empty()) return std::nullopt;
  if (point < 0) point = static_cast<long long>(digits.size());

  long long exponent = 0;
  if (pos < field.size()) {
    const char e = field[pos++];
    if (e != 'E' && e != 'e' && e != 'D' && e != 'd') return std::nullopt;
    bool exp_negative = false;
    if (pos < field.size() && (field[pos] == '+' || field[pos] == '-'))
      exp_negative = field[pos++] == '-';
    if (pos == field.size()) return std::nullopt;
    for (; pos < field.size(); ++pos) {
      if (!is_digit(field[pos])) return std::nullopt;
      exponent = exponent * 10 + (field[pos] - '0');  // at most 12 digits fit 13 columns
    }
    if (exp_negative) exponent = -exponent;
  }

  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return negative ? -0.0f : 0.0f;

  // The decimal string as integer digits times a power of ten, converted with
  // correct rounding to the nearest float.
  const long long scale = exponent - (static_cast<long long>(digits.size()) - point);
  std::string text = (negative ? "-" : "") + digits + "e" + std::to_string(scale);
  float value = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    // Out of range either way: a magnitude of 1 or more overflowed, a smaller
    // one underflowed below the smallest single-precision value.
    const long long magnitude = point - static_cast<long long>(first) - 1 + exponent;
    if (magnitude >= 0) return std::nullopt;
    return negative ? -0.0f : 0.0f;
  }
  if (res.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return value;
}

int round_choice(float value) {
  const float r = std::round(value);  // halves away from zero
  if (!(r >= -2147483648.0f && r < 2147483648.0f)) return INT_MIN;
  return static_cast<int>(r);
}

std::string shortest(float value) {
  std::string text;
  append_shortest(text, value);
  return text;
}

std::string plain_number(float value) {
  const float size = std::fabs(value);
  if (!(size >= 1e-6f && size < 1e15f)) return shortest(value);
  char digits[64];
  const auto res = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
  return std::string(digits, res.ptr);
}

void append_shortest(std::string& out, float value) {
  char digits[32];
  const auto res = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<size_t>(res.ptr - digits));
}

}  // namespace quill
