/// Designs: synthesised, read from a design-data file, or built from sections;
/// written back as the command line writes them.

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "analysis/report.hpp"
#include "common/number.hpp"
#include "exports/design_notes.hpp"
#include "python/bindings.hpp"
#include "python/front_checks.hpp"
#include "python/python_errors.hpp"
#include "python/record_repr.hpp"

namespace py = pybind11;

namespace quill::py_front {

namespace {

constexpr ValueRange kB{"--b", "inches", 0, true};
constexpr ValueRange kS{"--s", "inches", 0, true};

/// A float the engine took, or None for a design that has no such value.
template <class T>
py::object maybe(bool has, T value) {
  return has ? py::cast(value) : py::object(py::none());
}

ScriptDesign synthesize(const std::string& form, double flow, double fhigh, double coupling, double ripple,
                        std::optional<int> sections, double flat_tolerance, double zo, double er, bool equal_ripple,
                        double b, double s) {
  SynthesisRequest r;
  if (form == "symmetrical") {
    r.kind = TableKind::symmetrical;
  } else if (form == "asymmetrical") {
    r.kind = TableKind::asymmetrical;
  } else {
    raise_value("form must be \"symmetrical\" or \"asymmetrical\" (got \"" + form + "\")");
  }
  // Each value read as the command line reads its option's text; the ranges
  // are the engine's, checked in the command line's order.
  r.flow = single("--flow", flow);
  r.fhigh = single("--fhigh", fhigh);
  r.level = single("--coupling", coupling);
  r.ripple = single("--ripple", ripple);
  r.sections = sections;
  r.flat_tolerance = single("--flat-tolerance", flat_tolerance);
  r.zo = single("--zo", zo);
  r.er = single("--er", er);
  r.equal_ripple = equal_ripple;
  if (auto fault = request_fault(r)) raise_value(*fault);
  const float fb = single_in(kB, b);
  const float fs = single_in(kS, s);
  if (auto fault = spacing_fault(fb, fs)) raise_value(*fault);
  SynthesisOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = synthesize_request(r);
  }
  if (outcome.status != SynthesisOutcome::designed) raise_synthesis(outcome);
  return synthesised_design(outcome.design, outcome.from_tables, fb, fs);
}

ScriptDesign read_design(const py::handle& path) {
  const std::string named = path_text(path);
  DesignFileRead read = read_design_file(named, named);
  if (read.fault) raise_file(read.fault);
  return file_design(read.values, std::move(read.title));
}

void write_design(const ScriptDesign& sd, const py::handle& path) {
  const std::string named = path_text(path);
  const DesignText text = design_file_text(sd);
  if (!text.fault.empty()) raise_value(text.fault);
  if (FileFault fault = write_whole_file(named, named, text.text)) raise_file(fault);
}

ScriptDesign from_sections(const std::vector<SectionRecord>& sections, double centre_mhz, double zo, double er) {
  BuiltDesign built = design_from_sections(sections, centre_mhz, zo, er);
  if (!built.fault.empty()) raise_value(built.fault);
  return std::move(built.design);
}

const char* origin_name(Origin o) {
  switch (o) {
    case Origin::synthesised:
      return "synthesised";
    case Origin::file:
      return "file";
    case Origin::sections:
      return "sections";
    case Origin::analysed:
      break;
  }
  return "analysed";
}

std::string design_repr(const ScriptDesign& sd) {
  std::string text = "<quillomate.Design: " + design_summary(sd.design);
  if (sd.origin == Origin::synthesised)
    text += sd.from_tables ? ", from the tables" : ", by the equal-ripple engine";
  if (sd.origin == Origin::file) text += ", read from a file";
  if (!sd.board.empty()) text += ", as built in " + sd.board;
  return text + ">";
}

void define_section(py::class_<SectionRecord>& cls) {
  cls.def(py::init([](double zoe, double zoo, double length_in, std::optional<double> velocity_even,
                      std::optional<double> velocity_odd, double loss_even, double loss_odd, double diel_even,
                      double diel_odd) {
            return SectionRecord{zoe, zoo, length_in, velocity_even, velocity_odd, loss_even, loss_odd, diel_even,
                                 diel_odd};
          }),
          py::arg("zoe"), py::arg("zoo"), py::arg("length_in"), py::kw_only(), py::arg("velocity_even") = py::none(),
          py::arg("velocity_odd") = py::none(), py::arg("loss_even_db_per_in") = 0.0,
          py::arg("loss_odd_db_per_in") = 0.0, py::arg("dielectric_loss_even_db_per_in") = 0.0,
          py::arg("dielectric_loss_odd_db_per_in") = 0.0)
      .def_readwrite("zoe", &SectionRecord::zoe, "Even-mode impedance, ohms.")
      .def_readwrite("zoo", &SectionRecord::zoo, "Odd-mode impedance, ohms.")
      .def_readwrite("length_in", &SectionRecord::length_in, "Physical length, inches.")
      .def_readwrite("velocity_even", &SectionRecord::velocity_even,
                     "Even-mode phase velocity, fraction of c; None: c / sqrt(Er).")
      .def_readwrite("velocity_odd", &SectionRecord::velocity_odd,
                     "Odd-mode phase velocity, fraction of c; None: c / sqrt(Er).")
      .def_readwrite("loss_even_db_per_in", &SectionRecord::loss_even_db_per_in,
                     "Even-mode conductor loss at the centre frequency, dB per inch (grows as sqrt(f)).")
      .def_readwrite("loss_odd_db_per_in", &SectionRecord::loss_odd_db_per_in)
      .def_readwrite("dielectric_loss_even_db_per_in", &SectionRecord::dielectric_loss_even_db_per_in,
                     "Even-mode dielectric loss at the centre frequency, dB per inch (grows as f).")
      .def_readwrite("dielectric_loss_odd_db_per_in", &SectionRecord::dielectric_loss_odd_db_per_in)
      .def_property_readonly(
          "coupling_db",
          [](const SectionRecord& r) {
            return section_coupling(static_cast<float>(r.zoe), static_cast<float>(r.zoo));
          },
          "The section's coupling, dB, as the report shows it.")
      .def("__repr__", [](const SectionRecord& r) {
        return record_repr("Section", {real_field("zoe", r.zoe), real_field("zoo", r.zoo),
                                       real_field("length_in", r.length_in),
                                       real_field("velocity_even", r.velocity_even),
                                       real_field("velocity_odd", r.velocity_odd),
                                       real_field("loss_even_db_per_in", r.loss_even_db_per_in),
                                       real_field("loss_odd_db_per_in", r.loss_odd_db_per_in),
                                       real_field("dielectric_loss_even_db_per_in", r.dielectric_loss_even_db_per_in),
                                       real_field("dielectric_loss_odd_db_per_in", r.dielectric_loss_odd_db_per_in)});
      });
}

}  // namespace

void define_design(py::module_& m, py::class_<ScriptDesign>& cls, py::class_<SectionRecord>& section) {
  define_section(section);
  cls.def(py::init(&from_sections), py::arg("sections"), py::kw_only(), py::arg("centre_mhz"),
          py::arg("zo") = 50.0, py::arg("er") = 1.0)
      .def_property_readonly(
          "zo", [](const ScriptDesign& d) { return d.design.z0; }, "System impedance Zo, ohms.")
      .def_property_readonly(
          "er", [](const ScriptDesign& d) { return d.design.er; }, "Relative dielectric constant Er.")
      .def_property_readonly(
          "centre_mhz", [](const ScriptDesign& d) { return d.design.f0; },
          "The centre frequency the analysis scales the sections from, MHz.")
      .def_property_readonly(
          "sections", [](const ScriptDesign& d) { return section_records(d.design); },
          "The sections as Section records, section 1 at port 1 (copies: changing\n"
          "them changes no design; Design(records, ...) builds a new one).")
      .def_property_readonly(
          "origin", [](const ScriptDesign& d) { return origin_name(d.origin); },
          "'synthesised', 'file', 'sections', or 'analysed' (Analysis.design).")
      .def_property_readonly(
          "form",
          [](const ScriptDesign& d) {
            return maybe(d.design.synthesised(), d.design.ifunc == 1 ? "symmetrical" : "asymmetrical");
          },
          "'symmetrical' or 'asymmetrical' for a synthesised design, else None.")
      .def_property_readonly(
          "band_mhz",
          [](const ScriptDesign& d) {
            return maybe(d.design.synthesised(), std::pair{d.design.flow, d.design.fhigh});
          },
          "(flow, fhigh) of a synthesised design, else None.")
      .def_property_readonly(
          "coupling_db", [](const ScriptDesign& d) { return maybe(d.design.synthesised(), d.design.coupler); },
          "Nominal coupling level of a synthesised design, dB, else None.")
      .def_property_readonly(
          "ripple_db", [](const ScriptDesign& d) { return maybe(d.design.synthesised(), d.design.ripple); },
          "The ripple a synthesised design promises (the table row's) or reaches\n"
          "(the engine's), dB, else None.")
      .def_property_readonly(
          "from_tables",
          [](const ScriptDesign& d) { return maybe(d.design.synthesised(), d.from_tables); },
          "True when the design tables made it, False for the equal-ripple engine;\n"
          "None for a design not synthesised.")
      .def_property_readonly(
          "sweep_mhz",
          [](const ScriptDesign& d) { return maybe(d.deltaf > 0, std::tuple{d.fstart, d.fstop, d.deltaf}); },
          "(start, stop, step) its design-data file holds: a synthesised design's\n"
          "sweep around its band, a read design's own; None for one built from sections.")
      .def_property_readonly(
          "b_in", [](const ScriptDesign& d) { return maybe(d.b > 0, d.b); },
          "Ground-plane spacing B its file holds, inches (None for one built from sections).")
      .def_property_readonly(
          "s_in", [](const ScriptDesign& d) { return maybe(d.s > 0, d.s); },
          "Strip spacing S its file holds, inches (None for one built from sections).")
      .def_readonly("title", &ScriptDesign::title, "The title line of its design-data file.")
      .def("__len__", [](const ScriptDesign& d) { return d.design.n; })
      .def("__repr__", &design_repr);
  m.def("synthesize", &synthesize, py::arg("form"), py::arg("flow"), py::arg("fhigh"), py::arg("coupling"),
        py::arg("ripple"), py::kw_only(), py::arg("sections") = py::none(), py::arg("flat_tolerance") = 0.1,
        py::arg("zo") = 50.0, py::arg("er") = 2.2, py::arg("equal_ripple") = false, py::arg("b") = 0.25,
        py::arg("s") = 0.05,
        "A coupler for the band flow..fhigh MHz, as `quillomate synthesize` designs it.\n"
        "\n"
        "form: 'symmetrical' or 'asymmetrical'. coupling: level C, 3 to 30 dB.\n"
        "ripple: R, 0 (maximally flat) or 0.01 to 1.5 dB. From the design tables for\n"
        "the levels and ripples they hold (as the dialogue's functions 1 and 2),\n"
        "otherwise, or with equal_ripple=True or a section count, from the\n"
        "equal-ripple engine (symmetrical: odd counts up to 15; asymmetrical: 2 to 12).\n"
        "flat_tolerance: with ripple 0, how far the coupling may stray from C over\n"
        "the band, dB. zo: ohms. er: relative dielectric constant. b, s: the ground-\n"
        "plane and strip spacings, inches, that the design's file holds.\n"
        "\n"
        "Raises ValueError for a value out of range and NoDesign when no design\n"
        "covers the band, with the command line's messages.");
  // Arguments taken as Python objects (array-likes, paths, a Stackup or a
  // path) are named in words rather than as pybind11's generic types.
  py::options own_signatures;
  own_signatures.disable_function_signatures();
  cls.def("analyse", &analyse_design, py::arg("frequencies_mhz"), py::kw_only(),
           py::arg("velocity_ratio") = py::none(), py::arg("loss") = py::none(), py::arg("stackup") = py::none(),
           "analyse(frequencies_mhz: ArrayLike, *, velocity_ratio: float | None = None,\n"
           "        loss: float | None = None, stackup: Stackup | str | PathLike | None = None) -> Analysis\n"
           "\n"
           "The response at `frequencies_mhz` (any 1-D array-like; taken as float32,\n"
           "each above 0). For the command line's sweep use sweep(start, stop, step).\n"
           "\n"
           "velocity_ratio: even-mode phase velocity as a fraction of the odd mode's\n"
           "(above 0, at most 1), as --velocity-ratio shortens each section's odd-mode\n"
           "electrical length. loss: both modes' line loss at the centre frequency, dB\n"
           "per inch (at least 0), growing as sqrt(f), as --loss. Not given, the design's\n"
           "own are kept (for a synthesised or read design: 1 and 0).\n"
           "stackup: a Stackup or a stack-up file's path; the design is then analysed\n"
           "as the board builds it (field-solved impedances, each mode's velocity and\n"
           "losses, the physical lengths), as `quillomate analyse --stackup` does.\n"
           "velocity_ratio or loss beside it is a ValueError: the board decides them.\n"
           "\n"
           "The sweep runs with the interpreter's lock released. Raises ValueError for\n"
           "bad input, OSError for a stack-up file that cannot be read.")
      .def("dimensions", &dimension_design, py::arg("b") = py::none(), py::arg("s") = py::none(), py::kw_only(),
           py::arg("centre") = "offset", py::arg("field_solve") = false, py::arg("stackup") = py::none(),
           "dimensions(b: float | None = None, s: float | None = None, *, centre: str = 'offset',\n"
           "           field_solve: bool = False, stackup: Stackup | str | PathLike | None = None) -> Dimensions\n"
           "\n"
           "The strips of the design as offset broadside-coupled striplines between\n"
           "ground planes b inches apart, s inches apart (by default the design's own B\n"
           "and S; a design built from sections has none).\n"
           "\n"
           "centre: 'offset', or 'overlap' for superposed strips in the centre section.\n"
           "field_solve: also refine the strips with the 2-D field solver until they\n"
           "have each section's impedances (S/B from 0.01 to 0.99).\n"
           "stackup: a Stackup or a stack-up file's path: the strips in that board (which\n"
           "gives B and S; b, s and field_solve beside it are a ValueError).\n"
           "\n"
           "The closed forms are always given. Raises ValueError with the command\n"
           "line's message for bad input.")
      .def("write", &write_design, py::arg("path"),
           "write(path: str | PathLike) -> None\n"
           "\n"
           "Writes the design-data file `quillomate synthesize --write-design` writes:\n"
           "the same text, with a synthesised design's sweep around its band and its B\n"
           "and S, or a read design's own sweep, B, S and title.\n"
           "\n"
           "The file is written to a hidden companion and renamed into place when\n"
           "complete: a failure raises OSError naming the file and the system's reason\n"
           "and leaves no partial file. A design the file cannot hold (built from\n"
           "sections, analysed with other velocities, losses or a board, or with\n"
           "sections laid out for different centre frequencies) raises ValueError.");

  m.def("read_design", &read_design, py::arg("path"),
        "read_design(path: str | PathLike) -> Design\n"
        "\n"
        "Reads a design-data file (the dialogue's function 4, `quillomate analyse`):\n"
        "every section matched to Zo, a quarter wave at its centre frequency.\n"
        "\n"
        "Raises OSError when the file cannot be read and ValueError for an entry in\n"
        "error, with the command line's messages.");
}

}  // namespace quill::py_front
