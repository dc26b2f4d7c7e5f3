#pragma once
// Reading back what the chart writer wrote: the plot areas, the curves and the
// tick labels, found by the class names and ids the writer gives them; and a
// real renderer run over the document.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace quill::svg_probe {

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
};

struct Pt {
  double x = 0, y = 0;
};

using Polyline = std::vector<Pt>;

/// The document cut into panels: each piece runs from one panel's clip path
/// to the next one's, so it holds that panel's curves and labels.
inline std::vector<std::string> panels(const std::string& svg) {
  std::vector<std::string> out;
  const std::string key = "<clipPath id=\"plot-";
  std::size_t at = svg.find(key);
  while (at != std::string::npos) {
    const std::size_t next = svg.find(key, at + 1);
    out.push_back(svg.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next;
  }
  return out;
}

inline Rect plot_area(const std::string& panel) {
  static const std::regex rect(
      R"re(<clipPath id="plot-\d+"><rect x="([^"]+)" y="([^"]+)" width="([^"]+)" height="([^"]+)")re");
  std::smatch m;
  Rect r;
  if (std::regex_search(panel, m, rect))
    r = {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
  return r;
}

/// Every curve's sub-paths (one per "M"), in order. Found by plain search:
/// a long path is more than std::regex's recursion can take.
inline std::vector<Polyline> curves(const std::string& svg) {
  std::vector<Polyline> out;
  const std::string open = "<path class=\"series\"", data = " d=\"";
  for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
    const std::size_t start = svg.find(data, at) + data.size();
    std::istringstream d(svg.substr(start, svg.find('"', start) - start));
    char command = 0;
    Pt p;
    while (d >> command >> p.x >> p.y) {
      if (command == 'M') out.emplace_back();
      if (!out.empty()) out.back().push_back(p);
    }
  }
  return out;
}

inline std::vector<std::string> texts_of_class(const std::string& svg, const std::string& cls) {
  const std::regex text("<text [^>]*class=\"" + cls + "\"[^>]*>([^<]*)</text>");
  std::vector<std::string> out;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator();
       ++it)
    out.push_back((*it)[1].str());
  return out;
}

inline std::vector<double> tick_values(const std::string& svg, const std::string& cls) {
  std::vector<double> out;
  for (const std::string& t : texts_of_class(svg, cls)) out.push_back(std::stod(t));
  return out;
}

inline int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

constexpr const char* kRenderer = "/usr/bin/rsvg-convert";

/// Result of rendering: the renderer's exit status and the PNG's size.
struct Rendered {
  int status = -1;
  int width = 0;
  int height = 0;
};

/// Renders `svg` to PNG in a fresh temporary folder; the PNG size comes from
/// its header. Callers skip when the renderer is not installed.
inline Rendered render(const std::string& svg, const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("quillomate-svg-" + name + "-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path in = dir / "chart.svg", out = dir / "chart.png";
  std::ofstream(in, std::ios::binary) << svg;
  Rendered r;
  const std::string command = std::string(kRenderer) + " -o '" + out.string() + "' '" +
                              in.string() + "'";
  r.status = std::system(command.c_str());
  std::ifstream png(out, std::ios::binary);
  unsigned char header[24] = {};
  if (png.read(reinterpret_cast<char*>(header), sizeof header) && header[1] == 'P' &&
      header[2] == 'N' && header[3] == 'G') {
    const auto be32 = [&](int at) {
      return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
    };
    r.width = be32(16);
    r.height = be32(20);
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return r;
}

inline bool renderer_missing() { return !std::filesystem::exists(kRenderer); }

}  // namespace quill::svg_probe

/// Skips the calling test, saying why, when there is no renderer to run.
#define SKIP_WITHOUT_RENDERER()                                                   \
  if (!quill::svg_probe::renderer_missing()) {                                    \
  } else                                                                          \
    GTEST_SKIP() << "rsvg-convert is not installed (" << quill::svg_probe::kRenderer \
                 << "): the document was not rendered"
