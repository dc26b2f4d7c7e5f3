/// Designs: synthesised, read from a design-data file, or built from sections;
/// written back as the command line writes them.

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "analysis/report.hpp"
#include "common/number.hpp"
#include "common/stackup.hpp"
#include "exports/design_notes.hpp"
#include "python/bindings.hpp"
#include "python/front_checks.hpp"
#include "python/parameters.hpp"
#include "python/python_errors.hpp"
#include "python/record_repr.hpp"

namespace py = pybind11;

namespace quill::py_front {

namespace {

/// The request's values as the engine's messages name them: the parameters of synthesize().
constexpr RequestNames kRequestNames{"flow_mhz", "fhigh_mhz", "coupling_db",       "ripple_db",
                                     "sections", "flat_tolerance_db", "zo_ohm", "er"};

constexpr ValueRange kB{"b_in", "inches", 0, true};
constexpr ValueRange kS{"s_in", "inches", 0, true};

/// A coupler longer than this is most likely a band given in GHz where MHz
/// were meant: a 2-6 "GHz" coupler designed for 2-6 MHz is tens of metres.
constexpr double kLongCouplerMetres = 1.0;

constexpr Parameter kSynthesizeParameters[] = {
    {"form", ""},
    {"flow_mhz", "", "flow"},
    {"fhigh_mhz", "", "fhigh"},
    {"coupling_db", "", "coupling"},
    {"ripple_db", "", "ripple"},
    {"*", ""},
    {"sections", "None"},
    {"flat_tolerance_db", "0.1", "flat_tolerance"},
    {"zo_ohm", "50.0", "zo"},
    {"er", "2.2"},
    {"equal_ripple", "False"},
    {"tables", "False"},
    {"b_in", "0.25", "b"},
    {"s_in", "0.05", "s"},
};
constexpr Signature kSynthesize{"synthesize", kSynthesizeParameters};

constexpr Parameter kDesignParameters[] = {
    {"sections", ""}, {"*", ""}, {"centre_mhz", ""}, {"zo_ohm", "50.0", "zo"}, {"er", "1.0"}};
constexpr Signature kDesign{"Design", kDesignParameters, true};

constexpr Parameter kSectionParameters[] = {
    {"zoe_ohm", "", "zoe"},
    {"zoo_ohm", "", "zoo"},
    {"length_in", ""},
    {"*", ""},
    {"velocity_even", "None"},
    {"velocity_odd", "None"},
    {"loss_even_db_per_in", "0.0"},
    {"loss_odd_db_per_in", "0.0"},
    {"dielectric_loss_even_db_per_in", "0.0"},
    {"dielectric_loss_odd_db_per_in", "0.0"},
};
constexpr Signature kSection{"Section", kSectionParameters, true};

constexpr Parameter kAnalyseParameters[] = {{"frequencies_mhz", ""},
                                            {"*", ""},
                                            {"velocity_ratio", "None"},
                                            {"loss_db_per_in", "None", "loss"},
                                            {"stackup", "None"}};
constexpr Signature kAnalyse{"Design.analyse", kAnalyseParameters, true};

constexpr Parameter kDimensionsParameters[] = {{"b_in", "None", "b"},       {"s_in", "None", "s"},
                                               {"*", ""},                   {"centre", "'offset'"},
                                               {"field_solve", "False"},    {"stackup", "None"}};
constexpr Signature kDimensions{"Design.dimensions", kDimensionsParameters, true};

constexpr Parameter kLayoutParameters[] = {{"stackup", ""},
                                           {"*", ""},
                                           {"breakout_length_m", "None"},
                                           {"port_spacing_m", "None"},
                                           {"compensate", "False"},
                                           {"taper_length", "None"}};
constexpr Signature kLayout{"Design.layout", kLayoutParameters, true};

constexpr Parameter kPathParameter[] = {{"path", ""}};
constexpr Signature kWrite{"Design.write", kPathParameter, true};
constexpr Signature kReadDesign{"read_design", kPathParameter};

/// A float the engine took, or None for a design that has no such value.
template <class T>
py::object maybe(bool has, T value) {
  return has ? py::cast(value) : py::object(py::none());
}

/// Warns (quillomate.LengthWarning) of a coupler longer than a metre or so.
void warn_if_long(const CouplerDesign& d) {
  const double metres = static_cast<double>(d.total) * metres_per_inch;
  if (!(metres > kLongCouplerMetres)) return;
  char length[32];
  std::snprintf(length, sizeof length, "%.3g", metres);
  warn_length("the coupler is " + std::string(length) + " m long (" + std::to_string(d.n) +
              " sections for " + plain_number(d.flow) + " to " + plain_number(d.fhigh) +
              " MHz): frequencies are in MHz; was GHz meant?");
}

ScriptDesign synthesize(const py::args& args, const py::kwargs& kwargs) {
  const Arguments a(kSynthesize, args, kwargs);
  SynthesisRequest r;
  const std::string form = a.text("form");
  if (form == "symmetrical") {
    r.kind = TableKind::symmetrical;
  } else if (form == "asymmetrical") {
    r.kind = TableKind::asymmetrical;
  } else {
    raise_value("form must be 'symmetrical' or 'asymmetrical' (got '" + form + "')");
  }
  // Each value in single precision, as the command line reads its option's
  // text; the ranges are the engine's, checked in the command line's order.
  r.flow = single("flow_mhz", a.number("flow_mhz"));
  r.fhigh = single("fhigh_mhz", a.number("fhigh_mhz"));
  r.level = single("coupling_db", a.number("coupling_db"));
  r.ripple = single("ripple_db", a.number("ripple_db"));
  if (auto n = a.optional_count("sections")) {
    // Beyond int, a count is out of range all the same.
    r.sections = static_cast<int>(std::clamp<long>(*n, -1, 1000));
  }
  r.flat_tolerance = single("flat_tolerance_db", a.number("flat_tolerance_db"));
  r.zo = single("zo_ohm", a.number("zo_ohm"));
  r.er = single("er", a.number("er"));
  r.equal_ripple = a.flag("equal_ripple");
  r.tables = a.flag("tables");
  if (r.tables && r.equal_ripple) raise_value("tables and equal_ripple cannot both be True");
  if (auto fault = request_fault(r, kRequestNames)) raise_value(*fault);
  const float fb = single_in(kB, a.number("b_in"));
  const float fs = single_in(kS, a.number("s_in"));
  if (auto fault = spacing_fault(fb, fs)) raise_value(*fault);
  SynthesisOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = synthesize_request(r, kRequestNames);
  }
  if (outcome.status != SynthesisOutcome::designed) raise_synthesis(outcome);
  warn_if_long(outcome.design);
  ScriptDesign sd = synthesised_design(outcome.design, outcome.from_tables, fb, fs);
  sd.engine_instead = outcome.engine_instead;
  return sd;
}

ScriptDesign read_design(const py::args& args, const py::kwargs& kwargs) {
  const Arguments a(kReadDesign, args, kwargs);
  const std::string named = path_text(a["path"]);
  DesignFileRead read = read_design_file(named, named);
  if (read.fault) raise_file(read.fault);
  return file_design(read.values, std::move(read.title), named);
}

void write_design(const ScriptDesign& sd, const py::args& args, const py::kwargs& kwargs) {
  const Arguments a(kWrite, args, kwargs);
  const std::string named = path_text(a["path"]);
  const DesignText text = design_file_text(sd);
  if (!text.fault.empty()) raise_value(text.fault);
  if (FileFault fault = write_whole_file(named, named, text.text)) raise_file(fault);
}

ScriptDesign from_sections(const py::args& args, const py::kwargs& kwargs) {
  const Arguments a(kDesign, args, kwargs);
  std::vector<SectionRecord> sections;
  const py::object given = a["sections"];
  if (!py::isinstance<py::sequence>(given) || py::isinstance<py::str>(given))
    throw py::type_error("sections must be a sequence of Section (got " +
                         std::string(Py_TYPE(given.ptr())->tp_name) + ")");
  for (const py::handle item : given) {
    if (!py::isinstance<SectionRecord>(item))
      throw py::type_error("sections must hold Section records (got " + std::string(Py_TYPE(item.ptr())->tp_name) +
                           ")");
    sections.push_back(item.cast<SectionRecord>());
  }
  BuiltDesign built = design_from_sections(sections, a.number("centre_mhz"), a.number("zo_ohm"), a.number("er"));
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

SectionRecord make_section(const py::args& args, const py::kwargs& kwargs) {
  const Arguments a(kSection, args, kwargs);
  const SectionRecord r{a.number("zoe_ohm"),
                        a.number("zoo_ohm"),
                        a.number("length_in"),
                        a.optional_number("velocity_even"),
                        a.optional_number("velocity_odd"),
                        a.number("loss_even_db_per_in"),
                        a.number("loss_odd_db_per_in"),
                        a.number("dielectric_loss_even_db_per_in"),
                        a.number("dielectric_loss_odd_db_per_in")};
  if (auto fault = record_fault(r)) raise_value(*fault);
  return r;
}

/// A record's field, read and set; a value out of its physical range is refused
/// and the record keeps its old one. An older spelling, if any, is the same field.
template <class Field>
void section_field(py::class_<SectionRecord>& cls, const char* name, const char* older, Field SectionRecord::*field,
                   const std::string& doc) {
  auto get = [field](const SectionRecord& r) { return r.*field; };
  auto set = [field](SectionRecord& r, Field value) {
    SectionRecord changed = r;
    changed.*field = value;
    if (auto fault = record_fault(changed)) raise_value(*fault);
    r = changed;
  };
  cls.def_property(name, get, set, doc.c_str());
  if (older != nullptr) cls.def_property(older, get, set, ("Older spelling of " + std::string(name) + ".").c_str());
}

void define_section(py::class_<SectionRecord>& cls) {
  cls.def(py::init(&make_section), documented(kSection,
                                              "A section from its impedances (ohms), its length (inches), and\n"
                                              "optionally each mode's velocity and losses.\n"
                                              "\n" +
                                                  older_spellings(kSection))
                                       .c_str());
  section_field(cls, "zoe_ohm", "zoe", &SectionRecord::zoe, "Even-mode impedance Zoe, ohms (above 0).");
  section_field(cls, "zoo_ohm", "zoo", &SectionRecord::zoo, "Odd-mode impedance Zoo, ohms (above 0).");
  section_field(cls, "length_in", nullptr, &SectionRecord::length_in, "Physical length, inches (above 0).");
  section_field(cls, "velocity_even", nullptr, &SectionRecord::velocity_even,
                "Even-mode phase velocity as a fraction of c, the speed of light in vacuum\n"
                "(above 0, at most 1); None: a TEM wave's in the design's Er, c / sqrt(Er).");
  section_field(cls, "velocity_odd", nullptr, &SectionRecord::velocity_odd,
                "Odd-mode phase velocity as a fraction of c (above 0, at most 1); None:\n"
                "c / sqrt(Er).");
  section_field(cls, "loss_even_db_per_in", nullptr, &SectionRecord::loss_even_db_per_in,
                "Even-mode conductor loss at the centre frequency, dB per inch (at least 0;\n"
                "grows as sqrt(f)).");
  section_field(cls, "loss_odd_db_per_in", nullptr, &SectionRecord::loss_odd_db_per_in,
                "Odd-mode conductor loss at the centre frequency, dB per inch (at least 0;\n"
                "grows as sqrt(f)).");
  section_field(cls, "dielectric_loss_even_db_per_in", nullptr, &SectionRecord::dielectric_loss_even_db_per_in,
                "Even-mode dielectric loss at the centre frequency, dB per inch (at least 0;\n"
                "grows as f).");
  section_field(cls, "dielectric_loss_odd_db_per_in", nullptr, &SectionRecord::dielectric_loss_odd_db_per_in,
                "Odd-mode dielectric loss at the centre frequency, dB per inch (at least 0;\n"
                "grows as f).");
  cls.def_property_readonly(
         "coupling_db",
         [](const SectionRecord& r) {
           return section_coupling(static_cast<float>(r.zoe), static_cast<float>(r.zoo));
         },
         "The section's coupling, dB, as the report shows it.")
      .def("__repr__", [](const SectionRecord& r) {
        return record_repr("Section", {real_field("zoe_ohm", r.zoe), real_field("zoo_ohm", r.zoo),
                                       real_field("length_in", r.length_in),
                                       real_field("velocity_even", r.velocity_even),
                                       real_field("velocity_odd", r.velocity_odd),
                                       real_field("loss_even_db_per_in", r.loss_even_db_per_in),
                                       real_field("loss_odd_db_per_in", r.loss_odd_db_per_in),
                                       real_field("dielectric_loss_even_db_per_in", r.dielectric_loss_even_db_per_in),
                                       real_field("dielectric_loss_odd_db_per_in", r.dielectric_loss_odd_db_per_in)});
      });
}

/// Doc of a function: what it does, then its older spellings, if any.
std::string doc_of(const Signature& s, const std::string& text) {
  const std::string older = older_spellings(s);
  return documented(s, older.empty() ? text : text + "\n\n" + older);
}

}  // namespace

void define_design(py::module_& m, py::class_<ScriptDesign>& cls, py::class_<SectionRecord>& section) {
  // Every signature is written from its parameter table (parameters.hpp).
  py::options own_signatures;
  own_signatures.disable_function_signatures();
  define_section(section);
  cls.def(py::init(&from_sections),
          doc_of(kDesign,
                 "A design from Section records, section 1 at port 1 (1 to 50 of them).\n"
                 "\n"
                 "centre_mhz: the frequency the sections' electrical lengths and losses\n"
                 "are stated at, MHz. zo_ohm: system impedance, ohms. er: the dielectric's\n"
                 "relative permittivity.")
              .c_str());
  auto zo = [](const ScriptDesign& d) { return d.design.z0; };
  cls.def_property_readonly("zo_ohm", zo, "System impedance Zo, ohms.")
      .def_property_readonly("zo", zo, "Older spelling of zo_ohm.")
      .def_property_readonly(
          "er", [](const ScriptDesign& d) { return d.design.er; }, "Relative dielectric constant Er.")
      .def_property_readonly(
          "centre_mhz", [](const ScriptDesign& d) { return d.design.f0; },
          "The centre frequency the analysis scales the sections from, MHz.")
      .def_property_readonly(
          "length_in", [](const ScriptDesign& d) { return d.design.total; },
          "The coupler's length: its sections' lengths added, inches.")
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
          "(flow_mhz, fhigh_mhz) of a synthesised design, MHz, else None.")
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
          "engine_instead",
          [](const ScriptDesign& d) { return maybe(!d.engine_instead.empty(), d.engine_instead); },
          "Why the equal-ripple engine designed a request the tables were tried for (their\n"
          "design rippled more than asked, or the band needs more sections than they hold),\n"
          "in the command line's words; None otherwise. tables=True keeps the tables' design.")
      .def_property_readonly(
          "sweep_mhz",
          [](const ScriptDesign& d) { return maybe(d.deltaf > 0, std::tuple{d.fstart, d.fstop, d.deltaf}); },
          "(start, stop, step) its design-data file holds, MHz: a synthesised design's\n"
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

  m.def("synthesize", &synthesize,
        doc_of(kSynthesize,
               "A coupler for the band flow_mhz..fhigh_mhz, as `quillomate synthesize`\n"
               "designs it.\n"
               "\n"
               "form: 'symmetrical' or 'asymmetrical'. coupling_db: level C, 3 to 30 dB.\n"
               "ripple_db: R, 0 (maximally flat) or 0.01 to 1.5 dB. From the design tables\n"
               "for the levels and ripples they hold (as the dialogue's functions 1 and 2),\n"
               "otherwise, or with equal_ripple=True or a section count, from the\n"
               "equal-ripple engine (symmetrical: odd counts up to 15; asymmetrical: 2 to 12).\n"
               "flat_tolerance_db: with ripple 0, how far the coupling may stray from C over\n"
               "the band, dB. zo_ohm: system impedance, ohms. er: relative dielectric\n"
               "constant. b_in, s_in: the ground-plane and strip spacings, inches, that the\n"
               "design's file holds.\n"
               "\n"
               "Raises ValueError for a value out of range, naming the parameter, and\n"
               "NoDesign when no design covers the band. Warns with LengthWarning when the\n"
               "coupler is longer than a metre: frequencies are MHz, and a band meant in\n"
               "GHz makes a coupler a thousand times too long.").c_str());

  cls.def("analyse",
          [](const ScriptDesign& d, const py::args& args, const py::kwargs& kwargs) {
            return analyse_design(d, Arguments(kAnalyse, args, kwargs));
          },
          doc_of(kAnalyse,
                 "The response at `frequencies_mhz` (any 1-D array-like, MHz; taken as\n"
                 "float32, each above 0). For the command line's sweep use sweep().\n"
                 "\n"
                 "velocity_ratio: even-mode phase velocity as a fraction of the odd mode's\n"
                 "(above 0, at most 1), as --velocity-ratio shortens each section's odd-mode\n"
                 "electrical length. loss_db_per_in: both modes' line loss at the centre\n"
                 "frequency, dB per inch (at least 0), growing as sqrt(f), as --loss. Not\n"
                 "given, the design's own are kept (for a synthesised or read design: 1 and 0).\n"
                 "stackup: a Stackup or a stack-up file's path; the design is then analysed\n"
                 "as the board builds it (field-solved impedances, each mode's velocity and\n"
                 "losses, the physical lengths), as `quillomate analyse --stackup` does.\n"
                 "velocity_ratio or loss_db_per_in beside it is a ValueError: the board\n"
                 "decides them.\n"
                 "\n"
                 "The sweep runs with the interpreter's lock released. Raises ValueError for\n"
                 "bad input, OSError for a stack-up file that cannot be read.").c_str())
      .def("dimensions",
           [](const ScriptDesign& d, const py::args& args, const py::kwargs& kwargs) {
             return dimension_design(d, Arguments(kDimensions, args, kwargs));
           },
           doc_of(kDimensions,
                  "The strips of the design as offset broadside-coupled striplines between\n"
                  "ground planes b_in inches apart, s_in inches apart (by default the design's\n"
                  "own B and S; a design built from sections has none).\n"
                  "\n"
                  "centre: 'offset', or 'overlap' for superposed strips in the centre section.\n"
                  "field_solve: also refine the strips with the 2-D field solver until they\n"
                  "have each section's impedances (S/B from 0.01 to 0.99).\n"
                  "stackup: a Stackup or a stack-up file's path: the strips in that board (which\n"
                  "gives B and S; b_in, s_in and field_solve beside it are a ValueError).\n"
                  "\n"
                  "The closed forms are always given. Raises ValueError for bad input.").c_str())
      .def("layout",
           [](const ScriptDesign& d, const py::args& args, const py::kwargs& kwargs) {
             return lay_out_design(d, Arguments(kLayout, args, kwargs));
           },
           doc_of(kLayout,
                  "The coupler as copper in the board `stackup` (a Stackup or a stack-up\n"
                  "file's path), as `quillomate layout` draws it: every section's strips,\n"
                  "the breakouts where the strips part for the four ports, and the ports.\n"
                  "\n"
                  "breakout_length_m: each breakout's length along the coupler, metres\n"
                  "(default: a lead, two bends and three feed widths). port_spacing_m: the\n"
                  "two feeds' spacing across at each end, centre to centre, metres (default:\n"
                  "the least at which they couple below -40 dB). compensate: every correction\n"
                  "for what the copper adds: the end sections shortened by the coupling their\n"
                  "breakouts add, tapered steps between sections, the feeds' bends rounded\n"
                  "to circular arcs, a capacitive stub at each step for what it delays the\n"
                  "odd mode, each section's length trimmed for what remains of the coupling;\n"
                  "each named in `notes`. taper_length: with compensate,\n"
                  "each taper R times as long as the larger change of an edge across it\n"
                  "(1 to 20; default 1, 45 degrees). Sections whose strips do\n"
                  "not overlap across are always joined by a jog (`junctions`).\n"
                  "\n"
                  "Raises ValueError for a section the board cannot build or a breakout the\n"
                  "copper cannot make, OSError for a stack-up file that cannot be read.").c_str())
      .def("write", &write_design,
           doc_of(kWrite,
                  "Writes the design-data file `quillomate synthesize --write-design` writes:\n"
                  "the same text, with a synthesised design's sweep around its band and its B\n"
                  "and S, or a read design's own sweep, B, S and title.\n"
                  "\n"
                  "The file is written to a hidden companion and renamed into place when\n"
                  "complete: a failure raises OSError naming the file and the system's reason\n"
                  "and leaves no partial file. A design the file cannot hold (built from\n"
                  "sections, analysed with other velocities, losses or a board, or with\n"
                  "sections laid out for different centre frequencies) raises ValueError.").c_str());

  m.def("read_design", &read_design,
        doc_of(kReadDesign,
               "Reads a design-data file (the dialogue's function 4, `quillomate analyse`):\n"
               "every section matched to Zo, a quarter wave at its centre frequency.\n"
               "\n"
               "Raises OSError when the file cannot be read and ValueError for an entry in\n"
               "error, with the command line's messages.").c_str());
}

}  // namespace quill::py_front
