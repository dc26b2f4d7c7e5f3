#include "fuzz/harness.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <system_error>
#include <vector>

#include "app/program.hpp"
#include "support/dialogue.hpp"
#include "support/failing_output.hpp"

namespace fs = std::filesystem;

namespace quill::fuzz {

namespace {

/// Thrown by the console when a run has printed its allowance.
struct ConsoleFull {};

/// A console that only counts: a sweep may legitimately print millions of
/// lines, and a fuzz run must stay short, so past the limit every write throws.
/// With badbit in the stream's exception mask the throw leaves the program.
class CountingBuf : public std::streambuf {
 public:
  explicit CountingBuf(std::size_t limit) : left_(limit) {}
  std::size_t written() const { return written_; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    take(1);
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    take(static_cast<std::size_t>(n));
    return n;
  }

 private:
  void take(std::size_t n) {
    if (n > left_) throw ConsoleFull{};
    left_ -= n;
    written_ += n;
  }
  std::size_t left_;
  std::size_t written_ = 0;
};

/// The error stream keeps its text: the contract check below reads it.
class KeepingBuf : public std::stringbuf {
 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (str().size() + static_cast<std::size_t>(n) > kConsoleLimit) throw ConsoleFull{};
    return std::stringbuf::xsputn(s, n);
  }
  int_type overflow(int_type c) override {
    if (str().size() >= kConsoleLimit) throw ConsoleFull{};
    return std::stringbuf::overflow(c);
  }
};

std::string example_design() {
  // The example defaults file without its last line (the storage name) is a
  // complete design-data file.
  const std::string& d = testing_support::kDefaults;
  const std::size_t last = d.rfind('\n', d.size() - 2);
  return d.substr(0, last + 1);
}

void write_file(const fs::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << text;
  if (!f) {
    std::fprintf(stderr, "fuzz harness: cannot write %s\n", p.c_str());
    std::abort();
  }
}

void empty_folder(const fs::path& dir) {
  for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

[[noreturn]] void broken(const char* what, const Outcome& o) {
  std::fprintf(stderr, "fuzz harness: %s (status %d)\nstderr of the run:\n%s\n", what, o.status,
               o.err.c_str());
  std::abort();
}

void remove_work_folder() {
  std::error_code ec;
  fs::remove_all(work_folder(), ec);
}

/// A design built in a board costs some hundred field solutions a section:
/// a few sections show every path, and a long design in a board would only
/// turn into a timeout (a second a section in a plain build, ten times that
/// with the sanitizers). So a command line with --stackup takes designs of at
/// most three sections, a board of at most eight layers, and synthesises only
/// with --sections of at most three.
bool board_work_too_long(const Case& c) {
  const auto& a = c.args;
  if (std::find(a.begin(), a.end(), "--stackup") == a.end()) return false;
  constexpr int most = 3;
  if (c.design) {
    // The section count is the first number of the design file's second line.
    const std::size_t line = c.design->find('\n');
    if (line != std::string::npos && std::atof(c.design->c_str() + line + 1) > most) return true;
  }
  if (c.stack) {
    int layers = 0;
    for (std::size_t at = c.stack->find("layer"); at != std::string::npos; at = c.stack->find("layer", at + 1))
      ++layers;
    if (layers > 8) return true;
  }
  if (!a.empty() && a[0].starts_with("synth")) {
    const auto sections = std::find(a.begin(), a.end(), "--sections");
    if (sections == a.end() || sections + 1 == a.end() || !(std::atof((sections + 1)->c_str()) <= most)) return true;
  }
  return false;
}

}  // namespace

Case split_case(std::string_view data) {
  // A leading stack-up part runs, line by line, to the first separator line.
  std::optional<std::string> stack;
  if (data.starts_with(kStackMarker)) {
    data.remove_prefix(kStackMarker.size());
    std::size_t end = 0;
    while (end < data.size() && data.substr(end, kSeparator.size()) != kSeparator) {
      const std::size_t line_end = data.find('\n', end);
      end = line_end == std::string_view::npos ? data.size() : line_end + 1;
    }
    if (end > 0) stack = std::string(data.substr(0, end));
    data.remove_prefix(std::min(data.size(), end + kSeparator.size()));
  }
  // Separator positions: at the very start, or right after a line end.
  std::vector<std::size_t> cuts;
  for (std::size_t at = 0; cuts.size() < 2;) {
    const std::size_t p = data.find(kSeparator, at);
    if (p == std::string_view::npos) break;
    if (p == 0 || data[p - 1] == '\n') cuts.push_back(p);
    at = p + 1;
  }
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  for (std::size_t c : cuts) {
    parts.push_back(data.substr(from, c - from));
    from = c + kSeparator.size();
  }
  parts.push_back(data.substr(from));

  auto present = [](std::string_view s) -> std::optional<std::string> {
    if (s.empty()) return std::nullopt;
    return std::string(s);
  };
  Case c;
  c.stack = std::move(stack);
  std::string_view typed = parts.back();
  if (typed.substr(0, 2) == "$ ") {
    // A command line: its first line holds the arguments.
    const std::size_t end = std::min(typed.find('\n'), typed.size());
    std::string_view line = typed.substr(2, end - 2);
    while (!line.empty()) {
      const std::size_t blank = std::min(line.find(' '), line.size());
      if (blank > 0) c.args.emplace_back(line.substr(0, blank));
      line.remove_prefix(std::min(blank + 1, line.size()));
    }
    for (const std::string& a : c.args) {
      if (a.find('/') != std::string::npos) c.refused = true;
      // A full-wave run starts openEMS, another program, for minutes.
      if (a.rfind("--run", 0) == 0) c.refused = true;
    }
    if (c.args.empty()) c.args.emplace_back("--version");
  }
  switch (parts.size()) {
    case 1:
      c.defaults = testing_support::kDefaults;
      c.design = example_design();
      c.typed = parts[0];
      break;
    case 2:
      c.defaults = testing_support::kDefaults;
      c.design = present(parts[0]);
      c.typed = parts[1];
      break;
    default:
      c.defaults = present(parts[0]);
      c.design = present(parts[1]);
      c.typed = parts[2];
      break;
  }
  if (board_work_too_long(c)) c.refused = true;
  return c;
}

std::string join_case(std::string_view defaults, std::string_view design, std::string_view typed) {
  std::string s;
  s.append(defaults);
  if (!s.empty() && s.back() != '\n') s += '\n';
  s.append(kSeparator);
  s.append(design);
  if (!design.empty() && s.back() != '\n') s += '\n';
  s.append(kSeparator);
  s.append(typed);
  return s;
}

std::string with_stack(std::string_view stack, std::string_view rest) {
  std::string s(kStackMarker);
  s.append(stack);
  if (!stack.empty() && s.back() != '\n') s += '\n';
  s.append(kSeparator);
  s.append(rest);
  return s;
}

const fs::path& work_folder() {
  // Never destroyed: the exit handler that removes the folder runs after the
  // destructors of statics constructed before it was registered.
  static const fs::path* const dir = [] {
    auto* d = new fs::path(fs::temp_directory_path() /
                           ("quillomate-fuzz-" + std::to_string(::getpid())));
    fs::remove_all(*d);
    fs::create_directories(*d);
    std::atexit(remove_work_folder);
    return d;
  }();
  return *dir;
}

Outcome run_case(const Case& c) {
  const fs::path& dir = work_folder();
  empty_folder(dir);
  fs::create_directory(dir / kFolderName);
  if (c.defaults) write_file(dir / "Quillomate.DEF", *c.defaults);
  if (c.design) write_file(dir / kDesignName, *c.design);
  if (c.stack) write_file(dir / kStackName, *c.stack);

  std::istringstream in(c.typed);
  CountingBuf console(kConsoleLimit);
  KeepingBuf errors;
  std::ostream out(&console), err(&errors);
  out.exceptions(std::ios::badbit);
  err.exceptions(std::ios::badbit);
  // Output files stay in memory and fail past their limit, as a full disk does.
  OutputOpener opener = [](const fs::path&) -> std::unique_ptr<std::streambuf> {
    return std::make_unique<testing_support::LimitedBuffer>(std::make_shared<std::string>(), kFileLimit);
  };
  // The dialogue's storage file stays a real file of the working folder, so
  // a name that cannot be opened (the folder beside it) is still tried.
  Surroundings env{in, out, err, [] { return TimeStamp{2026, 7, 5, 9, 5, 3}; }, dir,
                   c.args.empty() ? OutputOpener{} : opener};

  Outcome o;
  if (c.refused) return o;
  try {
    o.status = run_program(env, c.args);
  } catch (const ConsoleFull&) {
    o.status = -1;
  }
  o.console = console.written();
  o.err = errors.str();

  if (o.status == -1) return o;
  if (c.args.empty()) {
    if (o.status != 0 && o.status != 2 && o.status != 4) broken("exit status other than 0, 2 or 4", o);
    if (o.status != 0 && o.err.empty()) broken("stopped without a message", o);
    if (o.status == 0 && !o.err.empty()) broken("orderly end with a stop message", o);
    return o;
  }
  const auto lines = std::count(o.err.begin(), o.err.end(), '\n');
  if (o.status < 0 || o.status > 4) broken("command line: exit status outside 0..4", o);
  if (o.status != 0 && (lines != 1 || o.err.back() != '\n')) broken("command line: a failure without one line", o);
  if (o.status == 0 && !o.err.empty()) broken("command line: a success with a message", o);
  // Files go through the opener, so no companion file may appear in the folder.
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().find(".partial-") != std::string::npos)
      broken("command line: a half-written file was left", o);
  return o;
}

}  // namespace quill::fuzz
