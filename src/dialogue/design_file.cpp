#include "dialogue/design_file.hpp"

#include <fstream>

#include "dialogue/file_messages.hpp"
#include "common/fixed.hpp"

namespace quill {

namespace {

constexpr std::string_view kFileEntry = "User filename";

}  // namespace

FileDesignRead read_design_file(Console& con, const std::filesystem::path& workdir,
                                std::string& fnuser) {
  FileDesignRead result;
  con.say("\n      Enter a FILENAME that contains Design Parameters\n");
  auto name = con.askname("      for your Directional Coupler (up to 20 characters): ");
  if (!name) {
    fnuser = name_field("");
    con.say(user_file_error_message(fnuser, kFileEntry));
    result.status = FileDesignRead::stop;
    return result;
  }
  fnuser = *name;
  if (trimmed(fnuser).empty()) {
    con.say(user_file_end_message(fnuser, kFileEntry));
    return result;
  }

  // Only a plain file of the working folder is read: a directory, a device or
  // a pipe (which may never end a line) counts as a file that cannot be opened.
  const std::string path(trimmed(fnuser));
  std::error_code ec;
  const bool regular = plain_file_name(path) && std::filesystem::is_regular_file(workdir / path, ec);
  std::ifstream file;
  if (regular) file.open(workdir / path);
  if (file.is_open()) file.peek();
  if (!file.is_open() || file.bad()) {
    con.say(user_file_error_message(fnuser, kFileEntry));
    return result;
  }

  con.say(Text().nl().sp(6).lit("Attempting to read User Data File: ").name(fnuser).lit("..."));
  DesignDataRead read = read_design_data(file);
  if (read.fault != EntryFile::none) {
    con.say(read.fault == EntryFile::missing ? user_file_end_message(fnuser, read.entry)
                                             : user_file_error_message(fnuser, read.entry));
    return result;
  }
  con.say(Text().lit("..Completed.").nl().sp(8).lit("- Number of sections in your Coupler: N =")
              .i(read.values.design.n, 3).nl());
  result.status = FileDesignRead::ok;
  result.values = read.values;
  return result;
}

}  // namespace quill
