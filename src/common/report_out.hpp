#pragma once
/// Where report text goes: every report line is written to the console and,
/// while output storage is on, the same text to the storage file, console first.
/// Menus, prompts and messages never come through here: they are console only.

#include <ostream>
#include <string_view>

namespace quill {

class ReportOut {
 public:
  ReportOut(std::ostream& console, std::ostream* storage) : console_(console), storage_(storage) {}

  void put(std::string_view text) {
    console_ << text;
    if (storage_ != nullptr) *storage_ << text;
  }
  bool storing() const { return storage_ != nullptr; }

 private:
  std::ostream& console_;
  std::ostream* storage_;  ///< null while storage is off
};

}  // namespace quill
