#include "common/fixed.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace quill {

namespace {

void stars(std::string& out, int w) { out.append(static_cast<size_t>(w), '*'); }
char* stars(char* out, int w) {
  for (int k = 0; k < w; ++k) *out++ = '*';
  return out;
}

// 10^d for the decimal counts a layout can ask for.
constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr std::uint64_t kUnits[] = {1,      10,      100,      1000,      10000,
                                    100000, 1000000, 10000000, 100000000, 1000000000};

// units / 10^d with constant divisors, which compile to multiplications.
std::uint64_t whole_part(std::uint64_t units, int d) {
  switch (d) {
    case 0: return units;
    case 1: return units / 10;
    case 2: return units / 100;
    case 3: return units / 1000;
    case 4: return units / 10000;
    case 5: return units / 100000;
    case 6: return units / 1000000;
    case 7: return units / 10000000;
    case 8: return units / 100000000;
    default: return units / 1000000000;
  }
}

}  // namespace

char* put_real(char* out, float value, int w, int d) {
  if (!std::isfinite(value) || d < 0 || d > 9) return stars(out, w);
  // A float is m * 2^e with m < 2^24, and 10^d = 5^d * 2^d with 5^9 < 2^21, so
  // the scaled value is exact in double. Adding and taking away 2^52 then
  // rounds it to the nearest integer, ties to even, in the default rounding
  // mode: exactly what printf does with the binary value.
  const double scaled = std::fabs(static_cast<double>(value)) * kPow10[d];
  if (scaled >= 4e15) return stars(out, w);  // far wider than any field
  constexpr double two52 = 4503599627370496.0;
  const auto units = static_cast<std::uint64_t>((scaled + two52) - two52);
  std::uint64_t whole = whole_part(units, d);
  std::uint64_t fraction = units - whole * kUnits[d];

  // Width of the text: sign, whole digits (a lone "0" only if it fits), point, decimals.
  const bool negative = std::signbit(value);  // "-0.000" as printf prints it
  int len = (negative ? 1 : 0) + 1 + d;
  for (std::uint64_t t = whole; t != 0; t /= 10) ++len;
  const bool lone_zero = whole == 0 && len < w;
  if (lone_zero) ++len;
  if (len > w) return stars(out, w);

  // Right-aligned, written from the right end of the field.
  char* const end = out + w;
  char* p = end;
  for (int k = 0; k < d; ++k, fraction /= 10) *--p = static_cast<char>('0' + fraction % 10);
  *--p = '.';
  for (; whole != 0; whole /= 10) *--p = static_cast<char>('0' + whole % 10);
  if (lone_zero) *--p = '0';
  if (negative) *--p = '-';
  while (p != out) *--p = ' ';
  return end;
}

void put_real(std::string& out, float value, int w, int d) {
  char field[64];
  if (w < 0 || w > 64) w = 64;
  out.append(field, static_cast<size_t>(put_real(field, value, w, d) - field));
}

std::string decimals(float value, int d) {
  char field[40];
  const char* end = put_real(field, value, 40, d);
  const char* first = field;
  while (first != end && *first == ' ') ++first;
  return std::string(first, end);
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
