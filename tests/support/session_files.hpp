#pragma once
// Files of the golden sessions in tests/sessions, read as bytes, for tests
// that run the program on the same inputs another way.

#include <fstream>
#include <sstream>
#include <string>

namespace quill::testing_support {

/// The file `name` of session `session`.
inline std::string session_file(const std::string& session, const std::string& name) {
  std::ifstream f(std::string(QUILLOMATE_SOURCE_DIR) + "/tests/sessions/" + session + "/" + name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

/// The five-section design file of the file-design-dimensions session.
inline std::string five_section_design() { return session_file("file-design-dimensions", "design.dat"); }

}  // namespace quill::testing_support
