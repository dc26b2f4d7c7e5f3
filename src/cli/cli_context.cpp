#include "cli/cli_context.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "cli/exit_status.hpp"
#include "common/name_field.hpp"

namespace quill {

namespace fs = std::filesystem;

int CliContext::fail(int status, std::string_view message) const {
  env.err << "quillomate" << (command.empty() ? "" : " ") << command << ": " << message << "\n";
  env.err.flush();
  return status;
}

fs::path CliContext::path(const std::string& text) const {
  const fs::path p(text);
  return p.is_absolute() ? p : env.workdir / p;
}

bool CliContext::stdout_written() const {
  // A write that already failed left its reason in errno.
  if (env.out) errno = 0;
  env.out.flush();
  if (env.out) return true;
  const int e = errno;
  fail(exit_output_failed, std::string("cannot write standard output: ") +
                               (e != 0 ? std::strerror(e) : "write failed"));
  return false;
}

std::optional<FileDesign> read_design_argument(const CliContext& ctx, const std::string& file,
                                               int& status) {
  status = exit_input_file;
  const fs::path path = ctx.path(file);
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) {
    ctx.fail(status, file + ": no such design-data file");
    return std::nullopt;
  }
  if (fs::is_directory(st)) {
    ctx.fail(status, file + ": is a folder, not a design-data file");
    return std::nullopt;
  }
  // A device or a pipe may never end a line: only plain files are read.
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
  errno = 0;
  DesignDataRead read = read_design_data(in);
  const int read_error = errno;
  if (read.fault == EntryFile::none) return std::move(read.values);
  ctx.fail(status, design_data_fault(read, file, read_error));
  return std::nullopt;
}

}  // namespace quill
