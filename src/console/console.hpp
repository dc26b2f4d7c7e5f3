#pragma once
/// The console dialogue: every question of the program is asked and answered
/// here. A prompt stays on its line, one typed line is one answer, and an
/// answer that fails its question's test silently keeps the default.
///
/// Each ask returns nullopt when the program has to stop (text that is not a
/// number, end of input, a console that cannot be written); the stop message
/// has then been written to the error stream, and the caller unwinds.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "common/name_field.hpp"

namespace quill {

/// How a dialogue step left the program: carry on, end in order (status 0),
/// or stop in the input layer (status 2).
enum class Flow { go, end, stop };

/// A menu question: the choices the program accepts and the one it falls back to.
struct Menu {
  int lo;
  int hi;
  int def;
};

/// The test a real answer must pass to replace the question's default.
enum class Accept {
  positive,      ///< greater than 0
  at_least_one,  ///< 1 or more
  below_bound,   ///< greater than 0 and less than a bound given with the question
};

class Console {
 public:
  Console(std::istream& in, std::ostream& out, std::ostream& err) : in_(in), out_(out), err_(err) {}

  /// Writes text to the console only.
  void say(std::string_view text);
  std::ostream& out() { return out_; }
  /// True once the console could not be written: the next question stops the
  /// program, and it ends with the write-failure status.
  bool failed() const { return failed_; }
  /// Writes "quillomate: <line>" on the error stream.
  void warn(std::string_view line);
  /// Says on the error stream that the console could not be written, once.
  void console_failed(const std::string& reason);

  /// The real value of one typed line.
  std::optional<float> askval(std::string_view prompt);
  /// A real question: `def` unless the answer passes `test`.
  std::optional<float> askreal(std::string_view prompt, float def, Accept test, float bound = 0);
  /// A menu choice: the rounded answer if the menu accepts it, else its default.
  std::optional<int> askopt(std::string_view prompt, const Menu& menu);
  /// The first 20 characters of one typed line, blank-padded.
  std::optional<std::string> askname(std::string_view prompt);
  /// Waits for one line after a file fault. False when input has ended.
  bool pause();

 private:
  std::optional<std::string> answer(std::string_view prompt);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  bool failed_ = false;
};

}  // namespace quill
