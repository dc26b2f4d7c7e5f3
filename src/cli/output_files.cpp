#include "cli/output_files.hpp"

namespace quill {

namespace fs = std::filesystem;

namespace {

/// A requested output's place; standard output is told apart by the caller.
OutputPlace place_of(const OutputRequest& o) {
  if (!o.makes_folder) return place_output(o.path);
  // In a folder still to be made, the file is new.
  std::error_code ec;
  if (fs::is_directory(o.path.parent_path(), ec)) return place_output(o.path);
  OutputPlace p;
  p.target = o.path;
  return p;
}

}  // namespace

bool names_standard_output(const fs::path& path) {
  if (path == "-") return true;
  const OutputPlace p = place_output(path);
  return p.kind == OutputPlace::descriptor && p.fd == 1;
}

std::optional<std::string> check_output_folder(std::string_view option, const std::string& given,
                                               const fs::path& folder) {
  const std::string named = std::string(option) + " " + given;
  if (given == "-") return named + ": names standard output, but the files go into a folder";
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return std::nullopt;
  if (fs::exists(fs::symlink_status(folder, ec))) return named + ": is not a folder";
  const fs::path parent = folder.parent_path().empty() ? fs::path(".") : folder.parent_path();
  if (!fs::is_directory(parent, ec)) return named + ": the folder " + parent.string() + " does not exist";
  return std::nullopt;
}

bool make_output_folder(const fs::path& folder, bool& ok, std::string& error) {
  std::error_code ec;
  ok = true;
  if (fs::is_directory(folder, ec)) return false;
  const bool made = fs::create_directory(folder, ec);
  if (ec) {
    ok = false;
    error = "cannot create the folder " + folder.string() + ": " + ec.message();
  }
  return made;
}

std::optional<std::string> check_outputs(const std::vector<OutputRequest>& outputs, const fs::path& input,
                                         const fs::path& stack, std::string_view stdout_carries) {
  std::vector<PlaceIdentity> ids;
  std::string_view on_stdout;  // the option that took standard output
  const PlaceIdentity design = identity_of(input), board = identity_of(stack);
  for (const OutputRequest& o : outputs) {
    const std::string named = std::string(o.option) + " " + o.path.string();
    if (names_standard_output(o.path)) {
      if (!stdout_carries.empty())
        return named + ": standard output already carries " + std::string(stdout_carries);
      if (!on_stdout.empty()) return named + ": standard output is already taken by " + std::string(on_stdout);
      on_stdout = o.option;
      ids.emplace_back();
      continue;
    }
    if (o.path.filename().empty()) return named + ": names a folder, not a file";
    const OutputPlace place = place_of(o);
    if (place.kind == OutputPlace::refused) return named + ": " + place.why;
    const PlaceIdentity id = identity_of(place);
    if (!input.empty() && id == design) return named + ": is the design file being read";
    if (!stack.empty() && id == board) return named + ": is the stack-up file being read";
    for (size_t k = 0; k < ids.size(); ++k)
      if (!names_standard_output(outputs[k].path) && ids[k] == id)
        return named + ": already named by " + std::string(outputs[k].option);
    ids.push_back(id);
  }
  return std::nullopt;
}

OutputFile::OutputFile(fs::path path, Surroundings& env)
    : path_(std::move(path)),
      console_(names_standard_output(path_)),
      out_(console_ ? OutputPlace{} : place_output(path_), env.open_output) {
  if (console_) console_file_.borrow(env.out);
}

std::string OutputFile::name() const { return path_ == "-" ? std::string("standard output") : path_.string(); }

bool OutputFile::open() { return console_ || out_.open(); }

void OutputFile::write(std::string_view text) {
  if (failed()) return;
  stream() << text;
  if (console_) {
    console_file_.flush();
  } else {
    out_.flush();
  }
}

bool OutputFile::commit() { return console_ ? console_file_.close() : out_.commit(); }

void OutputFile::discard() {
  if (console_) {
    console_file_.close();
  } else {
    out_.discard();
  }
}

std::string OutputFile::open_failure() const { return "cannot create " + name() + ": " + reason(); }

std::string OutputFile::write_failure() const {
  return "cannot write " + name() + ": " + reason() + (is_stream() ? "" : "; the file was removed");
}

}  // namespace quill
