#include "common/report_out.hpp"

#include <cerrno>

#include "common/written_file.hpp"

namespace quill {

namespace {

/// Writes and flushes; on failure keeps the first reason and returns false.
void send(std::ostream& s, std::string_view text, std::string& failure) {
  errno = 0;
  s << text;
  if (s) s.flush();
  if (!s && failure.empty()) failure = failure_reason(errno);
}

}  // namespace

void ReportOut::put(std::string_view text) {
  if (console_ != nullptr && console_failure_.empty()) send(*console_, text, console_failure_);
  if (storage_ != nullptr && storage_failure_.empty()) send(*storage_, text, storage_failure_);
}

}  // namespace quill
