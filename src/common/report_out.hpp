#pragma once
/// Where report text goes: every report line is written to the console and,
/// while output storage is on, the same text to the storage file, console first.
/// Menus, prompts and messages never come through here: they are console only.
///
/// Each block of text is pushed out as it is put, and each stream is judged
/// then: a stream that failed takes no more text, and the failure is kept
/// with the system's reason for whoever printed the report to act on.

#include <ostream>
#include <string>
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
  static ReportOut plain(std::ostream* console, std::ostream* copy) { return ReportOut(console, copy); }

  /// Writes one block to each stream that has not failed, and pushes it out.
  void put(std::string_view text);

  /// True when the report must name its storage file at its end: storage is
  /// on and has not failed.
  bool storing() const { return announce_ && storage_failure_.empty(); }

  /// The reason the console (or the copy) failed, empty while it has not.
  const std::string& console_failure() const { return console_failure_; }
  const std::string& storage_failure() const { return storage_failure_; }
  bool console_failed() const { return !console_failure_.empty(); }
  bool storage_failed() const { return !storage_failure_.empty(); }
  /// True while some stream still takes text.
  bool open_anywhere() const {
    return (console_ != nullptr && console_failure_.empty()) || (storage_ != nullptr && storage_failure_.empty());
  }

 private:
  ReportOut(std::ostream* console, std::ostream* copy)
      : console_(console), storage_(copy), announce_(false) {}

  std::ostream* console_;
  std::ostream* storage_;
  bool announce_;
  std::string console_failure_;
  std::string storage_failure_;
};

}  // namespace quill
