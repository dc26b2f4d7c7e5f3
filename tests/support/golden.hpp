#pragma once
// Reports cut from the golden dialogues in tests/sessions, so that unit tests
// of a report compare against the very text the whole-program sessions hold.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quill::testing_support {

/// The `nth` (0-based) report printed in session `name`: from the empty line
/// before its opening rule to its closing lines, as the storage file holds it.
inline std::string golden_report(const std::string& name, int nth) {
  std::ifstream f(std::filesystem::path(QUILLOMATE_SOURCE_DIR) / "tests" / "sessions" / name /
                  "expected.txt", std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  const std::string text = s.str();
  const std::string opening = "\n      " + std::string(72, '-') + "\n      Quillomate (v. 1.3)";
  size_t start = std::string::npos;
  for (int i = 0; i <= nth; ++i) start = text.find(opening, start == std::string::npos ? 0 : start + 1);
  if (start == std::string::npos) return "<no report " + std::to_string(nth) + " in " + name + ">";
  const size_t end = text.find("\n\n      Coupler calculations completed.", start);
  return text.substr(start, end - start + 1);
}

}  // namespace quill::testing_support
