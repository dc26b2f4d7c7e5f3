#include "common/xml_text.hpp"

namespace quill {

std::string xml_text(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // A well-formed multi-byte sequence is copied whole; anything else is one '?'.
    std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
    if (c >= 0xF5) len = 0;
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k)
      ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && len >= 3) {
      // No overlong forms, no surrogates, nothing past U+10FFFF.
      const auto c1 = static_cast<unsigned char>(s[i + 1]);
      if (c == 0xE0 && c1 < 0xA0) ok = false;
      if (c == 0xED && c1 >= 0xA0) ok = false;
      if (c == 0xF0 && c1 < 0x90) ok = false;
      if (c == 0xF4 && c1 >= 0x90) ok = false;
    }
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

}  // namespace quill
