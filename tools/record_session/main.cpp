// record_session <session folder>: runs the folder's input.txt in a scratch
// copy of the folder with the clock fixed at 5 July 2026, 09:05:03, and writes
// expected.txt, exit-status.txt and expected-files/ (new files left behind).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "app/program.hpp"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: record_session <session folder>\n");
    return 1;
  }
  const fs::path dir = argv[1];
  const fs::path work = fs::temp_directory_path() / "quillomate-record";
  fs::remove_all(work);
  fs::create_directories(work);
  const std::set<std::string> skip = {"input.txt", "expected.txt", "exit-status.txt",
                                      "expected-files", "NOTES.md"};
  std::set<std::string> inputs;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename();
    if (skip.count(name) != 0) continue;
    fs::copy(e.path(), work / name, fs::copy_options::recursive);
    inputs.insert(name);
  }
  std::ifstream typed(dir / "input.txt", std::ios::binary);
  std::ostringstream out, err;
  quill::Surroundings env{typed, out, err, [] { return quill::TimeStamp{2026, 7, 5, 9, 5, 3}; },
                          work};
  const int status = quill::run_program(env);
  std::ofstream(dir / "expected.txt", std::ios::binary) << out.str();
  std::ofstream(dir / "exit-status.txt") << status << "\n";
  fs::remove_all(dir / "expected-files");
  for (const auto& e : fs::directory_iterator(work)) {
    const std::string name = e.path().filename();
    if (inputs.count(name) != 0) continue;
    fs::create_directories(dir / "expected-files");
    fs::copy(e.path(), dir / "expected-files" / name);
  }
  std::fprintf(stderr, "%s: status %d%s%s", dir.c_str(), status, err.str().empty() ? "" : ", stderr: ",
               err.str().c_str());
  std::fprintf(stderr, "\n");
  fs::remove_all(work);
  return 0;
}
