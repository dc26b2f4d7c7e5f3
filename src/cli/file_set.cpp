#include "cli/file_set.hpp"

#include <memory>

#include "cli/exit_status.hpp"
#include "cli/output_files.hpp"

namespace quill {

int write_all_or_none(const CliContext& ctx, const std::vector<FileText>& files, const std::string& none_kept) {
  struct Member {
    std::unique_ptr<OutputFile> file;
    const std::string* text;
  };
  std::vector<Member> regular, streams;
  for (const auto& [path, text] : files) {
    auto file = std::make_unique<OutputFile>(path, ctx.env);
    (file->is_stream() ? streams : regular).push_back({std::move(file), &text});
  }
  auto failed = [&ctx, &none_kept](const OutputFile& f, const char* what) {
    return ctx.fail(exit_output_failed, std::string(what) + " " + f.name() + ": " + f.reason() + "; " + none_kept);
  };
  for (Member& m : regular) {
    if (!m.file->open()) return failed(*m.file, "cannot create");
    m.file->write(*m.text);
    // A write that failed is reported by its commit, which removes it; the
    // others, never committed, go with their owners.
    if (m.file->failed() && !m.file->commit()) return failed(*m.file, "cannot write");
  }
  for (Member& m : streams) {
    if (!m.file->open()) return failed(*m.file, "cannot create");
    m.file->write(*m.text);
    if (!m.file->commit()) return failed(*m.file, "cannot write");
  }
  for (size_t k = 0; k < regular.size(); ++k) {
    if (regular[k].file->commit()) continue;
    std::error_code ec;
    for (size_t done = 0; done < k; ++done) std::filesystem::remove(regular[done].file->target(), ec);
    return failed(*regular[k].file, "cannot write");
  }
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
