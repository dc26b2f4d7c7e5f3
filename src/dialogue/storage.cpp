#include "dialogue/storage.hpp"

#include "common/fixed.hpp"
#include "common/name_field.hpp"

namespace quill {

bool Storage::open(const std::filesystem::path& workdir, const std::string& fn, const OutputOpener& opener) {
  const std::string name(trimmed(fn));
  // Reports are stored in the working folder: a name that reaches into another
  // folder could replace any file there, so it is refused like a name that
  // cannot be opened.
  if (!plain_file_name(name)) return false;
  if (file_->is_open() && name == name_) return true;
  auto next = std::make_unique<WrittenFile>();
  if (!next->open(workdir / name, opener)) return false;
  file_->close();  // the earlier file keeps what it holds
  file_ = std::move(next);
  name_ = name;
  return true;
}

void Storage::abandon() {
  file_->close();
  name_.clear();
  ever_failed_ = true;
}

bool judge_report(const ReportOut& out, Console& con, Storage& storage, AnalysisSettings& s) {
  if (out.console_failed()) {
    con.console_failed(out.console_failure());
    return false;
  }
  if (out.storage_failed()) {
    const std::string name(trimmed(s.fn));
    con.warn("cannot write the storage file " + name + ": " + out.storage_failure() +
             "; it holds only part of the report, and storage is off");
    con.say(Text().nl().sp(6).lit("Output Data storage failed: ").lit(name).lit(": ").lit(out.storage_failure())
                .lit(".").nl().sp(6).lit("The file holds only part of the report; storage is now off.").nl());
    storage.abandon();
    s.istore = 0;
  }
  return true;
}

}  // namespace quill
