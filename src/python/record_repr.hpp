#pragma once
/// The repr of the module's plain records: "Section(zoe=54.835, zoo=45.591,
/// ...)", each float in its shortest single-precision text, which is what
/// the engine computed with.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quill::py_front {

/// One field as it appears in a repr.
struct ReprField {
  std::string_view name;
  std::string text;
};

/// A float field (None when unset); an int field; a text field, quoted.
ReprField real_field(std::string_view name, std::optional<double> value);
ReprField int_field(std::string_view name, long long value);
ReprField text_field(std::string_view name, std::string_view value);
ReprField bool_field(std::string_view name, bool value);

/// "Type(a=1, b=2.5)".
std::string record_repr(std::string_view type, std::initializer_list<ReprField> fields);

}  // namespace quill::py_front
