#include "cli/file_set.hpp"

#include <memory>

#include "cli/exit_status.hpp"
#include "cli/output_files.hpp"

namespace quill {

int write_all_or_none(const CliContext& ctx, const std::vector<FileText>& files, const std::string& none_kept) {
  std::vector<std::unique_ptr<OutputFile>> open;
  for (const auto& [path, text] : files) {
    open.push_back(std::make_unique<OutputFile>(path, ctx.env.open_output));
    if (!open.back()->open())
      return ctx.fail(exit_output_failed, "cannot create " + open.back()->error() + "; " + none_kept);
    open.back()->write(text);
  }
  // A write that failed is reported by its commit, which removes it; the
  // others, never committed, go with their owners.
  for (auto& file : open)
    if (file->failed() && !file->commit())
      return ctx.fail(exit_output_failed, "cannot write " + file->error() + "; " + none_kept);
  for (size_t k = 0; k < open.size(); ++k) {
    if (open[k]->commit()) continue;
    std::error_code ec;
    for (size_t done = 0; done < k; ++done) std::filesystem::remove(open[done]->path(), ec);
    return ctx.fail(exit_output_failed, "cannot write " + open[k]->error() + "; " + none_kept);
  }
  return exit_ok;
}

}  // namespace quill
