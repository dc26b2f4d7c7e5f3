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
  // the scaled value is exact in double; nearbyint then rounds it to nearest,
  // ties to even, which is exactly what printf does with the binary value.
  const double scaled = std::fabs(static_cast<double>(value)) * kPow10[d];
  if (scaled >= 9e15) return stars(out, w);  // far wider than any field
  const auto units = static_cast<long long>(std::nearbyint(scaled));

  char digits[24];
  auto res = std::to_chars(digits, digits + sizeof digits, units);
  std::string_view all(digits, static_cast<size_t>(res.ptr - digits));
  std::string text;
  if (std::signbit(value)) text.push_back('-');  // "-0.000" as printf prints it
  if (static_cast<int>(all.size()) <= d) {
    text.push_back('0');
    text.push_back('.');
    text.append(static_cast<size_t>(d) - all.size(), '0');
    text.append(all);
  } else {
    text.append(all.substr(0, all.size() - static_cast<size_t>(d)));
    text.push_back('.');
    text.append(all.substr(all.size() - static_cast<size_t>(d)));
  }
  if (static_cast<int>(text.size()) > w) {
    // Without room for it, a leading zero before the point is dropped.
    const size_t zero = text[0] == '-' ? 1 : 0;
    if (text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
  }
  if (static_cast<int>(text.size()) > w) return stars(out, w);
  out.append(static_cast<size_t>(w) - text.size(), ' ');
  out.append(text);
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
