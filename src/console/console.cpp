#include "console/console.hpp"

#include <cerrno>

#include "common/line_reader.hpp"
#include "common/name_field.hpp"
#include "common/number.hpp"
#include "common/written_file.hpp"

namespace quill {

void Console::say(std::string_view text) {
  if (failed_) return;
  errno = 0;
  out_ << text;
  if (!out_) console_failed(failure_reason(errno));
}

void Console::warn(std::string_view line) {
  err_ << "quillomate: " << line << "\n";
  err_.flush();
}

void Console::console_failed(const std::string& reason) {
  if (failed_) return;
  failed_ = true;
  err_ << "quillomate: stopped: cannot write standard output: " << reason << "\n";
}

std::optional<std::string> Console::answer(std::string_view prompt) {
  if (failed_) return std::nullopt;
  // The prompt must be seen before an answer is awaited: a console that
  // cannot take it stops the program here.
  errno = 0;
  out_ << prompt;
  out_.flush();
  if (!out_) {
    console_failed(failure_reason(errno));
    return std::nullopt;
  }
  Line line = read_line(in_);
  if (line.status != Line::ok) {
    err_ << "quillomate: stopped: standard input ended while an answer was awaited\n";
    return std::nullopt;
  }
  return std::move(line.text);
}

std::optional<float> Console::askval(std::string_view prompt) {
  auto text = answer(prompt);
  if (!text) return std::nullopt;
  auto value = read_number(*text);
  if (!value) {
    err_ << "quillomate: stopped: bad real value \""
         << text->substr(0, std::min(text->size(), number_columns)) << "\" in answer\n";
  }
  return value;
}

std::optional<float> Console::askreal(std::string_view prompt, float def, Accept test, float bound) {
  auto value = askval(prompt);
  if (!value) return std::nullopt;
  const float v = *value;
  bool ok = false;
  switch (test) {
    case Accept::positive: ok = v > 0; break;
    case Accept::at_least_one: ok = v >= 1; break;
    case Accept::below_bound: ok = v > 0 && v < bound; break;
  }
  return ok ? v : def;
}

std::optional<int> Console::askopt(std::string_view prompt, const Menu& menu) {
  auto value = askval(prompt);
  if (!value) return std::nullopt;
  const int choice = round_choice(*value);
  return choice >= menu.lo && choice <= menu.hi ? choice : menu.def;
}

std::optional<std::string> Console::askname(std::string_view prompt) {
  auto text = answer(prompt);
  if (!text) return std::nullopt;
  return name_field(*text);
}

bool Console::pause() {
  errno = 0;
  out_.flush();
  if (!out_) {
    console_failed(failure_reason(errno));
    return false;
  }
  if (read_line(in_).status == Line::ok) return true;
  err_ << "quillomate: stopped: standard input ended at the pause\n";
  return false;
}

}  // namespace quill
