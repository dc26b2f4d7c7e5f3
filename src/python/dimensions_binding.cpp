/// Dimensions: a design's strips, closed-form, field-solved or in a board.

#include <pybind11/stl.h>

#include <cmath>

#include "common/number.hpp"
#include "common/stackup.hpp"
#include "dimensions/field_table.hpp"
#include "dimensions/stack_table.hpp"
#include "python/bindings.hpp"
#include "python/front_checks.hpp"
#include "python/parameters.hpp"
#include "python/python_errors.hpp"
#include "python/record_repr.hpp"

namespace py = pybind11;

namespace quill::py_front {

namespace {

constexpr ValueRange kB{"b_in", "inches", 0, true};
constexpr ValueRange kS{"s_in", "inches", 0, true};

/// A read-only attribute, and under its older spelling the same.
template <class C, class Get>
void attribute(py::class_<C>& cls, const char* name, const char* older, Get get, const std::string& doc) {
  cls.def_property_readonly(name, get, doc.c_str());
  cls.def_property_readonly(older, get, ("Older spelling of " + std::string(name) + ".").c_str());
}

const char* outcome_name(StripOutcome o) {
  switch (o) {
    case StripOutcome::offset:
      return "offset";
    case StripOutcome::superposed:
      return "superposed";
    case StripOutcome::none:
      break;
  }
  return "none";
}

/// The spacings of a dimensional pass without a board: given, or the design's own.
DimensionChoice choice_of(const ScriptDesign& d, std::optional<double> b, std::optional<double> s, int icenter) {
  if ((!b || !s) && !(d.b > 0 && d.s > 0))
    raise_value("give b_in and s_in: a design built from its sections has no strip spacings of its own");
  DimensionChoice c;
  c.gps = b ? single_in(kB, *b) : d.b;
  c.s = s ? single_in(kS, *s) : d.s;
  c.icenter = icenter;
  // The dialogue keeps its default when S is not below B, and the equations
  // then leave their domain; here it is a mistake to say so.
  if (auto fault = spacing_fault(c.gps, c.s)) raise_value(*fault);
  return c;
}

ScriptDimensions in_board(const ScriptDesign& sd, std::optional<double> b, std::optional<double> s, int icenter,
                          bool field_solve, const py::handle& stackup) {
  if (auto fault = beside_board_fault({{"b_in", b.has_value()}, {"s_in", s.has_value()}, {"field_solve", field_solve}}))
    raise_value(*fault);
  ScriptDimensions out;
  out.stack = stackup_argument(stackup);
  const Stackup& stack = *out.stack;
  if (auto fault = board_fault(sd.design, stack)) raise_value(*fault);
  // The board's strips and figures alone: closed forms would be for the
  // design's single dielectric, which is not this board's.
  out.choice.gps = static_cast<float>(stack.b_m() / metres_per_inch);
  out.choice.s = static_cast<float>(stack.s_m() / metres_per_inch);
  out.choice.icenter = icenter;
  py::gil_scoped_release release;
  out.board = refine_stack_design(sd.design, stack, icenter);
  out.figures = board_figures(sd.design, stack, *out.board);
  return out;
}

/// A double that reads as None where the engine has no value (NaN).
std::optional<double> value(double v) { return std::isnan(v) ? std::nullopt : std::optional<double>(v); }

void define_records(py::module_& m) {
  py::class_<ClosedFormSection>(m, "ClosedFormStrips",
                                "One section's closed-form strips, inches, as the dimension report prints\n"
                                "them: a tight width or offset the equations do not give reads 0, a loose\n"
                                "one NaN.")
      .def_readonly("section", &ClosedFormSection::section, "Section number, 1 at port 1.")
      .def_property_readonly("tight_width_in", [](const ClosedFormSection& c) { return c.row.tight_width; },
                             "Strip width by the tight-coupling equations, inches.")
      .def_property_readonly("tight_offset_in", [](const ClosedFormSection& c) { return c.row.tight_offset; },
                             "Offset across by the tight-coupling equations, inches.")
      .def_property_readonly("loose_width_in", [](const ClosedFormSection& c) { return c.row.loose_width; },
                             "Strip width by the loose-coupling equations, inches.")
      .def_property_readonly("loose_offset_in", [](const ClosedFormSection& c) { return c.row.loose_offset; },
                             "Offset across by the loose-coupling equations, inches.")
      .def("__repr__", [](const ClosedFormSection& c) {
        return record_repr("ClosedFormStrips",
                           {int_field("section", c.section), real_field("tight_width_in", c.row.tight_width),
                            real_field("tight_offset_in", c.row.tight_offset),
                            real_field("loose_width_in", c.row.loose_width),
                            real_field("loose_offset_in", c.row.loose_offset)});
      });

  py::class_<ClosedFormCheck> check(m, "ClosedFormCheck",
                                    "A closed-form geometry and what the field solver finds for it (NaN\n"
                                    "where the closed form has no solution).");
  check.def_readonly("width_in", &ClosedFormCheck::width_in, "Strip width, inches.")
      .def_readonly("offset_in", &ClosedFormCheck::offset_in, "Offset of the strips across, inches.")
      .def_readonly("zoe_error_pct", &ClosedFormCheck::zoe_error_pct, "(field - wanted) / wanted * 100.")
      .def_readonly("zoo_error_pct", &ClosedFormCheck::zoo_error_pct, "(field - wanted) / wanted * 100.")
      .def("__repr__", [](const ClosedFormCheck& c) {
        return record_repr("ClosedFormCheck",
                           {real_field("width_in", c.width_in), real_field("offset_in", c.offset_in),
                            real_field("zoe_ohm", c.zoe), real_field("zoo_ohm", c.zoo),
                            real_field("zoe_error_pct", c.zoe_error_pct),
                            real_field("zoo_error_pct", c.zoo_error_pct)});
      });
  attribute(check, "zoe_ohm", "zoe", [](const ClosedFormCheck& c) { return c.zoe; },
            "Field-solved even-mode impedance, ohms.");
  attribute(check, "zoo_ohm", "zoo", [](const ClosedFormCheck& c) { return c.zoo; },
            "Field-solved odd-mode impedance, ohms.");

  py::class_<SectionStrips> field(m, "FieldStrips",
                                  "One section's strips refined with the 2-D field solver until they have\n"
                                  "its Zoe and Zoo = Zo^2 / Zoe (double precision, inches and ohms; NaN\n"
                                  "where there is no geometry).");
  field.def_readonly("section", &SectionStrips::section, "Section number, 1 at port 1.")
      .def_property_readonly(
          "outcome", [](const SectionStrips& s) { return outcome_name(s.outcome); },
          "'offset', 'superposed', or 'none' (no strips at this S have both impedances).")
      .def_readonly("found", &SectionStrips::found, "A geometry within the tolerance was found.")
      .def_readonly("width_in", &SectionStrips::width_in, "Strip width, inches.")
      .def_readonly("offset_in", &SectionStrips::offset_in, "Offset of the strips across, inches.")
      .def_readonly("residual", &SectionStrips::residual, "Larger relative error of the two impedances.")
      .def_readonly("largest_s_in", &SectionStrips::largest_s_in,
                    "Without geometry: the largest S that has one, inches; else NaN.")
      .def_readonly("note", &SectionStrips::note, "What was done, or why nothing could be.")
      .def_readonly("tight", &SectionStrips::tight, "The tight-coupling closed form, field-solved.")
      .def_readonly("loose", &SectionStrips::loose, "The loose-coupling closed form, field-solved.")
      .def_readonly("iterations", &SectionStrips::iterations, "Refinement steps taken.")
      .def_readonly("evaluations", &SectionStrips::evaluations, "Field solutions computed.")
      .def("__repr__", [](const SectionStrips& s) {
        return record_repr("FieldStrips", {int_field("section", s.section), real_field("zoe_ohm", s.zoe),
                                           real_field("zoo_ohm", s.zoo), text_field("outcome", outcome_name(s.outcome)),
                                           real_field("width_in", value(s.width_in)),
                                           real_field("offset_in", value(s.offset_in)),
                                           real_field("zoe_field_ohm", value(s.zoe_field)),
                                           real_field("zoo_field_ohm", value(s.zoo_field)),
                                           text_field("note", s.note)});
      });
  attribute(field, "zoe_ohm", "zoe", [](const SectionStrips& s) { return s.zoe; }, "Wanted even-mode impedance, ohms.");
  attribute(field, "zoo_ohm", "zoo", [](const SectionStrips& s) { return s.zoo; }, "Wanted odd-mode impedance, ohms.");
  attribute(field, "zoe_field_ohm", "zoe_field", [](const SectionStrips& s) { return s.zoe_field; },
            "Field-solved even-mode impedance of that geometry, ohms.");
  attribute(field, "zoo_field_ohm", "zoo_field", [](const SectionStrips& s) { return s.zoo_field; },
            "Field-solved odd-mode impedance of that geometry, ohms.");

  py::class_<PlainStrip> plain(m, "PlainStrip", "The single strip of impedance Zo at the coupled strips' height.");
  plain.def_readonly("found", &PlainStrip::found, "A width within the tolerance was found.")
      .def_readonly("width_in", &PlainStrip::width_in, "Field-solved width, inches (NaN without a solution).")
      .def_readonly("closed_form_width_in", &PlainStrip::closed_form_width_in, "Closed-form width, inches.")
      .def_readonly("closed_form_error_pct", &PlainStrip::closed_form_error_pct,
                    "(closed form - field-solved) / field-solved width * 100.")
      .def_readonly("note", &PlainStrip::note, "What was done, or why nothing could be.")
      .def("__repr__", [](const PlainStrip& p) {
        return record_repr("PlainStrip", {real_field("zo_ohm", p.zo), real_field("width_in", value(p.width_in)),
                                          real_field("z_field_ohm", value(p.z_field)),
                                          real_field("closed_form_width_in", p.closed_form_width_in)});
      });
  attribute(plain, "zo_ohm", "zo", [](const PlainStrip& p) { return p.zo; }, "Wanted impedance Zo, ohms.");
  attribute(plain, "z_field_ohm", "z_field", [](const PlainStrip& p) { return p.z_field; },
            "Field-solved impedance of that width, ohms.");

  py::class_<StackSection> board(m, "BoardStrips",
                                 "One section's strips in the board: refined until the board's field gives\n"
                                 "its impedances, with each mode's effective permittivity and losses at the\n"
                                 "section's centre frequency and the quarter-wave length for the mean of\n"
                                 "the two modes. Inches and ohms; NaN where the board has no strips.");
  board.def_property_readonly("section", [](const StackSection& s) { return s.strips.section; },
                              "Section number, 1 at port 1.")
      .def_property_readonly("built", &StackSection::built, "The board has strips for this section.")
      .def_property_readonly("width_in", [](const StackSection& s) { return s.strips.width_in; },
                             "Strip width, inches.")
      .def_property_readonly("offset_in", [](const StackSection& s) { return s.strips.offset_in; },
                             "Offset of the strips across, inches.")
      .def_property_readonly("largest_s_in", [](const StackSection& s) { return s.strips.largest_s_in; },
                             "Not built: the largest strips-layer thickness that would build it, inches.")
      .def_readonly("centre_mhz", &StackSection::f0_mhz, "The section's centre frequency, MHz.")
      .def_readonly("eeff_even", &StackSection::eeff_even, "Even-mode effective relative permittivity.")
      .def_readonly("eeff_odd", &StackSection::eeff_odd, "Odd-mode effective relative permittivity.")
      .def_readonly("velocity_ratio", &StackSection::velocity_ratio, "Even-mode phase velocity over the odd mode's.")
      .def_readonly("conductor_loss_even_db_per_in", &StackSection::cond_even,
                    "Even-mode conductor loss at the centre frequency, dB per inch.")
      .def_readonly("conductor_loss_odd_db_per_in", &StackSection::cond_odd,
                    "Odd-mode conductor loss at the centre frequency, dB per inch.")
      .def_readonly("dielectric_loss_even_db_per_in", &StackSection::diel_even,
                    "Even-mode dielectric loss at the centre frequency, dB per inch.")
      .def_readonly("dielectric_loss_odd_db_per_in", &StackSection::diel_odd,
                    "Odd-mode dielectric loss at the centre frequency, dB per inch.")
      .def_readonly("length_in", &StackSection::length_in, "Quarter-wave length for the mean of the modes, inches.")
      .def_readonly("asymmetry", &StackSection::asymmetry, "(C11 - C22) / (C11 + C22) of its strips.")
      .def_readonly("note", &StackSection::note, "What was done, or why the board has no strips.")
      .def("__repr__", [](const StackSection& s) {
        return record_repr("BoardStrips",
                           {int_field("section", s.strips.section), real_field("zoe_ohm", s.strips.zoe),
                            real_field("zoo_ohm", s.strips.zoo), bool_field("built", s.built()),
                            real_field("width_in", value(s.strips.width_in)),
                            real_field("offset_in", value(s.strips.offset_in)),
                            real_field("eeff_even", s.eeff_even), real_field("eeff_odd", s.eeff_odd),
                            real_field("length_in", s.length_in), text_field("note", s.note)});
      });
  attribute(board, "zoe_ohm", "zoe", [](const StackSection& s) { return s.strips.zoe; },
            "Wanted even-mode impedance, ohms.");
  attribute(board, "zoo_ohm", "zoo", [](const StackSection& s) { return s.strips.zoo; },
            "Wanted odd-mode impedance, ohms.");
  attribute(board, "zoe_field_ohm", "zoe_field", [](const StackSection& s) { return s.strips.zoe_field; },
            "The board's even-mode impedance of those strips, ohms.");
  attribute(board, "zoo_field_ohm", "zoo_field", [](const StackSection& s) { return s.strips.zoo_field; },
            "The board's odd-mode impedance of those strips, ohms.");
}

std::string to_csv(const ScriptDimensions& d) {
  if (d.field) return field_table_csv(*d.field);
  if (d.board) return stack_table_csv(*d.board);
  raise_value("to_csv() needs field_solve or stackup: Design.dimensions(field_solve=True) or (stackup=...)");
}

}  // namespace

ScriptDimensions dimension_design(const ScriptDesign& sd, const Arguments& given) {
  const std::optional<double> b = given.optional_number("b_in"), s = given.optional_number("s_in");
  const std::string centre = given.text("centre");
  const bool field_solve = given.flag("field_solve");
  const py::object stackup = given["stackup"];
  if (centre != "offset" && centre != "overlap")
    raise_value("centre must be 'offset' or 'overlap' (got '" + centre + "')");
  const int icenter = centre == "overlap" ? 1 : 2;
  if (!stackup.is_none()) return in_board(sd, b, s, icenter, field_solve, stackup);
  ScriptDimensions out;
  out.choice = choice_of(sd, b, s, icenter);
  if (field_solve) {
    if (auto fault = field_solve_fault(sd.design, out.choice)) raise_value(*fault);
  }
  out.closed = closed_form_strips(sd.design, out.choice);
  if (field_solve) {
    py::gil_scoped_release release;
    out.field = refine_design(sd.design, out.choice);
  }
  return out;
}

void define_dimensions(py::module_& m, py::class_<ScriptDimensions>& cls) {
  define_records(m);
  constexpr Signature kToCsv{"Dimensions.to_csv", {}, true};
  py::options own_signatures;  // written from the parameter table
  own_signatures.disable_function_signatures();
  cls.def_property_readonly(
         "b_in", [](const ScriptDimensions& d) { return d.choice.gps; }, "Ground-plane spacing B, inches.")
      .def_property_readonly(
          "s_in", [](const ScriptDimensions& d) { return d.choice.s; }, "Strip spacing S, inches.")
      .def_property_readonly(
          "centre", [](const ScriptDimensions& d) { return d.choice.icenter == 1 ? "overlap" : "offset"; },
          "'offset', or 'overlap' (superposed strips asked for the centre section).")
      .def_property_readonly(
          "closed_form",
          [](const ScriptDimensions& d) {
            std::vector<ClosedFormSection> rows;
            for (size_t i = 0; i < d.closed.sections.size(); ++i)
              rows.push_back({static_cast<int>(i + 1), d.closed.sections[i]});
            return rows;
          },
          "The dimension report's closed-form strips, one record a section.")
      .def_property_readonly(
          "zo_strip_width_in",
          [](const ScriptDimensions& d) -> std::optional<float> {
            if (d.figures) return std::nullopt;
            return d.closed.zo_width;
          },
          "Closed-form width of a single strip of impedance Zo at the strips' height, inches;\n"
          "None in a board (see feed_widths_m).")
      .def_property_readonly(
          "feed_widths_m",
          [](const ScriptDimensions& d) -> std::optional<std::pair<double, double>> {
            if (!d.figures) return std::nullopt;
            return std::pair{d.figures->feed_lower_m, d.figures->feed_upper_m};
          },
          "In a board: the field-solved width, metres, of a lone strip of impedance Zo on the\n"
          "lower and on the upper face, (lower, upper); None without a board.")
      .def_property_readonly(
          "length_m",
          [](const ScriptDimensions& d) -> std::optional<double> {
            if (!d.figures || std::isnan(d.figures->length_m)) return std::nullopt;
            return d.figures->length_m;
          },
          "In a board: the coupler's total length, metres; None without a board or when a\n"
          "section has no strips in it.")
      .def_property_readonly(
          "max_frequency_mhz",
          [](const ScriptDimensions& d) -> double {
            return d.figures ? d.figures->max_frequency_mhz : d.closed.max_frequency;
          },
          "Highest frequency, MHz, before the widest copper may launch higher-order modes: the\n"
          "report's closed form, or in a board the field-solved copper and the board's highest Er\n"
          "(NaN when no section has a loose closed-form width).")
      .def_property_readonly(
          "field_solved",
          [](const ScriptDimensions& d) {
            return d.field ? py::cast(d.field->sections) : py::object(py::none());
          },
          "The field-solved strips (FieldStrips records), or None without field_solve.")
      .def_property_readonly(
          "plain_strip",
          [](const ScriptDimensions& d) { return d.field ? py::cast(d.field->plain) : py::object(py::none()); },
          "The field-solved single strip of impedance Zo, or None without field_solve.")
      .def_property_readonly(
          "board",
          [](const ScriptDimensions& d) { return d.board ? py::cast(d.board->sections) : py::object(py::none()); },
          "The strips in the board (BoardStrips records), or None without a stack-up.")
      .def_readonly("stackup", &ScriptDimensions::stack, "The board, or None.")
      .def("to_csv", &to_csv,
           documented(kToCsv,
                      "The comma-separated values `quillomate dimensions --field-solve --csv` (or\n"
                      "`--stackup --csv`) writes for the same design and choices: one header line\n"
                      "and a line a section, numbers in their shortest round-trip form.\n"
                      "\n"
                      "Raises ValueError for closed-form dimensions alone, as the command line\n"
                      "refuses --csv without --field-solve or --stackup.")
               .c_str())
      .def("__repr__", [](const ScriptDimensions& d) {
        std::string text = "<quillomate.Dimensions: " + std::to_string(d.closed.sections.size()) + " sections, B " +
                           shortest(d.choice.gps) + " in, S " + shortest(d.choice.s) + " in, " +
                           (d.choice.icenter == 1 ? "overlap" : "offset") + " centre; closed form";
        if (d.field) text += ", field-solved";
        if (d.board) text += ", in " + d.stack->name;
        return text + ">";
      });
}

}  // namespace quill::py_front
