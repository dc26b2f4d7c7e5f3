#include "files/entry_file.hpp"

#include "common/line_reader.hpp"
#include "common/name_field.hpp"
#include "common/number.hpp"

namespace quill {

std::optional<std::string> EntryFile::next(std::string_view entry) {
  entry_ = name_field(entry);
  ++line_;
  Line line = read_line(in_);
  const bool first = first_;
  first_ = false;
  switch (line.status) {
    case Line::ok: return std::move(line.text);
    case Line::end: fault_ = missing; break;
    case Line::error: fault_ = first ? unreadable : bad; break;
  }
  return std::nullopt;
}

bool EntryFile::skip(std::string_view entry) { return next(entry).has_value(); }

std::optional<float> EntryFile::number(std::string_view entry) {
  auto text = next(entry);
  if (!text) return std::nullopt;
  auto value = read_number(*text);
  if (!value) {
    fault_ = bad;
    std::string field = text->substr(0, number_columns);
    while (!field.empty() && field.back() == ' ') field.pop_back();
    while (!field.empty() && field.front() == ' ') field.erase(0, 1);
    reason_ = "\"" + field + "\" is not a number";
    return value;
  }
  shown_ = plain_number(*value);
  return value;
}

std::optional<std::string> EntryFile::name(std::string_view entry) {
  auto text = next(entry);
  if (!text) return std::nullopt;
  return name_field(*text);
}

std::nullopt_t EntryFile::reject(std::string_view entry) {
  entry_ = name_field(entry);
  fault_ = bad;
  return std::nullopt;
}

}  // namespace quill
