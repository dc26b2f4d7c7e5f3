#pragma once
/// Entry-by-entry reading of the defaults file and of design-data files: one
/// entry per line, a number in columns 1 to 13 (a label may follow), every
/// entry checked as soon as it is read. The first fault ends the reading and
/// is remembered with the name of the entry it concerns.

#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

class EntryFile {
 public:
  enum Fault {
    none,
    missing,     ///< the file ended before the entry
    bad,         ///< the entry is not a number, or fails its check
    unreadable,  ///< the file opened but could not be read at all (a directory)
  };

  explicit EntryFile(std::istream& in) : in_(in) {}

  /// A line that must exist but whose content is not used.
  bool skip(std::string_view entry);
  /// A numeric entry.
  std::optional<float> number(std::string_view entry);
  /// A numeric entry checked by `ok`; `rule` says in words what it must be
  /// ("above 0 MHz"), for the reason of a fault.
  template <class Check>
  std::optional<float> number(std::string_view entry, const std::string& rule, Check ok) {
    auto v = number(entry);
    if (v && !ok(*v)) {
      reason_ = "got " + shown_ + ", must be " + rule;
      return reject(entry);
    }
    return v;
  }
  /// A 20-character text entry.
  std::optional<std::string> name(std::string_view entry);
  /// Marks the current entry as failing its check.
  std::nullopt_t reject(std::string_view entry);

  Fault fault() const { return fault_; }
  /// The 20-character name of the entry the fault concerns.
  const std::string& entry() const { return entry_; }
  /// The line number (from 1) of the entry last read or rejected.
  int line() const { return line_; }
  /// Why a bad entry is bad, naming what the file holds and what it must
  /// be: "got -60, must be at least Zo, 50 ohms", "\"71,56\" is not a
  /// number". Empty for other faults.
  const std::string& reason() const { return reason_; }

 private:
  std::optional<std::string> next(std::string_view entry);

  std::istream& in_;
  Fault fault_ = none;
  std::string entry_;
  std::string shown_;   ///< the number last read, as a message shows it
  std::string reason_;
  bool first_ = true;
  int line_ = 0;
};

}  // namespace quill
