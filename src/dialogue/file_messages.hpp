#pragma once
/// The dialogue's messages for faults in its files. Those about a user-named
/// file (the design-data file and the output-storage file) begin with a line
/// break, so after an open line they end it and at a question they leave one
/// empty line below the answer.

#include <string>
#include <string_view>

#include "files/defaults_file.hpp"

namespace quill {

/// The file ended before `entry` (also shown for a blank file name).
std::string user_file_end_message(std::string_view fnuser, std::string_view entry);
/// `entry` is in error, or the named file cannot be opened.
std::string user_file_error_message(std::string_view fnuser, std::string_view entry);

/// The console message for a fault in the defaults file (end of file, or an
/// entry in error).
std::string defaults_fault_message(const DefaultsRead& r);

}  // namespace quill
