#include "common/name_field.hpp"

namespace quill {

std::string name_field(std::string_view text) {
  std::string name(text.substr(0, std::min<size_t>(text.size(), 20)));
  name.resize(20, ' ');
  return name;
}

std::string_view trimmed(std::string_view name) {
  const size_t last = name.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : name.substr(0, last + 1);
}

bool plain_file_name(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace quill
