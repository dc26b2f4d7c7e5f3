#pragma once
/// Fixed-column text: every number the program prints goes through here.
///
/// A real in %w.df is the float's exact binary value rounded to d decimals
/// (ties to even, as printf does), right-aligned in w columns. A magnitude
/// below 1 gets its leading "0" only when the field has room for it
/// (0.5 in %4.3f is ".500"). A value that does not fit, and any infinity or
/// NaN, prints as w asterisks.

#include <string>
#include <string_view>

namespace quill {

/// Appends a real in %w.df layout.
void put_real(std::string& out, float value, int w, int d);
/// Writes a real in %w.df layout at `out` (room for w characters); returns
/// the end of the field. The hot sweep builds whole lines this way.
char* put_real(char* out, float value, int w, int d);
/// A real with d decimals and no padding ("0.638", "-12.500"); asterisks
/// when it is not finite.
std::string decimals(float value, int d);
/// Appends an integer in %wd layout.
void put_int(std::string& out, long long value, int w);

/// Builds one piece of printed text item by item, in the order of a layout:
/// Text().sp(6).lit("Date:").i(7, 2).nl()
class Text {
 public:
  Text& sp(int n) { s_.append(static_cast<size_t>(n), ' '); return *this; }  ///< [n]
  Text& lit(std::string_view t) { s_.append(t); return *this; }               ///< "text"
  Text& f(float v, int w, int d) { put_real(s_, v, w, d); return *this; }     ///< %w.df
  Text& i(long long v, int w) { put_int(s_, v, w); return *this; }            ///< %wd
  Text& name(std::string_view v, int w = 20);                                 ///< %20s
  Text& nl() { s_.push_back('\n'); return *this; }                            ///< /
  Text& rep(char c, int n) { s_.append(static_cast<size_t>(n), c); return *this; }

  const std::string& str() const { return s_; }
  operator const std::string&() const { return s_; }
  operator std::string_view() const { return s_; }

 private:
  std::string s_;
};

}  // namespace quill
