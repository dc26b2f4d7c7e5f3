#pragma once
/// Text made safe for XML: the SVG files the program writes carry names the
/// user chose (file names, design titles).

#include <string>
#include <string_view>

namespace quill {

/// `text` made safe as XML character data: markup characters escaped, control
/// characters and bytes that are not UTF-8 replaced by '?'.
std::string xml_text(std::string_view text);

}  // namespace quill
