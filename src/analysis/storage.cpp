#include "analysis/storage.hpp"

#include "app/console.hpp"

namespace quill {

bool Storage::open(const std::filesystem::path& workdir, const std::string& fn) {
  const std::string name(trimmed(fn));
  if (file_.is_open() && name == name_) return true;
  std::ofstream next(workdir / name, std::ios::out | std::ios::trunc);
  if (!next.is_open()) return false;
  if (file_.is_open()) file_.close();
  file_ = std::move(next);
  name_ = name;
  return true;
}

}  // namespace quill
