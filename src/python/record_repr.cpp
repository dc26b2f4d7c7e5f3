#include "python/record_repr.hpp"

#include "common/number.hpp"

namespace quill::py_front {

ReprField real_field(std::string_view name, std::optional<double> value) {
  if (!value) return {name, "None"};
  // shortest() writes inf and nan as Python does.
  return {name, shortest(static_cast<float>(*value))};
}

ReprField int_field(std::string_view name, long long value) { return {name, std::to_string(value)}; }

ReprField text_field(std::string_view name, std::string_view value) {
  std::string text = "'";
  for (char c : value) {
    if (c == '\'' || c == '\\') text += '\\';
    text += c;
  }
  return {name, text + "'"};
}

ReprField bool_field(std::string_view name, bool value) { return {name, value ? "True" : "False"}; }

std::string record_repr(std::string_view type, std::initializer_list<ReprField> fields) {
  std::string out(type);
  out += '(';
  bool first = true;
  for (const ReprField& f : fields) {
    if (!first) out += ", ";
    first = false;
    out.append(f.name);
    out += '=';
    out += f.text;
  }
  return out + ')';
}

}  // namespace quill::py_front
