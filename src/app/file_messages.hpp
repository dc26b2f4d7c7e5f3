#pragma once
/// Messages for faults in a user-named file: the design-data file and the
/// output-storage file. Both begin with a line break, so after an open line
/// they end it and at a question they leave one empty line below the answer.

#include <string>
#include <string_view>

namespace quill {

/// The file ended before `entry` (also shown for a blank file name).
std::string user_file_end_message(std::string_view fnuser, std::string_view entry);
/// `entry` is in error, or the named file cannot be opened.
std::string user_file_error_message(std::string_view fnuser, std::string_view entry);

}  // namespace quill
