#include "cli/file_set.hpp"

#include "cli/exit_status.hpp"
#include "cli/output_files.hpp"

namespace quill {

int write_all_or_none(const CliContext& ctx, const std::vector<FileText>& files, const std::string& none_kept) {
  if (const SetFailure f = write_file_set(files, ctx.env.open_output))
    return ctx.fail(exit_output_failed, f.message + "; " + none_kept);
  return exit_ok;
}

int write_whole(const CliContext& ctx, const std::filesystem::path& path, const std::string& text) {
  OutputFile file(path, ctx.env);
  if (!file.open()) return ctx.fail(exit_output_failed, file.open_failure());
  file.write(text);
  if (!file.commit()) return ctx.fail(exit_output_failed, file.write_failure());
  return exit_ok;
}

}  // namespace quill
