#include "cli/output_files.hpp"

#include <unistd.h>

namespace quill {

namespace fs = std::filesystem;

std::optional<std::string> check_outputs(const std::vector<OutputRequest>& outputs,
                                         const fs::path& input, const fs::path& stack) {
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
    if (!stack.empty() && fs::exists(o.path, ec) && fs::equivalent(o.path, stack, ec))
      return named + ": is the stack-up file being read";
    for (size_t k = 0; k < i; ++k) {
      const OutputRequest& p = outputs[k];
      const bool same = p.path.lexically_normal() == o.path.lexically_normal() ||
                        (fs::exists(p.path, ec) && fs::equivalent(p.path, o.path, ec));
      if (same) return named + ": already named by " + std::string(p.option);
    }
  }
  return std::nullopt;
}

OutputFile::OutputFile(fs::path path, OutputOpener opener) : path_(std::move(path)), opener_(std::move(opener)) {
  partial_ = path_.parent_path() /
             ("." + path_.filename().string() + ".partial-" + std::to_string(::getpid()));
}

OutputFile::~OutputFile() {
  if (committed_ || opener_) return;
  file_.close();
  std::error_code ec;
  fs::remove(partial_, ec);
}

bool OutputFile::open() {
  // With an opener from the surroundings the buffer it gives is the file.
  if (file_.open(opener_ ? path_ : partial_, opener_)) return true;
  error_ = path_.string() + ": " + file_.reason();
  return false;
}

void OutputFile::write(std::string_view text) {
  if (file_.failed()) return;
  file_.stream() << text;
  file_.flush();
}

bool OutputFile::commit() {
  if (!file_.close()) {
    error_ = path_.string() + ": " + file_.reason();
    std::error_code ec;
    if (!opener_) fs::remove(partial_, ec);
    return false;
  }
  committed_ = true;
  if (opener_) return true;
  std::error_code ec;
  fs::rename(partial_, path_, ec);
  if (ec) {
    committed_ = false;
    error_ = path_.string() + ": " + ec.message();
    fs::remove(partial_, ec);
    return false;
  }
  return true;
}

}  // namespace quill
