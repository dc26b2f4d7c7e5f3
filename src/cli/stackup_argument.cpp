#include "cli/stackup_argument.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cli/exit_status.hpp"
#include "files/stackup_file.hpp"

namespace quill {

namespace {

/// A stack-up is a few dozen lines; reading stops a byte past this, so a
/// huge file (or one still growing) cannot hold the program up.
constexpr std::size_t kMostBytes = 1u << 20;

}  // namespace

std::optional<Stackup> read_stackup_argument(const CliContext& ctx, const std::string& file, int& status) {
  namespace fs = std::filesystem;
  status = exit_input_file;
  const fs::path path = ctx.path(file);
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) {
    ctx.fail(status, file + ": no such stack-up file");
    return std::nullopt;
  }
  if (fs::is_directory(st)) {
    ctx.fail(status, file + ": is a folder, not a stack-up file");
    return std::nullopt;
  }
  // A device or a pipe may never end: only plain files are read.
  if (!fs::is_regular_file(st)) {
    ctx.fail(status, file + ": is not a plain file");
    return std::nullopt;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    ctx.fail(status, file + ": cannot be read: " + std::strerror(errno != 0 ? errno : EIO));
    return std::nullopt;
  }
  std::string text(kMostBytes + 1, '\0');
  errno = 0;
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    ctx.fail(status, file + ": cannot be read: " + std::strerror(errno != 0 ? errno : EIO));
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(in.gcount()));

  status = exit_usage;
  if (text.size() > kMostBytes) {
    ctx.fail(status, file + ": is larger than 1 MiB; a stack-up file is a few dozen lines");
    return std::nullopt;
  }
  StackupRead read = read_stackup_text(text, file);
  if (!read.ok) {
    ctx.fail(status, read.message);
    return std::nullopt;
  }
  status = exit_ok;
  return std::move(read.stackup);
}

}  // namespace quill
