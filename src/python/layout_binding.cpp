/// The coupler as copper in a board, its artwork files, and its full-wave
/// model: laid out, written and run as the command line's `layout` and
/// `fullwave` commands do, through the same engine.

#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <ctime>
#include <filesystem>

#include "artwork/drawing.hpp"
#include "artwork/dxf.hpp"
#include "artwork/gerber.hpp"
#include "artwork/kicad.hpp"
#include "common/number.hpp"
#include "fullwave/fullwave_study.hpp"
#include "fullwave/openems_runner.hpp"
#include "layout/copper_lines.hpp"
#include "layout/layout_summary.hpp"
#include "python/bindings.hpp"
#include "python/file_set.hpp"
#include "python/front_checks.hpp"
#include "python/parameters.hpp"
#include "python/python_errors.hpp"
#include "python/record_repr.hpp"
#include "python/sweep_arrays.hpp"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace quill::py_front {

namespace {

constexpr ValueRange kBreakoutLength{"breakout_length_m", "m", 0, true};
constexpr ValueRange kPortSpacing{"port_spacing_m", "m", 0, true};
constexpr ValueRange kSideWalls{"side_walls", "ground-plane spacings", 1, false, 20};
constexpr ValueRange kPortFeed{"port_feed", "ground-plane spacings", 4, false, 40};
constexpr ValueRange kTaperLength{"taper_length", "", 1, false, 20};

constexpr Parameter kCopperParameters[] = {{"frequencies_mhz", "None"}};
constexpr Signature kCopperS{"Layout.copper_s", kCopperParameters, true};
constexpr ValueRange kThreads{"threads", "", 1, false, 256};

constexpr Parameter kSummaryParameters[] = {{"inches", "False"}};
constexpr Signature kSummary{"Layout.summary", kSummaryParameters, true};

constexpr Parameter kWriteParameters[] = {{"*", ""},          {"gerber", "None"}, {"dxf", "None"},
                                          {"svg", "None"},    {"kicad", "None"},  {"inches", "False"}};
constexpr Signature kWriteArtwork{"Layout.write", kWriteParameters, true};

constexpr Parameter kFullwaveParameters[] = {{"folder", ""},
                                             {"*", ""},
                                             {"frequencies_mhz", "None"},
                                             {"mesh", "'normal'"},
                                             {"side_walls", "3.0"},
                                             {"port_feed", "4.0"},
                                             {"all_ports", "False"}};
constexpr Signature kFullwave{"Layout.fullwave", kFullwaveParameters, true};

constexpr Parameter kRunParameters[] = {{"*", ""}, {"threads", "None"}, {"progress", "None"}};
constexpr Signature kRun{"FullwaveModel.run", kRunParameters, true};

constexpr Signature kRead{"FullwaveModel.read", {}, true};
constexpr Signature kSummaryText{"FullwaveResult.summary", {}, true};

constexpr Parameter kNetworkParameters[] = {{"name", "None"}};
constexpr Signature kFullwaveNetwork{"FullwaveResult.network", kNetworkParameters, true};
constexpr Signature kCircuitNetwork{"FullwaveResult.circuit_network", kNetworkParameters, true};

constexpr Parameter kResultWriteParameters[] = {{"folder", "None"}};
constexpr Signature kResultWrite{"FullwaveResult.write", kResultWriteParameters, true};

/// A full-wave model folder, written and ready to run.
struct ScriptFullwave {
  ScriptLayout layout;
  FullwaveStudy study;
  fs::path folder;
  std::string mesh;
};

/// What the runs gave, beside the circuit model.
struct ScriptFullwaveResult {
  Comparison comparison;
  BandSummary summary;
  FullwaveStudy study;
  fs::path folder;
  std::string name;  ///< "design in board", as the result files name it
  std::string mesh;
};

/// A double as Python writes it: what the script typed, to the last digit.
std::string python_number(double v) { return py::repr(py::float_(v)); }

TimeStamp now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

/// A length the script gave, in metres, or nothing.
std::optional<double> length_of(const Arguments& given, const ValueRange& range) {
  const std::optional<double> v = given.optional_number(range.flag);
  if (v)
    if (auto fault = range_fault(range, static_cast<float>(*v)); fault || !(*v > 0)) {
      raise_value(fault ? *fault : std::string(range.flag) + " must be above 0 m (got " + python_number(*v) + ")");
    }
  return v;
}

/// The stem the command line names the artwork after: the design file's, or "coupler".
std::string stem_of(const ScriptDesign& d) {
  return d.origin == Origin::file ? fs::path(d.name).stem().string() : std::string("coupler");
}

/// An (n, 2) array of an outline's points, metres.
py::array_t<double> points(const Outline& outline) {
  py::array_t<double> out({static_cast<py::ssize_t>(outline.size()), py::ssize_t{2}});
  auto a = out.mutable_unchecked<2>();
  for (std::size_t k = 0; k < outline.size(); ++k) {
    a(static_cast<py::ssize_t>(k), 0) = outline[k].x;
    a(static_cast<py::ssize_t>(k), 1) = outline[k].y;
  }
  out.attr("setflags")(py::arg("write") = false);
  return out;
}

/// The matrices as a complex128 (n, 4, 4) array.
py::array_t<std::complex<double>> matrices(const std::vector<SMatrix>& s) {
  py::array_t<std::complex<double>> out({static_cast<py::ssize_t>(s.size()), py::ssize_t{4}, py::ssize_t{4}});
  auto a = out.mutable_unchecked<3>();
  for (std::size_t k = 0; k < s.size(); ++k)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) a(static_cast<py::ssize_t>(k), i, j) = s[k][i][j];
  out.attr("setflags")(py::arg("write") = false);
  return out;
}

py::array_t<double> frequencies(const std::vector<double>& f) {
  py::array_t<double> out(static_cast<py::ssize_t>(f.size()));
  std::copy(f.begin(), f.end(), out.mutable_data());
  out.attr("setflags")(py::arg("write") = false);
  return out;
}

/// Makes the folder `dir` (the parameter `name`) when it is not there, in a
/// folder that is; OSError when it cannot be.
void make_folder(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return;
  const std::string named = std::string(name) + " " + dir.string();
  const fs::path parent = dir.parent_path().empty() ? fs::path(".") : dir.parent_path();
  if (!fs::is_directory(parent, ec))
    raise_file({FileFault::system, ENOENT, named + ": the folder " + parent.string() + " does not exist"});
  if (fs::exists(dir, ec)) raise_file({FileFault::system, ENOTDIR, named + ": is a file, not a folder"});
  fs::create_directory(dir, ec);
  if (ec) raise_file({FileFault::system, ec.value(), "cannot create " + dir.string() + ": " + ec.message()});
}

/// An optional path argument, or the empty path.
fs::path path_or_none(const py::object& given) { return given.is_none() ? fs::path() : fs::path(path_text(given)); }

void write_artwork(const ScriptLayout& l, const py::args& args, const py::kwargs& kwargs) {
  const Arguments given(kWriteArtwork, args, kwargs);
  const fs::path gerber = path_or_none(given["gerber"]), dxf = path_or_none(given["dxf"]),
                 svg = path_or_none(given["svg"]), kicad = path_or_none(given["kicad"]);
  if (gerber.empty() && dxf.empty() && svg.empty() && kicad.empty())
    raise_value("give at least one of gerber (a folder), dxf, svg or kicad (files) to write");
  ArtworkInfo info;
  info.design = l.design.name;
  info.board = l.stack.name;
  info.made = now();
  info.unit = given.flag("inches") ? ArtworkUnit::inch : ArtworkUnit::mm;
  const std::string stem = stem_of(l.design);
  std::vector<FileText> files;
  if (!gerber.empty()) {
    make_folder(gerber, "gerber");
    const GerberSet g = gerber_files(l.copper, info);
    files.push_back({gerber / (stem + "-upper.gbr"), g.upper});
    files.push_back({gerber / (stem + "-lower.gbr"), g.lower});
    files.push_back({gerber / (stem + "-outline.gbr"), g.outline});
  }
  if (!dxf.empty()) files.push_back({dxf, dxf_file(l.copper, info)});
  if (!svg.empty()) files.push_back({svg, layout_drawing_svg(l.copper, l.stack, info)});
  if (!kicad.empty()) files.push_back({kicad, kicad_footprint(l.copper, info, stem)});
  if (FileFault fault = write_together(files, "no artwork file was kept")) raise_file(fault);
}

/// The frequencies of a full-wave study: the script's (ascending, above 0),
/// or the design's own sweep.
std::vector<double> study_frequencies(const ScriptDesign& d, const py::object& given) {
  std::vector<double> f;
  if (given.is_none()) {
    if (!(d.deltaf > 0))
      raise_value("frequencies_mhz: a design built from its sections has no sweep of its own; give the frequencies");
    const std::size_t n = sweep_size(d.fstart, d.fstop, d.deltaf);
    std::vector<float> sweep(n);
    fill_sweep(d.fstart, d.fstop, d.deltaf, sweep.data());
    f.assign(sweep.begin(), sweep.end());
    return f;
  }
  const auto in = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(given);
  if (!in || in.ndim() != 1 || in.shape(0) == 0)
    raise_value("frequencies_mhz must be a one-dimensional array-like of at least one frequency, MHz");
  for (py::ssize_t k = 0; k < in.shape(0); ++k) {
    const double v = in.at(k);
    if (!(std::isfinite(v) && v > 0))
      raise_value("frequencies_mhz must be above 0 MHz (got " + python_number(v) + " at index " +
                  std::to_string(k) + ")");
    if (k > 0 && !(v >= f.back()))
      raise_value("frequencies_mhz must ascend (" + python_number(v) + " at index " + std::to_string(k) +
                  " follows " + python_number(f.back()) + ")");
    f.push_back(v);
  }
  return f;
}

ScriptFullwave write_model(const ScriptLayout& l, const py::args& args, const py::kwargs& kwargs) {
  const Arguments given(kFullwave, args, kwargs);
  ScriptFullwave m;
  m.layout = l;
  const std::string named = path_text(given["folder"]);
  m.folder = named;
  m.mesh = given.text("mesh");
  const auto density = mesh_density(m.mesh);
  if (!density) raise_value("mesh must be 'coarse', 'normal' or 'fine' (got '" + m.mesh + "')");
  const float side_walls = single_in(kSideWalls, given.number("side_walls"));
  const float port_feed = single_in(kPortFeed, given.number("port_feed"));
  std::vector<double> f = study_frequencies(l.design, given["frequencies_mhz"]);
  make_folder(m.folder, "folder");
  {
    py::gil_scoped_release release;
    m.study = plan_study(l.design.design, l.copper, l.stack, *density, side_walls, port_feed, std::move(f),
                         given.flag("all_ports"));
  }
  if (const std::string failure = prepare_study_folder(m.study, m.folder); !failure.empty())
    raise_file({FileFault::system, EIO, failure});
  if (FileFault fault =
          write_together(model_files(m.study, l.copper, l.stack, m.folder, l.design.name, m.mesh,
                                     "    model.read()    # in Python: the FullwaveModel that wrote this folder\n"),
                         "no model was kept"))
    raise_file(fault);
  return m;
}

/// The full-wave matrix from the probes every driven port's run left, beside the circuit model.
ScriptFullwaveResult read_results(const ScriptFullwave& m) {
  std::vector<SMatrix> s;
  if (const std::string unread = read_study_matrices(m.study, m.folder, s); !unread.empty())
    raise_file({FileFault::system, 0, unread});
  ScriptFullwaveResult r;
  const ScriptLayout& l = m.layout;
  r.comparison = compare_with_circuit(l.design.design, l.built, l.copper, l.stack, m.study, std::move(s));
  r.summary = band_summary(r.comparison, l.design.design.f0);
  r.study = m.study;
  r.folder = m.folder;
  r.name = fs::path(l.design.name).filename().string() + " in " + fs::path(l.stack.name).filename().string();
  r.mesh = m.mesh;
  return r;
}

ScriptFullwaveResult run_model(const ScriptFullwave& m, const py::args& args, const py::kwargs& kwargs) {
  const Arguments given(kRun, args, kwargs);
  const std::optional<double> threads = given.optional_number("threads");
  int thread_count = 0;  // openEMS's own choice: every core
  if (threads) {
    thread_count = static_cast<int>(single_in(kThreads, *threads));
    if (thread_count != *threads) raise_value("threads must be a whole number (got " + python_number(*threads) + ")");
  }
  const py::object progress = given["progress"];
  const fs::path openems = find_openems();
  if (openems.empty())
    raise_file({FileFault::system, ENOENT, "cannot run openEMS: no openEMS on PATH (Debian package openems); the "
                                           "models are in " + m.folder.string()});
  for (int k : m.study.driven) {
    const fs::path folder = port_folder(m.folder, k);
    remove_probes(folder);
    std::optional<py::error_already_set> raised;
    std::string failure;
    {
      py::gil_scoped_release release;
      failure = run_openems(openems, folder, model_file_name, thread_count, [&](const OpenemsProgress& p) {
        if (progress.is_none() || raised) return;
        py::gil_scoped_acquire acquire;
        try {
          progress(k, p.timestep, p.energy_db);
        } catch (py::error_already_set& e) {
          raised = std::move(e);
        }
      });
    }
    if (raised) throw *raised;
    if (!failure.empty())
      throw std::runtime_error("openEMS failed on " + (folder / model_file_name).string() + ": " + failure);
  }
  return read_results(m);
}

py::object network_of(const std::vector<double>& f_mhz, const std::vector<SMatrix>& s, double zo,
                      const py::object& name) {
  return skrf_network("a full-wave result's network", frequencies(f_mhz), matrices(s), zo, name);
}

py::object result_network(const ScriptFullwaveResult& r, const Signature& s, bool circuit, const py::args& args,
                          const py::kwargs& kwargs) {
  const Arguments given(s, args, kwargs);
  const py::object name = given["name"].is_none() ? py::object(py::none()) : py::object(py::str(given.text("name")));
  return network_of(r.comparison.f_mhz, circuit ? r.comparison.circuit : r.comparison.fullwave, r.study.run.zo,
                    name);
}

const char* shape_name(JunctionShape s) {
  return s == JunctionShape::jog ? "jog" : s == JunctionShape::taper ? "taper" : "step";
}

void define_records(py::module_& m) {
  py::class_<SectionCopper>(m, "SectionCopper",
                            "One section's two rectangles, metres: x along the coupler from section 1,\n"
                            "y across from its centre line, seen from above the upper strip.")
      .def_readonly("section", &SectionCopper::section, "Section number, 1 at port 1.")
      .def_readonly("x0_m", &SectionCopper::x0, "Where the section begins along the coupler, metres.")
      .def_readonly("x1_m", &SectionCopper::x1, "Where it ends, metres.")
      .def_readonly("upper_y0_m", &SectionCopper::upper_y0, "The upper strip's edges across, metres.")
      .def_readonly("upper_y1_m", &SectionCopper::upper_y1, "The upper strip's other edge, metres.")
      .def_readonly("lower_y0_m", &SectionCopper::lower_y0, "The lower strip's edges across, metres.")
      .def_readonly("lower_y1_m", &SectionCopper::lower_y1, "The lower strip's other edge, metres.")
      .def_readonly("width_m", &SectionCopper::width, "Strip width, metres, as refined in the board.")
      .def_readonly("offset_m", &SectionCopper::offset, "Offset of the strips across, metres.")
      .def("__repr__", [](const SectionCopper& s) {
        return record_repr("SectionCopper", {int_field("section", s.section), real_field("x0_m", s.x0),
                                             real_field("x1_m", s.x1), real_field("width_m", s.width),
                                             real_field("offset_m", s.offset)});
      });
  py::class_<PortEnd>(m, "Port", "The end of a port's feed, where a connector or the next line meets it.")
      .def_readonly("number", &PortEnd::number, "1 input, 2 coupled, 3 isolated, 4 through.")
      .def_property_readonly("x_m", [](const PortEnd& p) { return p.at.x; }, "The feed end's middle along, metres.")
      .def_property_readonly("y_m", [](const PortEnd& p) { return p.at.y; }, "The feed end's middle across, metres.")
      .def_readonly("upper", &PortEnd::upper, "On the upper strip's layer (else the lower's).")
      .def_readonly("width_m", &PortEnd::width, "The feed's width there, metres.")
      .def_property_readonly(
          "leaves", [](const PortEnd& p) { return p.facing < 0 ? "left" : "right"; },
          "'left' (towards -x) or 'right': the way the feed leaves the coupler.")
      .def("__repr__", [](const PortEnd& p) {
        return record_repr("Port", {int_field("number", p.number), real_field("x_m", p.at.x),
                                    real_field("y_m", p.at.y), bool_field("upper", p.upper),
                                    real_field("width_m", p.width),
                                    text_field("leaves", p.facing < 0 ? "left" : "right")});
      });
  py::class_<Junction>(m, "Junction",
                       "What joins two neighbouring sections' straight copper, metres: a square\n"
                       "step, a taper (compensated) or a jog (where the strips do not overlap).")
      .def_readonly("left", &Junction::left, "The section on its left.")
      .def_readonly("right", &Junction::right, "The section on its right.")
      .def_property_readonly("shape", [](const Junction& j) { return shape_name(j.shape); },
                             "'step', 'taper' or 'jog'.")
      .def_readonly("x0_m", &Junction::x0, "Where the left section's straight copper ends, metres.")
      .def_readonly("x1_m", &Junction::x1, "Where the right one's begins, metres.")
      .def_readonly("centre0_m", &Junction::centre0, "The upper strip's centre line across at x0_m, metres.")
      .def_readonly("centre1_m", &Junction::centre1, "And at x1_m, metres.")
      .def_readonly("path_m", &Junction::path,
                    "Its centre line's length, half of it out of each section's straight copper.")
      .def_readonly("width_m", &Junction::width, "A jog's strip width square to its slant, metres (else 0).")
      .def("__repr__", [](const Junction& j) {
        return record_repr("Junction", {int_field("left", j.left), int_field("right", j.right),
                                        text_field("shape", shape_name(j.shape)), real_field("x0_m", j.x0),
                                        real_field("x1_m", j.x1), real_field("path_m", j.path)});
      });
  py::class_<Breakouts>(m, "Breakouts", "How the strips part at the coupler's ends for the four ports.")
      .def_readonly("feed_width_upper_m", &Breakouts::feed_width_upper,
                    "Width of a feed of Zo on the upper strip's face, metres.")
      .def_readonly("feed_width_lower_m", &Breakouts::feed_width_lower,
                    "Width of a feed of Zo on the lower strip's face, metres.")
      .def_readonly("port_spacing_m", &Breakouts::port_spacing, "The feeds' spacing across at the port ends, metres.")
      .def_readonly("length_m", &Breakouts::length, "Each breakout's length along the coupler, metres.")
      .def_readonly("lead_m", &Breakouts::lead, "The straight run before the first bend, metres.")
      .def_readonly("feed_coupling_db", &Breakouts::feed_coupling_db, "The parted feeds' coupling to each other, dB.")
      .def_readonly("breakout_coupling_db", &Breakouts::breakout_coupling_db,
                    "The coupling a breakout adds on its own at the centre frequency, dB.")
      .def_readonly("breakout_coupling_max_db", &Breakouts::breakout_coupling_max_db,
                    "The most it adds over a synthesised design's band, dB.")
      .def_readonly("spacing_given", &Breakouts::spacing_given, "port_spacing_m was given.")
      .def_readonly("length_given", &Breakouts::length_given, "breakout_length_m was given.")
      .def_readonly("shortened_first_m", &Breakouts::shortened_first,
                    "What compensation took off the first section's length, metres.")
      .def_readonly("shortened_last_m", &Breakouts::shortened_last,
                    "What compensation took off the last section's length, metres.")
      .def_readonly("bend_radius_m", &Breakouts::bend_radius,
                    "The feeds' bends' radius (centre line), metres: compensated, circular arcs;\n"
                    "0, mitred 45 degree corners.")
      .def("__repr__", [](const Breakouts& b) {
        return record_repr("Breakouts", {real_field("port_spacing_m", b.port_spacing), real_field("length_m", b.length),
                                         real_field("feed_coupling_db", b.feed_coupling_db),
                                         real_field("breakout_coupling_db", b.breakout_coupling_db)});
      });
}

}  // namespace

ScriptLayout lay_out_design(const ScriptDesign& sd, const Arguments& given) {
  if (sd.origin == Origin::analysed)
    raise_value("lay out the design itself: this is a design as analysed (Analysis.design), whose impedances "
                "are already those of a board or of other velocities");
  LayoutChoice choice;
  choice.breakout_length = length_of(given, kBreakoutLength);
  choice.port_spacing = length_of(given, kPortSpacing);
  choice.compensate = given.flag("compensate");
  if (!given["taper_length"].is_none()) {
    if (!choice.compensate) raise_value("taper_length shapes compensate's tapers: give compensate=True too");
    choice.taper_length = single_in(kTaperLength, given.number("taper_length"));
  }
  choice.metres = true;  // the script's lengths, said back in its own unit
  ScriptLayout l;
  l.design = sd;
  l.stack = stackup_argument(given["stackup"]);
  if (auto fault = board_fault(sd.design, l.stack)) raise_value(*fault);
  std::string error;
  std::optional<CouplerLayout> copper;
  {
    py::gil_scoped_release release;
    l.built = refine_stack_design(sd.design, l.stack, 2);
    copper = lay_out_coupler(sd.design, l.built, l.stack, choice, error);
  }
  if (!copper) raise_value(error);
  l.copper = std::move(*copper);
  return l;
}

void define_layout(py::module_& m, py::class_<ScriptLayout>& cls) {
  define_records(m);
  py::options own_signatures;  // written from the parameter tables
  own_signatures.disable_function_signatures();
  cls.def_property_readonly(
         "sections", [](const ScriptLayout& l) { return l.copper.sections; },
         "Every section's rectangles (SectionCopper records), section 1 first.")
      .def_property_readonly(
          "ports",
          [](const ScriptLayout& l) { return std::vector<PortEnd>(l.copper.ports.begin(), l.copper.ports.end()); },
          "The four ports' feed ends (Port records), port 1 first.")
      .def_property_readonly(
          "breakouts", [](const ScriptLayout& l) { return l.copper.breakouts; }, "How the strips part at the ends.")
      .def_property_readonly(
          "junctions", [](const ScriptLayout& l) { return l.copper.junctions; },
          "What joins each pair of neighbouring sections (Junction records), sections 1-2 first.")
      .def_property_readonly(
          "upper_outline_m", [](const ScriptLayout& l) { return points(l.copper.upper); },
          "The upper strip's copper as one closed outline, counter-clockwise: (n, 2)\n"
          "x and y in metres, the first point not repeated.")
      .def_property_readonly(
          "lower_outline_m", [](const ScriptLayout& l) { return points(l.copper.lower); },
          "The lower strip's copper as one closed outline: (n, 2), metres.")
      .def_property_readonly(
          "board_outline_m", [](const ScriptLayout& l) { return points(l.copper.board); },
          "The board's edge: (n, 2), metres.")
      .def_property_readonly(
          "trims_m", [](const ScriptLayout& l) { return l.copper.trims; },
          "What compensation added to each section's straight copper so that the copper\n"
          "couples as the design does (negative: took off), metres, section 1 first;\n"
          "empty where it trimmed nothing.")
      .def_property_readonly(
          "coupler_length_m", [](const ScriptLayout& l) { return l.copper.coupler_length; },
          "Where the last section ends along the coupler, metres.")
      .def_property_readonly(
          "notes", [](const ScriptLayout& l) { return l.copper.notes; },
          "What an engineer should know of the drawing, a line each.")
      .def_readonly("stackup", &ScriptLayout::stack, "The board.")
      .def_readonly("design", &ScriptLayout::design, "The design laid out.")
      .def("copper_s",
           [](const ScriptLayout& l, const py::args& args, const py::kwargs& kwargs) {
             const Arguments given(kCopperS, args, kwargs);
             const std::vector<double> f = study_frequencies(l.design, given["frequencies_mhz"]);
             std::vector<SMatrix> s;
             {
               py::gil_scoped_release release;
               const CopperLines c = copper_lines(l.design.design, l.built, l.stack, l.copper);
               if (c.ok)
                 for (double v : f) s.push_back(mode_lines_matrix(c.lines, l.design.design.z0, v));
             }
             if (s.size() != f.size()) raise_value("the copper's lines could not be solved in " + l.stack.name);
             return matrices(s);
           },
           documented(kCopperS,
                      "The circuit model of the copper as laid out, as `quillomate analyse\n"
                      "--discontinuities` makes it: the sections as built with the breakouts\n"
                      "and the junctions' tapers and jogs as field-solved lines, each step\n"
                      "delaying each mode, losses included; complex128, (n, 4, 4), normalised\n"
                      "to Zo, at frequencies_mhz (default the design's sweep).")
               .c_str())
      .def("summary",
           [](const ScriptLayout& l, const py::args& args, const py::kwargs& kwargs) {
             const Arguments given(kSummary, args, kwargs);
             return layout_summary_text(l.copper, given.flag("inches"));
           },
           documented(kSummary,
                      "The text `quillomate layout` prints: every section's rectangles, every\n"
                      "port's position, the feeds and what the breakouts add; lengths in mm, or\n"
                      "in inches with inches=True.")
               .c_str())
      .def("write", &write_artwork,
           documented(kWriteArtwork,
                      "Writes the artwork files asked for, as `quillomate layout` writes them:\n"
                      "gerber: a folder (made if missing, in a folder that is), given the Gerber\n"
                      "X2 files <stem>-upper.gbr, <stem>-lower.gbr and <stem>-outline.gbr; dxf:\n"
                      "a DXF drawing; svg: a drawing for a person; kicad: a KiCad footprint. The\n"
                      "stem is the design file's, or 'coupler'. Lengths in mm, or in inches\n"
                      "with inches=True (a footprint is always in mm).\n"
                      "\n"
                      "All or nothing: every file is written whole to a hidden companion and\n"
                      "they are put in place together; a failure raises OSError naming the file\n"
                      "and the system's reason and keeps none of them.")
               .c_str())
      .def("fullwave", &write_model,
           documented(kFullwave,
                      "Writes the openEMS models of this copper into `folder` (made if missing),\n"
                      "as `quillomate fullwave --out` does: portK/model.xml for each port to\n"
                      "drive and README.txt. Returns the FullwaveModel, to run().\n"
                      "\n"
                      "frequencies_mhz: ascending, MHz (default: the design's own sweep).\n"
                      "mesh: 'coarse', 'normal' or 'fine'. side_walls: how far the absorbing\n"
                      "side walls stand from the copper, in ground-plane spacings B (1 to 20).\n"
                      "port_feed: how far each feed runs on beyond its port plane to the\n"
                      "model's lumped port, measured half way, in B (4 to 40).\n"
                      "all_ports: drive every port, not only those the layout's symmetries\n"
                      "leave unknown. Results of an earlier model in the folder are removed.")
               .c_str())
      .def("__repr__", [](const ScriptLayout& l) {
        return "<quillomate.Layout: " + std::to_string(l.copper.sections.size()) + " sections, " +
               shortest(static_cast<float>(l.copper.coupler_length * 1e3)) + " mm long, in " + l.stack.name + ">";
      });

  py::class_<ScriptFullwave>(m, "FullwaveModel",
                             "A full-wave model folder of a layout (Layout.fullwave): one openEMS\n"
                             "model a driven port, ready to run.")
      .def_property_readonly(
          "folder", [](const ScriptFullwave& f) { return f.folder.string(); }, "The model folder.")
      .def_property_readonly(
          "ports_driven", [](const ScriptFullwave& f) { return f.study.driven; },
          "The ports driven, one run each; the others' columns follow from the layout's symmetries.")
      .def_property_readonly(
          "mirror_symmetric", [](const ScriptFullwave& f) { return f.study.symmetry.along; },
          "The design is mirror-symmetric along the coupler (ports 4, 3 the images of 1, 2).")
      .def_property_readonly(
          "mirror_stacked", [](const ScriptFullwave& f) { return f.study.symmetry.across; },
          "The board is mirror-stacked (ports 2, 3 the images of 1, 4).")
      .def_property_readonly(
          "frequencies_mhz", [](const ScriptFullwave& f) { return frequencies(f.study.f_mhz); },
          "The frequencies the result is read at, MHz: float64, (n,).")
      .def_property_readonly(
          "grid_lines",
          [](const ScriptFullwave& f) {
            return std::tuple{f.study.grid.x.size(), f.study.grid.y.size(), f.study.grid.z.size()};
          },
          "Mesh lines along x, y and z.")
      .def_property_readonly(
          "cells", [](const ScriptFullwave& f) { return f.study.cells(); }, "Mesh cells.")
      .def_readonly("mesh", &ScriptFullwave::mesh, "'coarse', 'normal' or 'fine'.")
      .def("run", &run_model,
           documented(kRun,
                      "Runs openEMS (the first on PATH) on each driven port's model in turn and\n"
                      "reads the result, as `quillomate fullwave --run` does; minutes for a\n"
                      "coarse mesh, hours for a fine one. threads: 1 to 256 (default openEMS's\n"
                      "own, every core). progress: called as progress(port, timestep,\n"
                      "energy_db) as openEMS reports.\n"
                      "\n"
                      "Raises FileNotFoundError without openEMS and RuntimeError when it fails.")
               .c_str())
      .def("read",
           [](const ScriptFullwave& f, const py::args& args, const py::kwargs& kwargs) {
             const Arguments given(kRead, args, kwargs);
             return read_results(f);
           },
           documented(kRead,
                      "The result from the probes already in the folder (the models run by\n"
                      "hand, as README.txt says). Raises OSError for a probe missing or unread.")
               .c_str())
      .def("__repr__", [](const ScriptFullwave& f) {
        return "<quillomate.FullwaveModel: " + f.mesh + " mesh, " + std::to_string(f.study.cells()) + " cells, " +
               std::to_string(f.study.driven.size()) + (f.study.driven.size() == 1 ? " port" : " ports") +
               " driven, in " + f.folder.string() + ">";
      });

  auto summary = [](double BandSummary::*field) {
    return [field](const ScriptFullwaveResult& r) { return r.summary.*field; };
  };
  py::class_<ScriptFullwaveResult>(m, "FullwaveResult",
                                   "What the full-wave runs gave, beside the circuit model of the same copper\n"
                                   "(the design as built, without the strips' conductor loss, as the model's\n"
                                   "perfect conductors leave it out). Ports as in the report: 1 input, 2\n"
                                   "coupled, 3 isolated, 4 through.")
      .def_property_readonly(
          "frequencies_mhz", [](const ScriptFullwaveResult& r) { return frequencies(r.comparison.f_mhz); },
          "The frequencies, MHz: float64, (n,).")
      .def_property_readonly(
          "s", [](const ScriptFullwaveResult& r) { return matrices(r.comparison.fullwave); },
          "The full-wave scattering matrix: complex128, (n, 4, 4), normalised to Zo.")
      .def_property_readonly(
          "circuit_s", [](const ScriptFullwaveResult& r) { return matrices(r.comparison.circuit); },
          "The circuit model's: complex128, (n, 4, 4).")
      .def_property_readonly(
          "copper_s", [](const ScriptFullwaveResult& r) { return matrices(r.comparison.copper); },
          "The circuit model of the copper (Layout.copper_s, without the strips'\n"
          "conductor loss): complex128, (n, 4, 4).")
      .def_property_readonly(
          "zo_ohm", [](const ScriptFullwaveResult& r) { return r.study.run.zo; }, "Reference impedance, ohms.")
      .def_property_readonly("copper_directivity_db", summary(&BandSummary::copper_directivity_db),
                             "The copper's circuit model's least directivity over the band, dB.")
      .def_property_readonly("copper_coupling_deviation_db", summary(&BandSummary::copper_coupling_deviation_db),
                             "Largest |full-wave - copper model| coupling over the band, dB.")
      .def_property_readonly("coupling_deviation_db", summary(&BandSummary::coupling_deviation_db),
                             "Largest |full-wave - circuit| coupling over the band, dB.")
      .def_property_readonly("coupling_lo_db", summary(&BandSummary::coupling_lo_db),
                             "Least full-wave coupling over the band, dB.")
      .def_property_readonly("coupling_hi_db", summary(&BandSummary::coupling_hi_db),
                             "Most full-wave coupling over the band, dB.")
      .def_property_readonly("directivity_db", summary(&BandSummary::directivity_db),
                             "Least full-wave directivity over the band, dB.")
      .def_property_readonly("circuit_directivity_db", summary(&BandSummary::circuit_directivity_db),
                             "The circuit model's, dB.")
      .def_property_readonly("isolation_db", summary(&BandSummary::isolation_db),
                             "Least full-wave isolation over the band, -20 log10 |S31|, dB.")
      .def_property_readonly("circuit_isolation_db", summary(&BandSummary::circuit_isolation_db),
                             "The circuit model's, dB.")
      .def_property_readonly("return_loss_db", summary(&BandSummary::return_loss_db),
                             "Least full-wave return loss over the band, dB.")
      .def_property_readonly("circuit_return_loss_db", summary(&BandSummary::circuit_return_loss_db),
                             "The circuit model's, dB.")
      .def_property_readonly("quadrature_error_deg", summary(&BandSummary::quadrature_error_deg),
                             "Largest full-wave departure from quadrature over the band, degrees.")
      .def_property_readonly("circuit_quadrature_error_deg", summary(&BandSummary::circuit_quadrature_error_deg),
                             "The circuit model's, degrees.")
      .def_property_readonly("coupling_at_centre_db", summary(&BandSummary::coupling_at_centre_db),
                             "Full-wave coupling at the centre frequency, dB.")
      .def_property_readonly("circuit_coupling_at_centre_db", summary(&BandSummary::circuit_coupling_at_centre_db),
                             "The circuit model's, dB.")
      .def("network",
           [](const ScriptFullwaveResult& r, const py::args& args, const py::kwargs& kwargs) {
             return result_network(r, kFullwaveNetwork, false, args, kwargs);
           },
           documented(kFullwaveNetwork,
                      "The full-wave response as a scikit-rf Network (4 ports, z0 = Zo).\n"
                      "Raises ImportError without scikit-rf.")
               .c_str())
      .def("circuit_network",
           [](const ScriptFullwaveResult& r, const py::args& args, const py::kwargs& kwargs) {
             return result_network(r, kCircuitNetwork, true, args, kwargs);
           },
           documented(kCircuitNetwork, "The circuit model's response as a scikit-rf Network.").c_str())
      .def("summary", [](const ScriptFullwaveResult& r) { return summary_text(r.summary, r.comparison); },
           documented(kSummaryText, "The summary `quillomate fullwave --run` prints over the band.").c_str())
      .def("write",
           [](const ScriptFullwaveResult& r, const py::args& args, const py::kwargs& kwargs) {
             const Arguments given(kResultWrite, args, kwargs);
             const fs::path folder = given["folder"].is_none() ? r.folder : fs::path(path_text(given["folder"]));
             make_folder(folder, "folder");
             if (FileFault fault = write_together(result_files(r.comparison, r.study, folder, r.name, r.mesh),
                                                  "no result was kept"))
               raise_file(fault);
           },
           documented(kResultWrite,
                      "Writes fullwave.s4p (the full-wave Touchstone file), compare.csv and\n"
                      "compare.svg into `folder` (default: the model's; made if missing, in a\n"
                      "folder that is), as `quillomate fullwave --run` does, all or nothing.")
               .c_str())
      .def("__repr__", [](const ScriptFullwaveResult& r) {
        return "<quillomate.FullwaveResult: " + std::to_string(r.comparison.f_mhz.size()) + " frequencies, " +
               r.name + ", " + r.mesh + " mesh>";
      });
}

}  // namespace quill::py_front
