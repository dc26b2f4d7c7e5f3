#pragma once
/// File names and entry names travel as 20-character fields, blank-padded, as
/// they are typed, stored and printed.

#include <string>
#include <string_view>

namespace quill {

/// Pads or cuts a text to the 20-character name field.
std::string name_field(std::string_view text);
/// A name without its trailing blanks, as a file is opened by it.
std::string_view trimmed(std::string_view name);
/// True for a plain file name of the working folder: files named at the
/// console never reach into other folders ("../x", "/etc/x").
bool plain_file_name(std::string_view name);

}  // namespace quill
