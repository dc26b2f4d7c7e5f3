#include "common/line_reader.hpp"

#include <limits>

namespace quill {

Line read_line(std::istream& in, size_t keep) {
  Line line;
  bool any = false;
  bool cut = false;
  char c = 0;
  while (in.get(c)) {
    any = true;
    if (c == '\n') break;
    if (line.text.size() < keep) {
      line.text.push_back(c);
    } else {
      cut = true;
      in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
      break;
    }
  }
  if (in.bad()) {
    line.status = Line::error;
    return line;
  }
  if (!any) {
    line.status = Line::end;
    return line;
  }
  if (!cut && !line.text.empty() && line.text.back() == '\r') line.text.pop_back();
  line.status = Line::ok;
  return line;
}

}  // namespace quill
