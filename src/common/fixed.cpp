#include "common/fixed.hpp"

#include <charconv>
#include <cmath>

namespace quill {

namespace {

void stars(std::string& out, int w) { out.append(static_cast<size_t>(w), '*'); }

// 10^d for the decimal counts a layout can ask for.
constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

}  // namespace

void put_real(std::string& out, float value, int w, int d) {
  if (!std::isfinite(value) || d < 0 || d > 9) return stars(out, w);
  // A float is m * 2^e with m < 2^24, and 10^d = 5^d * 2^d with 5^9 < 2^21, so
  // the scaled value is exact in double. Adding and taking away 2^52 then
  // rounds it to the nearest integer, ties to even, in the default rounding
  // mode: exactly what printf does with the binary value.
  const double scaled = std::fabs(static_cast<double>(value)) * kPow10[d];
  if (scaled >= 4e15) return stars(out, w);  // far wider than any field
  constexpr double two52 = 4503599627370496.0;
  const auto units = static_cast<unsigned long long>((scaled + two52) - two52);

  char digits[24];
  const auto res = std::to_chars(digits, digits + sizeof digits, units);
  const int len = static_cast<int>(res.ptr - digits);
  char text[48];
  int n = 0;
  if (std::signbit(value)) text[n++] = '-';  // "-0.000" as printf prints it
  if (len <= d) {
    text[n++] = '0';
    text[n++] = '.';
    for (int k = len; k < d; ++k) text[n++] = '0';
    for (int k = 0; k < len; ++k) text[n++] = digits[k];
  } else {
    for (int k = 0; k < len - d; ++k) text[n++] = digits[k];
    text[n++] = '.';
    for (int k = len - d; k < len; ++k) text[n++] = digits[k];
  }
  const char* begin = text;
  if (n > w) {
    // Without room for it, a leading zero before the point is dropped.
    const int zero = text[0] == '-' ? 1 : 0;
    if (text[zero] == '0' && text[zero + 1] == '.') {
      for (int k = zero; k + 1 < n; ++k) text[k] = text[k + 1];
      --n;
    }
  }
  if (n > w) return stars(out, w);
  out.append(static_cast<size_t>(w - n), ' ');
  out.append(begin, static_cast<size_t>(n));
}

void put_int(std::string& out, long long value, int w) {
  char digits[24];
  auto res = std::to_chars(digits, digits + sizeof digits, value);
  const auto len = static_cast<int>(res.ptr - digits);
  if (len > w) return stars(out, w);
  out.append(static_cast<size_t>(w - len), ' ');
  out.append(digits, static_cast<size_t>(len));
}

Text& Text::name(std::string_view v, int w) {
  const auto width = static_cast<size_t>(w);
  if (v.size() >= width) {
    s_.append(v.substr(0, width));
  } else {
    s_.append(v);
    s_.append(width - v.size(), ' ');
  }
  return *this;
}

}  // namespace quill
