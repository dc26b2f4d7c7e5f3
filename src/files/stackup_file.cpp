#include "files/stackup_file.hpp"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <vector>

namespace quill {

namespace {

/// The first fault found. Reading stops there, so a bad file gets one message.
struct Fault {
  int line = 1;
  std::string key;
  std::string text;
};

using Check = std::optional<Fault>;

struct Unit {
  std::string_view name;
  double metres;
};

constexpr Unit kUnits[] = {{"mm", 0.001}, {"in", metres_per_inch}, {"mil", metres_per_inch / 1000}};

int line_of(const toml::source_region& at) {
  // toml++ leaves the line 0 where it knows none; a message always names one.
  const auto line = at.begin.line;
  return line == 0 ? 1 : static_cast<int>(std::min<decltype(line)>(line, INT_MAX));
}

int line_of(const toml::node& n) { return line_of(n.source()); }

/// Text from the file, quoted for a message: control bytes escaped and long
/// text cut, so the message stays one readable line whatever the file holds.
std::string shown(std::string_view s) {
  constexpr std::size_t kMost = 40;
  std::size_t n = std::min(s.size(), kMost);
  // Cut between UTF-8 characters, never inside one.
  while (n > 0 && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  std::string out = "\"";
  for (char c : s.substr(0, n)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    } else {
      out += c;
    }
  }
  if (n < s.size()) out += "...";
  return out + "\"";
}

/// toml++'s description of a syntax error, kept to one line.
std::string one_line(std::string_view s) {
  std::string out(s.substr(0, 200));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return out;
}

/// The shortest text that reads back as `v`: the number as the file wrote it.
std::string number_text(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string quoted(std::string_view key) {
  std::string out = "\"";
  out.append(key);
  out += '"';
  return out;
}

/// What a value of the wrong type is, in the engineer's words.
std::string kind(const toml::node& n) {
  switch (n.type()) {
    case toml::node_type::string: return "text";
    case toml::node_type::integer:
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::array: return "a list";
    case toml::node_type::table: return "a table";
    default: return "a date or time";
  }
}

Fault fault_at(const toml::node& n, std::string_view key, std::string text) {
  return Fault{line_of(n), std::string(key), std::move(text)};
}

/// A number under `key`; `node` stays null when the table lacks the key.
struct Number {
  const toml::node* node = nullptr;
  double value = 0;
};

/// Reads `key` of `t` as a number: integers are welcome where a float is
/// meant (`er = 3`), text or a boolean is a fault, and so is a value that is
/// not finite (TOML can write inf and nan).
Check number_at(const toml::table& t, std::string_view key, Number& out) {
  out.node = t.get(key);
  if (out.node == nullptr) return std::nullopt;
  if (const auto* f = out.node->as_floating_point()) {
    out.value = f->get();
  } else if (const auto* i = out.node->as_integer()) {
    out.value = static_cast<double>(i->get());
  } else {
    return fault_at(*out.node, key, quoted(key) + " must be a number, not " + kind(*out.node));
  }
  if (!std::isfinite(out.value))
    return fault_at(*out.node, key, quoted(key) + " is " + number_text(out.value) + "; it must be a finite number");
  return std::nullopt;
}

/// Refuses any key outside `known`, the earliest in the file first: a typo
/// such as `thickness_mm` must not pass as a missing key with its default.
Check unknown_keys(const toml::table& t, std::initializer_list<std::string_view> known, std::string_view where,
                   std::string_view takes) {
  const toml::key* first = nullptr;
  for (auto&& [k, v] : t) {
    if (std::find(known.begin(), known.end(), k.str()) != known.end()) continue;
    if (first == nullptr || line_of(k.source()) < line_of(first->source())) first = &k;
  }
  if (first == nullptr) return std::nullopt;
  return Fault{line_of(first->source()), std::string(first->str()),
               "unknown key " + shown(first->str()) + std::string(where) + "; " + std::string(takes)};
}

Check read_unit(const toml::table& root, Stackup& s, double& metres) {
  const toml::node* n = root.get("unit");
  if (n == nullptr)
    return Fault{line_of(root), "unit",
                 "no \"unit\"; say \"mm\", \"in\" or \"mil\", the unit of every length in the file"};
  const auto* text = n->as_string();
  if (text == nullptr)
    return fault_at(*n, "unit", "\"unit\" must be text (\"mm\", \"in\" or \"mil\"), not " + kind(*n));
  for (const Unit& u : kUnits)
    if (text->get() == u.name) {
      s.unit = std::string(u.name);
      metres = u.metres;
      return std::nullopt;
    }
  return fault_at(*n, "unit", "\"unit\" is " + shown(text->get()) + "; the units are \"mm\", \"in\" and \"mil\"");
}

/// The physical range of each value a board can have. Beyond them lies a
/// slip (a unit, a digit) rather than a board: ceramic-filled laminates reach
/// an Er of about 13 and the lossiest FR-4 a loss tangent of about 0.03, a
/// pressed layer is thicker than a micrometre and thinner than an inch,
/// heavy copper is about 0.4 mm, and every metal conducts between 1e5 and
/// 1e8 S/m.
struct PhysicalRange {
  std::string_view key;
  double low, high;   ///< in SI units: metres, S/m
  bool lengths;       ///< given in the file's unit
  std::string_view what;
};
constexpr PhysicalRange kThickness{"thickness", 1e-6, 0.0254, true, "a board's layer"};
constexpr PhysicalRange kEr{"er", 1, 100, false, "a board's dielectric constant"};
constexpr PhysicalRange kTanDelta{"tan_delta", 0, 0.1, false, "a board's loss tangent"};
constexpr PhysicalRange kCopper{"copper_thickness", 0, 0.5e-3, true, "the strips' copper"};
constexpr PhysicalRange kConductivity{"conductivity", 1e5, 1e8, false, "a metal's conductivity"};
/// A step delays a mode by well under a ground-plane spacing of line per
/// unit of |ln(Z_a / Z_b)|: the boards measured so far lie within +/- 0.4.
constexpr std::array<PhysicalRange, 4> kStepDelays = {{
    {"end_even", -1, 1, false, "a step's delay of a mode"},
    {"end_odd", -1, 1, false, "a step's delay of a mode"},
    {"junction_even", -1, 1, false, "a step's delay of a mode"},
    {"junction_odd", -1, 1, false, "a step's delay of a mode"},
}};

/// A fault when `n` (read under r.key) lies outside `r`.
Check outside(const Number& n, const PhysicalRange& r, double metres, const std::string& unit) {
  if (n.node == nullptr) return std::nullopt;
  const double scale = r.lengths ? metres : 1;
  const double value = n.value * scale;
  if (value >= r.low && value <= r.high) return std::nullopt;
  const std::string in = r.lengths ? " " + unit : r.key == "conductivity" ? " S/m" : "";
  return fault_at(*n.node, r.key,
                  quoted(r.key) + " is " + number_text(n.value) + in + "; " + std::string(r.what) + " lies between " +
                      number_text(r.low / scale) + " and " + number_text(r.high / scale) + in);
}

/// Where each layer's values stood in the file, for the checks that span layers.
struct LayerSource {
  const toml::table* table = nullptr;
  Number thickness;
  const toml::node* strips = nullptr;  ///< the `strips = true` value, if any
};

Check read_layer(const toml::table& t, int number, double metres, const std::string& unit, StackLayer& layer,
                 LayerSource& src) {
  const std::string where = "layer " + std::to_string(number);
  src.table = &t;
  if (Check f = unknown_keys(t, {"thickness", "er", "tan_delta", "strips"}, " in " + where,
                             "a layer takes thickness, er, tan_delta and strips"))
    return f;

  if (Check f = number_at(t, "thickness", src.thickness)) return f;
  if (src.thickness.node == nullptr)
    return Fault{line_of(t), "thickness", where + " has no \"thickness\"; give it in " + unit};
  if (src.thickness.value <= 0)
    return fault_at(*src.thickness.node, "thickness",
                    "\"thickness\" is " + number_text(src.thickness.value) + " " + unit +
                        "; a layer must be thicker than 0");
  if (Check f = outside(src.thickness, kThickness, metres, unit)) return f;
  layer.thickness_m = src.thickness.value * metres;

  Number er;
  if (Check f = number_at(t, "er", er)) return f;
  if (er.node == nullptr)
    return Fault{line_of(t), "er", where + " has no \"er\"; give its dielectric constant (1 or more)"};
  if (er.value < 1)
    return fault_at(*er.node, "er",
                    "\"er\" is " + number_text(er.value) + "; a dielectric constant must be at least 1");
  if (Check f = outside(er, kEr, metres, unit)) return f;
  layer.er = er.value;

  // A loss tangent left out means a lossless dielectric, the ideal the
  // closed-form designs assume.
  Number tan_delta;
  if (Check f = number_at(t, "tan_delta", tan_delta)) return f;
  if (tan_delta.value < 0)
    return fault_at(*tan_delta.node, "tan_delta",
                    "\"tan_delta\" is " + number_text(tan_delta.value) + "; a loss tangent cannot be negative");
  if (Check f = outside(tan_delta, kTanDelta, metres, unit)) return f;
  layer.tan_delta = tan_delta.value;

  if (const toml::node* n = t.get("strips")) {
    const auto* flag = n->as_boolean();
    if (flag == nullptr) return fault_at(*n, "strips", "\"strips\" must be true or false, not " + kind(*n));
    layer.strips = flag->get();
    if (layer.strips) src.strips = n;
  }
  return std::nullopt;
}

Check read_layers(const toml::table& root, double metres, Stackup& s, std::vector<LayerSource>& sources) {
  const toml::node* n = root.get("layer");
  const std::string list_them = "list the dielectric layers from the lower ground plane up as [[layer]] tables";
  if (n == nullptr) return Fault{line_of(root), "layer", "\"layer\" is missing; " + list_them};
  const auto* list = n->as_array();
  if (list == nullptr) return fault_at(*n, "layer", "\"layer\" is " + kind(*n) + "; " + list_them);
  if (list->empty()) return fault_at(*n, "layer", "\"layer\" is empty; " + list_them);
  for (const toml::node& item : *list) {
    const auto* t = item.as_table();
    if (t == nullptr)
      return fault_at(item, "layer", "\"layer\" holds " + kind(item) + " where a layer's table belongs");
    const int number = static_cast<int>(s.layers.size()) + 1;
    StackLayer layer;
    LayerSource src;
    if (Check f = read_layer(*t, number, metres, s.unit, layer, src)) return f;
    s.layers.push_back(layer);
    sources.push_back(src);
  }
  if (!std::isfinite(s.b_m()))
    return fault_at(*sources.back().thickness.node, "thickness",
                    "the layers' thicknesses add up beyond any number; the ground-plane spacing must be finite");
  return std::nullopt;
}

/// Exactly one layer carries the strips, with a layer below for the lower
/// strip's copper and one above for the upper strip's.
Check find_strips(const std::vector<LayerSource>& sources, Stackup& s) {
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const toml::node* n = sources[i].strips;
    if (n == nullptr) continue;
    if (s.strips_layer >= 0)
      return fault_at(*n, "strips",
                      "\"strips\" is true on layer " + std::to_string(i + 1) + " and on layer " +
                          std::to_string(s.strips_layer + 1) + " (line " +
                          std::to_string(line_of(*sources[static_cast<std::size_t>(s.strips_layer)].strips)) +
                          "); the strips lie on the faces of one layer only");
    s.strips_layer = static_cast<int>(i);
  }
  if (s.strips_layer < 0)
    return Fault{line_of(*sources.front().table), "strips",
                 "no layer has \"strips\" = true; mark the layer whose faces carry the coupled strips"};
  const auto at = static_cast<std::size_t>(s.strips_layer);
  if (at == 0)
    return fault_at(*sources[at].strips, "strips",
                    "\"strips\" is on layer 1, the lowest; the lower strip needs a layer below it");
  if (at + 1 == sources.size())
    return fault_at(*sources[at].strips, "strips",
                    "\"strips\" is on layer " + std::to_string(at + 1) +
                        ", the highest; the upper strip needs a layer above it");
  return std::nullopt;
}

/// The lower strip's copper stands in the layer below the strips layer and
/// the upper strip's in the layer above: each must be thicker than the copper.
Check copper_fits(const std::vector<LayerSource>& sources, const Number& copper, const Stackup& s) {
  const auto at = static_cast<std::size_t>(s.strips_layer);
  for (const std::size_t j : {at - 1, at + 1}) {
    if (s.copper_m < s.layers[j].thickness_m) continue;
    const Number& t = sources[j].thickness;
    const std::string reaches = j < at ? "lower strip's copper reaches down" : "upper strip's copper reaches up";
    return fault_at(*copper.node, "copper_thickness",
                    "\"copper_thickness\" is " + number_text(copper.value) + " " + s.unit +
                        ", not thinner than layer " + std::to_string(j + 1) + " (\"thickness\" " +
                        number_text(t.value) + " " + s.unit + " on line " + std::to_string(line_of(*t.node)) +
                        ") that the " + reaches + " into");
  }
  return std::nullopt;
}

/// The optional [step_delays] table: the four kappas a full-wave fit gave
/// for this board, all four or none.
Check read_step_delays(const toml::table& root, Stackup& s) {
  const toml::node* n = root.get("step_delays");
  if (n == nullptr) return std::nullopt;
  const toml::table* t = n->as_table();
  if (t == nullptr) return fault_at(*n, "step_delays", "\"step_delays\" must be a table, not " + kind(*n));
  if (Check f = unknown_keys(*t, {"end_even", "end_odd", "junction_even", "junction_odd"}, " in [step_delays]",
                             "it takes end_even, end_odd, junction_even and junction_odd"))
    return f;
  StepKappas k;
  const std::array<double*, 4> into = {&k.end_even, &k.end_odd, &k.junction_even, &k.junction_odd};
  for (size_t i = 0; i < kStepDelays.size(); ++i) {
    Number v;
    if (Check f = number_at(*t, kStepDelays[i].key, v)) return f;
    if (v.node == nullptr)
      return Fault{line_of(*t), std::string(kStepDelays[i].key),
                   "[step_delays] has no " + quoted(kStepDelays[i].key) +
                       "; give all four of a full-wave fit, or leave the table out"};
    if (Check f = outside(v, kStepDelays[i], 1, s.unit)) return f;
    *into[i] = v.value;
  }
  s.step_kappas = k;
  return std::nullopt;
}

Check read_stack(const toml::table& root, Stackup& s) {
  if (Check f = unknown_keys(root, {"unit", "copper_thickness", "conductivity", "layer", "step_delays"}, "",
                             "the file takes unit, copper_thickness, conductivity, [[layer]] tables and "
                             "[step_delays]"))
    return f;
  double metres = 0;
  if (Check f = read_unit(root, s, metres)) return f;

  // Required, though 0 is allowed: ideal sheets are a choice to be written
  // down, not a default to be fallen into.
  Number copper;
  if (Check f = number_at(root, "copper_thickness", copper)) return f;
  if (copper.node == nullptr)
    return Fault{line_of(root), "copper_thickness",
                 "no \"copper_thickness\"; give the strips' thickness in " + s.unit + " (0 for ideal sheets)"};
  if (copper.value < 0)
    return fault_at(*copper.node, "copper_thickness",
                    "\"copper_thickness\" is " + number_text(copper.value) + " " + s.unit +
                        "; it cannot be negative (0 means ideal sheets)");
  if (Check f = outside(copper, kCopper, metres, s.unit)) return f;
  s.copper_m = copper.value * metres;

  Number conductivity;
  if (Check f = number_at(root, "conductivity", conductivity)) return f;
  if (conductivity.node != nullptr) {
    if (conductivity.value <= 0)
      return fault_at(*conductivity.node, "conductivity",
                      "\"conductivity\" is " + number_text(conductivity.value) + " S/m; it must be above 0");
    if (Check f = outside(conductivity, kConductivity, metres, s.unit)) return f;
    s.conductivity = conductivity.value;
  }

  std::vector<LayerSource> sources;
  if (Check f = read_layers(root, metres, s, sources)) return f;
  if (Check f = find_strips(sources, s)) return f;
  if (Check f = copper_fits(sources, copper, s)) return f;
  return read_step_delays(root, s);
}

}  // namespace

StackupRead read_stackup_text(std::string_view text, const std::string& name) {
  StackupRead r;
  Check fault;
  std::optional<toml::table> root;
  // toml++ reports bad syntax by throwing; this is the one place it is caught.
  try {
    root = toml::parse(text, std::string_view(name));
  } catch (const toml::parse_error& e) {
    fault = Fault{line_of(e.source()), "", "not valid TOML: " + one_line(e.description())};
  }
  if (root) fault = read_stack(*root, r.stackup);
  if (fault) {
    r.line = fault->line;
    r.key = std::move(fault->key);
    r.message = name + ", line " + std::to_string(r.line) + ": " + fault->text;
    r.stackup = Stackup{};
    return r;
  }
  r.ok = true;
  r.stackup.name = name;
  return r;
}

}  // namespace quill
