#include "python/file_set.hpp"

namespace quill::py_front {

FileFault write_together(const std::vector<FileText>& files, const std::string& none_kept) {
  if (const SetFailure f = write_file_set(files)) return {FileFault::system, f.error, f.message + "; " + none_kept};
  return {};
}

}  // namespace quill::py_front
