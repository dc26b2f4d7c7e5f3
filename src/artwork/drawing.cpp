#include "artwork/drawing.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/xml_text.hpp"
#include "layout/layout_summary.hpp"

namespace quill {

namespace {

constexpr double kWidth = 1000;
constexpr const char* kUpper = "#d62728";
constexpr const char* kLower = "#1f5fbf";

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

/// A length in the drawing's unit, to the decimals that unit needs.
std::string length(double metres, ArtworkUnit u) {
  char buf[32];
  std::snprintf(buf, sizeof buf, u == ArtworkUnit::mm ? "%.4f" : "%.5f", metres / unit_metres(u));
  return buf;
}

std::string text(double x, double y, const std::string& s, const char* anchor = "start", int size = 13,
                 const char* extra = "") {
  return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + std::to_string(size) +
         "\" text-anchor=\"" + anchor + "\"" + extra + ">" + xml_text(s) + "</text>\n";
}

/// Maps board coordinates (metres, y up) onto the page (pixels, y down).
struct View {
  double x0, y0, scale, left, top;
  double px(double x) const { return left + (x - x0) * scale; }
  double py(double y) const { return top + (y0 - y) * scale; }
};

std::string polygon(const Outline& o, const View& v, const char* fill, double opacity, const char* stroke) {
  std::string t = "<polygon points=\"";
  for (const Point& p : o) t += num(v.px(p.x)) + "," + num(v.py(p.y)) + " ";
  t += "\" fill=\"" + std::string(fill) + "\" fill-opacity=\"" + num(opacity) + "\" stroke=\"" + stroke +
       "\" stroke-width=\"1\"/>\n";
  return t;
}

std::string line(double x1, double y1, double x2, double y2, const char* stroke, double width,
                 const char* dash = nullptr) {
  std::string t = "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) +
                  "\" stroke=\"" + stroke + "\" stroke-width=\"" + num(width) + "\"";
  if (dash != nullptr) t += " stroke-dasharray=\"" + std::string(dash) + "\"";
  return t + "/>\n";
}

std::string rect(double x, double y, double w, double h, const char* fill, const char* stroke) {
  return "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" + num(h) +
         "\" fill=\"" + fill + "\" stroke=\"" + stroke + "\" stroke-width=\"1\"/>\n";
}

/// The top view; returns the page height it takes.
double top_view(std::string& out, const CouplerLayout& l, double top) {
  double x0 = l.board[0].x, x1 = x0, y0 = l.board[0].y, y1 = y0;
  for (const Point& p : l.board) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  const double room_w = kWidth - 160, room_h = 340;
  const double scale = std::min(room_w / (x1 - x0), room_h / (y1 - y0));
  const View v{x0, y1, scale, 80 + (room_w - (x1 - x0) * scale) / 2, top + 30};
  const double height = (y1 - y0) * scale;
  out += text(40, top + 14, "Top view, seen from above the upper strip", "start", 14, " font-weight=\"bold\"");
  out += polygon(l.board, v, "#f4f1e8", 1.0, "#8a8070");
  out += polygon(l.lower, v, kLower, 0.45, kLower);
  out += polygon(l.upper, v, kUpper, 0.45, kUpper);
  out += line(v.px(x0), v.py(0), v.px(x1), v.py(0), "#333333", 1, "8 4");
  // Section boundaries across the copper, numbers above it.
  double cy0 = 0, cy1 = 0;
  for (const SectionCopper& s : l.sections) {
    cy0 = std::min({cy0, s.lower_y0, s.upper_y0});
    cy1 = std::max({cy1, s.lower_y1, s.upper_y1});
  }
  for (const SectionCopper& s : l.sections) {
    for (double x : {s.x0, s.x1}) out += line(v.px(x), v.py(cy1) - 6, v.px(x), v.py(cy0) + 6, "#222222", 0.8);
    out += text(v.px((s.x0 + s.x1) / 2), v.py(cy1) - 10, std::to_string(s.section), "middle", 11);
  }
  // Port labels stand beyond the board's ends, in the margins, level with
  // their feeds, where no section boundary, number or copper can run through
  // them; the two at one end keep a line's height apart however close their
  // feeds.
  const double centre = v.py(0);
  for (const PortEnd& p : l.ports) {
    const double x = v.px(p.at.x) + (p.facing < 0 ? -5 : 5);
    const double level = v.py(p.at.y) + 5;
    const double y = p.at.y >= 0 ? std::min(level, centre - 2) : std::max(level, centre + 12);
    out += text(x, y, "Port " + std::to_string(p.number), p.facing < 0 ? "end" : "start", 13,
                " font-weight=\"bold\"");
  }
  // Legend under the view.
  const double ly = v.py(y0) + 24;
  out += rect(60, ly - 11, 22, 12, kUpper, kUpper);
  out += text(90, ly, "upper strip (In1.Cu, Gerber L2, UPPER_STRIP)", "start", 12);
  out += rect(390, ly - 11, 22, 12, kLower, kLower);
  out += text(420, ly, "lower strip (In2.Cu, Gerber L3, LOWER_STRIP)", "start", 12);
  out += line(730, ly - 5, 760, ly - 5, "#333333", 1, "8 4");
  out += text(768, ly, "centre line", "start", 12);
  return 30 + height + 40;
}

/// The board's cross-section at `section`, to scale, inside a box at (left, top).
double cross_section(std::string& out, const Stackup& stack, const SectionCopper& s, double left, double top,
                     double width, ArtworkUnit unit) {
  const double b = stack.b_m();
  const double half = std::max(s.offset / 2 + s.width / 2 + b, 1.5 * b);
  // The layers' labels stand to the right of the drawing, inside the box.
  const double scale = std::min((width - 200) / (2 * half), 200.0 / b);
  const View v{-half, b, scale, left, top + 48};
  out += text(left, top + 14, "Cross-section of section " + std::to_string(s.section) + ", to scale", "start", 14,
              " font-weight=\"bold\"");
  out += text(left, top + 32, "W = " + length(s.width, unit) + " " + unit_name(unit) + ", W0 = " +
                                  length(s.offset, unit) + " " + unit_name(unit), "start", 12);
  double y = 0.0;
  const char* shades[] = {"#e8eef5", "#d6e2ee"};
  for (size_t k = 0; k < stack.layers.size(); ++k) {
    const StackLayer& layer = stack.layers[k];
    out += rect(v.px(-half), v.py(y + layer.thickness_m), 2 * half * scale, layer.thickness_m * scale,
                layer.strips ? "#f3e6c9" : shades[k % 2], "none");
    char label[96];
    std::snprintf(label, sizeof label, "Er %.3g, %s %s%s", layer.er, length(layer.thickness_m, unit).c_str(),
                  unit_name(unit), layer.strips ? ", strips" : "");
    out += text(v.px(half) + 6, v.py(y + layer.thickness_m / 2) + 4, label, "start", 11);
    y += layer.thickness_m;
  }
  out += line(v.px(-half), v.py(0), v.px(half), v.py(0), "#000000", 3);
  out += line(v.px(-half), v.py(b), v.px(half), v.py(b), "#000000", 3);
  double below = 0.0;
  for (int k = 0; k < stack.strips_layer; ++k) below += stack.layers[static_cast<size_t>(k)].thickness_m;
  const double t = stack.copper_m, top_face = below + stack.s_m();
  const double xl = -s.offset / 2 - s.width / 2, xu = s.offset / 2 - s.width / 2;
  const double thick = std::max(t * scale, 2.0);
  out += rect(v.px(xl), v.py(below), s.width * scale, thick, kLower, "#000000");
  out += rect(v.px(xu), v.py(top_face + t) - (thick - t * scale), s.width * scale, thick, kUpper, "#000000");
  return 48 + b * scale + 20;
}

double dimension_table(std::string& out, const CouplerLayout& l, double left, double top, ArtworkUnit unit) {
  const std::string u = unit_name(unit);
  out += text(left, top + 14, "Dimensions, " + u, "start", 14, " font-weight=\"bold\"");
  double y = top + 36;
  const double c[] = {left, left + 70, left + 160, left + 250, left + 340};
  out += text(c[0], y, "Section", "start", 12, " font-weight=\"bold\"");
  out += text(c[2], y, "Width", "end", 12, " font-weight=\"bold\"");
  out += text(c[3], y, "Offset W0", "end", 12, " font-weight=\"bold\"");
  out += text(c[4], y, "Length", "end", 12, " font-weight=\"bold\"");
  for (const SectionCopper& s : l.sections) {
    y += 17;
    out += text(c[0] + 20, y, std::to_string(s.section), "middle", 12);
    out += text(c[2], y, length(s.width, unit), "end", 12);
    out += text(c[3], y, length(s.offset, unit), "end", 12);
    out += text(c[4], y, length(s.x1 - s.x0, unit), "end", 12);
  }
  const Breakouts& b = l.breakouts;
  y += 26;
  out += text(c[0], y, "Feeds: " + length(b.feed_width_upper, unit) + " (upper), " + length(b.feed_width_lower, unit) +
                           " (lower) " + u + " wide", "start", 12);
  y += 17;
  out += text(c[0], y, "Ports " + length(b.port_spacing, unit) + " " + u + " apart; breakouts " +
                           length(b.length, unit) + " " + u + " long", "start", 12);
  y += 17;
  out += text(c[0], y, "Feeds couple " + coupling_words(b.feed_coupling_db) + "; each breakout adds " +
                           coupling_words(b.breakout_coupling_db) + " at f0", "start", 12);
  return y - top + 10;
}

}  // namespace

std::string layout_drawing_svg(const CouplerLayout& layout, const Stackup& stack, const ArtworkInfo& info) {
  std::string body;
  double y = 60;
  y += top_view(body, layout, y);
  // The most tightly coupled section is the one an engineer checks first.
  const SectionCopper* tight = &layout.sections.front();
  for (const SectionCopper& s : layout.sections)
    if (s.offset < tight->offset) tight = &s;
  const double cross = cross_section(body, stack, *tight, 40, y + 10, 560, info.unit);
  const double table = dimension_table(body, layout, 600, y + 10, info.unit);
  const double height = y + 10 + std::max(cross, table) + 20;
  std::string t = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  t += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" + num(height) +
       "\" viewBox=\"0 0 " + num(kWidth) + " " + num(height) + "\" font-family=\"DejaVu Sans, sans-serif\">\n";
  t += rect(0, 0, kWidth, height, "#ffffff", "none");
  t += text(40, 30, "Coupler artwork: " + info.design, "start", 18, " font-weight=\"bold\"");
  t += text(40, 50, "Board " + info.board + "; lengths in " + unit_name(info.unit), "start", 13);
  t += body;
  t += "</svg>\n";
  return t;
}

}  // namespace quill
