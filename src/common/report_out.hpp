#pragma once
/// Where report text goes: every report line is written to the console and,
/// while output storage is on, the same text to the storage file, console first.
/// Menus, prompts and messages never come through here: they are console only.

#include <ostream>
#include <string_view>

namespace quill {

class ReportOut {
 public:
  /// The dialogue's: the console, and the storage file while storage is on
  /// (null while it is off). A stored report closes with the line that names
  /// its storage file.
  ReportOut(std::ostream& console, std::ostream* storage)
      : console_(&console), storage_(storage), announce_(storage != nullptr) {}

  /// The command line's: the report to `console` (null for none) and the same
  /// text to `copy` (null for none), with no storage line: both hold exactly
  /// the report.
  static ReportOut plain(std::ostream* console, std::ostream* copy) {
    ReportOut out(console, copy);
    return out;
  }

  void put(std::string_view text) {
    if (console_ != nullptr) *console_ << text;
    if (storage_ != nullptr) *storage_ << text;
  }
  /// True when the report must name its storage file at its end.
  bool storing() const { return announce_; }

 private:
  ReportOut(std::ostream* console, std::ostream* copy)
      : console_(console), storage_(copy), announce_(false) {}

  std::ostream* console_;
  std::ostream* storage_;
  bool announce_;
};

}  // namespace quill
