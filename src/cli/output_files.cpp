#include "cli/output_files.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quill {

namespace fs = std::filesystem;

namespace {

/// The system's words for the last failure, or a plain fallback when the
/// library did not leave a reason.
std::string reason() {
  const int e = errno;
  return e != 0 ? std::strerror(e) : "write failed";
}

}  // namespace

std::optional<std::string> check_outputs(const std::vector<OutputRequest>& outputs,
                                         const fs::path& input) {
  std::error_code ec;
  for (size_t i = 0; i < outputs.size(); ++i) {
    const OutputRequest& o = outputs[i];
    const std::string named = std::string(o.option) + " " + o.path.string();
    if (o.path.filename().empty()) return named + ": names a folder, not a file";
    const fs::path folder = o.path.parent_path().empty() ? fs::path(".") : o.path.parent_path();
    if (!fs::is_directory(folder, ec)) return named + ": the folder " + folder.string() + " does not exist";
    if (fs::is_directory(o.path, ec)) return named + ": is a folder";
    if (!input.empty() && fs::exists(o.path, ec) && fs::equivalent(o.path, input, ec))
      return named + ": is the design file being read";
    for (size_t k = 0; k < i; ++k) {
      const OutputRequest& p = outputs[k];
      const bool same = p.path.lexically_normal() == o.path.lexically_normal() ||
                        (fs::exists(p.path, ec) && fs::equivalent(p.path, o.path, ec));
      if (same) return named + ": already named by " + std::string(p.option);
    }
  }
  return std::nullopt;
}

OutputFile::OutputFile(fs::path path) : path_(std::move(path)) {
  partial_ = path_.parent_path() /
             ("." + path_.filename().string() + ".partial-" + std::to_string(::getpid()));
}

OutputFile::~OutputFile() {
  if (committed_) return;
  if (file_.is_open()) file_.close();
  std::error_code ec;
  fs::remove(partial_, ec);
}

bool OutputFile::fail(const std::string& why) {
  if (error_.empty()) error_ = path_.string() + ": " + why;
  return false;
}

bool OutputFile::open() {
  errno = 0;
  file_.open(partial_, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file_.is_open()) return fail(reason());
  return true;
}

void OutputFile::write(std::string_view text) {
  if (!error_.empty()) return;
  errno = 0;
  file_.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!file_) fail(reason());
}

bool OutputFile::commit() {
  if (error_.empty()) {
    errno = 0;
    file_.flush();
    if (!file_) fail(reason());
  }
  if (file_.is_open()) {
    errno = 0;
    file_.close();
    if (file_.fail()) fail(reason());
  }
  if (!error_.empty()) {
    std::error_code ec;
    fs::remove(partial_, ec);
    return false;
  }
  std::error_code ec;
  fs::rename(partial_, path_, ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(partial_, ec);
    return fail(why);
  }
  committed_ = true;
  return true;
}

}  // namespace quill
