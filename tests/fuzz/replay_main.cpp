// Replays fuzz cases through the fuzz harness without the fuzzer: every file
// named on the command line, and every file inside a named folder (notes in
// *.md files excepted). The harness aborts on a broken contract, and a
// sanitizer build reports memory faults, so a clean exit means every case ran
// as it should.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/harness.hpp"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> cases_in(const fs::path& p) {
  std::vector<fs::path> files;
  if (fs::is_directory(p)) {
    for (const auto& e : fs::directory_iterator(p))
      if (e.is_regular_file() && e.path().extension() != ".md") files.push_back(e.path());
    std::sort(files.begin(), files.end());
  } else {
    files.push_back(p);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s case-file-or-folder...\n", argv[0]);
    return 2;
  }
  int total = 0;
  for (int a = 1; a < argc; ++a) {
    if (!fs::exists(argv[a])) {
      std::fprintf(stderr, "no such case file or folder: %s\n", argv[a]);
      return 1;
    }
    for (const fs::path& file : cases_in(argv[a])) {
      std::ifstream f(file, std::ios::binary);
      std::ostringstream s;
      s << f.rdbuf();
      std::printf("%s ... ", file.c_str());
      std::fflush(stdout);
      const auto o = quill::fuzz::run_case(quill::fuzz::split_case(s.str()));
      if (o.status < 0)
        std::printf("console limit reached after %zu bytes\n", o.console);
      else
        std::printf("status %d, %zu bytes\n", o.status, o.console);
      ++total;
    }
  }
  std::printf("%d cases replayed\n", total);
  return 0;
}
