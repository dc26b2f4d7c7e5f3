#include "dialogue/storage.hpp"

#include "console/console.hpp"

namespace quill {

bool Storage::open(const std::filesystem::path& workdir, const std::string& fn) {
  const std::string name(trimmed(fn));
  // Reports are stored in the working folder: a name that reaches into another
  // folder could replace any file there, so it is refused like a name that
  // cannot be opened.
  if (!plain_file_name(name)) return false;
  if (file_.is_open() && name == name_) return true;
  std::ofstream next(workdir / name, std::ios::out | std::ios::trunc);
  if (!next.is_open()) return false;
  if (file_.is_open()) file_.close();
  file_ = std::move(next);
  name_ = name;
  return true;
}

}  // namespace quill
