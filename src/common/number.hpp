#pragma once
/// The one number grammar of every typed answer and every numeric file entry.

#include <optional>
#include <string>
#include <string_view>

namespace quill {

/// Columns of a line that hold a number; anything from column 14 on is a label.
inline constexpr size_t number_columns = 13;

/// Reads the real in the first 13 columns of `line`. Blanks anywhere inside
/// them are ignored and an all-blank field reads as 0. The form is an optional
/// sign, digits with at most one decimal point, and an optional exponent
/// (E or D, either case, optional sign, digits). Anything else, and a value
/// beyond the single-precision range, is not a number (nullopt). A value too
/// small for single precision reads as 0.
std::optional<float> read_number(std::string_view line);

/// Nearest integer, halves away from zero; a value whose rounded result does
/// not fit a 32-bit signed integer becomes the most negative integer, which no
/// question accepts.
int round_choice(float value);

/// The shortest decimal text that reads back as exactly `value` ("0.1",
/// "1e-10", "-3.8075793e-01" style), for files other programs read: every
/// bit of a single-precision result survives. Infinities and NaN give
/// "inf", "-inf" and "nan".
std::string shortest(float value);
/// The shortest text that reads back as `value`, without an exponent for the
/// magnitudes people type (1e-6 to 1e15): "100000", not "1e+05". For messages
/// and titles.
std::string plain_number(float value);
/// Appends shortest(value).
void append_shortest(std::string& out, float value);

}  // namespace quill
