#include "dialogue/file_messages.hpp"

#include "common/fixed.hpp"

namespace quill {

std::string user_file_end_message(std::string_view fnuser, std::string_view entry) {
  return Text()
      .nl().sp(6).lit("`End of file` in User`s Input Data filename: ").name(fnuser)
      .nl().sp(6).lit("Entry missing for variable: ").name(entry)
      .nl().sp(6).lit("Fix entry for this variable in User`s filename and try again.").nl()
      .str();
}

std::string user_file_error_message(std::string_view fnuser, std::string_view entry) {
  return Text()
      .nl().sp(6).lit("Error exists in User`s Input Data filename: ").name(fnuser)
      .nl().sp(6).lit("Fix entry for variable ").name(entry).lit(" and try again.").nl()
      .str();
}

std::string defaults_fault_message(const DefaultsRead& r) {
  Text t;
  if (r.fault == EntryFile::missing) {
    t.sp(6).lit("`End of file` in Quillomate`s Default Data File (Quillomate.DEF).").nl()
        .sp(6).lit("Entry missing for variable: ").name(r.entry).nl()
        .sp(6).lit("Fix entry for this variable in Quillomate.DEF and try again.").nl();
  } else {
    t.sp(6).lit("Error exists in Quillomate`s Default Data File (Quillomate.DEF).").nl()
        .sp(6).lit("Fix entry for variable ").name(r.entry).lit(" and try again.").nl();
  }
  return t.str();
}

}  // namespace quill
