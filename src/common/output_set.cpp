#include "common/output_set.hpp"

#include <cerrno>
#include <memory>

#include "common/output_place.hpp"

namespace quill {

namespace fs = std::filesystem;

SetFailure write_file_set(const std::vector<FileText>& files, const OutputOpener& opener) {
  struct Member {
    std::unique_ptr<PlacedOutput> out;
    const FileText* file;
  };
  std::vector<Member> regular, streams;
  for (const FileText& f : files) {
    auto out = std::make_unique<PlacedOutput>(place_output(f.first), opener);
    if (out->place().kind == OutputPlace::refused)
      return {f.first.string() + ": " + out->place().why, out->place().error};
    (out->is_stream() ? streams : regular).push_back({std::move(out), &f});
  }
  auto failed = [](const Member& m, const char* what) {
    return SetFailure{std::string(what) + " " + m.file->first.string() + ": " + m.out->reason(),
                      m.out->error() != 0 ? m.out->error() : EIO};
  };
  // Every regular file whole first; the members not committed remove their
  // companions as they go.
  for (Member& m : regular) {
    if (!m.out->open()) return failed(m, "cannot create");
    m.out->stream() << m.file->second;
    if (!m.out->flush()) return failed(m, "cannot write");
  }
  for (Member& m : streams) {
    if (!m.out->open()) return failed(m, "cannot create");
    m.out->stream() << m.file->second;
    if (!m.out->commit()) return failed(m, "cannot write");
  }
  for (size_t k = 0; k < regular.size(); ++k) {
    if (regular[k].out->commit()) continue;
    std::error_code ec;
    for (size_t done = 0; done < k; ++done) fs::remove(regular[done].out->place().target, ec);
    return failed(regular[k], "cannot write");
  }
  return {};
}

}  // namespace quill
