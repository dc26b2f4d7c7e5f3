/// The Python module quillomate: the engine for scripts.

#include <pybind11/pybind11.h>

#include "python/bindings.hpp"
#include "python/python_errors.hpp"

namespace py = pybind11;

namespace quill::py_front {

ModuleClasses declare_classes(py::module_& m) {
  return {
      py::class_<ScriptDesign>(m, "Design",
                               "A coupler design: its sections, Zo, Er and centre frequency.\n"
                               "\n"
                               "Made by synthesize(), read_design(), or from Section records:\n"
                               "\n"
                               "    Design(sections, *, centre_mhz, zo_ohm=50.0, er=1.0)\n"
                               "\n"
                               "sections: a sequence of Section, section 1 at port 1 (1 to 50 of them).\n"
                               "centre_mhz: the frequency the sections' electrical lengths and losses\n"
                               "are stated at, MHz; the analysis scales them from there (length with f,\n"
                               "conductor loss with sqrt(f), dielectric loss with f).\n"
                               "zo_ohm: system impedance, ohms. er: the dielectric's relative\n"
                               "permittivity (sections without velocities travel at c / sqrt(er); the\n"
                               "closed-form strips are for this Er).\n"
                               "\n"
                               "A design is not changed by anything done with it: analyse() with a\n"
                               "velocity ratio, a loss or a board works on a copy (Analysis.design)."),
      py::class_<SectionRecord>(m, "Section",
                                "One coupled section, at the design's centre frequency.\n"
                                "\n"
                                "    Section(zoe_ohm, zoo_ohm, length_in, *, velocity_even=None,\n"
                                "            velocity_odd=None, loss_even_db_per_in=0.0,\n"
                                "            loss_odd_db_per_in=0.0, dielectric_loss_even_db_per_in=0.0,\n"
                                "            dielectric_loss_odd_db_per_in=0.0)\n"
                                "\n"
                                "zoe_ohm, zoo_ohm: even- and odd-mode impedances, ohms, above 0.\n"
                                "length_in: physical length, inches, above 0. velocity_even,\n"
                                "velocity_odd: each mode's phase velocity as a fraction of c, the speed of\n"
                                "light in vacuum (3e8 m/s): above 0, at most 1; None is a TEM wave's in\n"
                                "the design's Er. loss_*_db_per_in: conductor loss, growing as sqrt(f);\n"
                                "dielectric_loss_*: growing as f; both dB per inch at the design's centre\n"
                                "frequency, at least 0. A value out of its range raises ValueError naming\n"
                                "the parameter, its value and the range, at construction and when set.\n"
                                "\n"
                                "Design.sections gives these records for any design (a synthesised\n"
                                "coupler's velocities are 1/sqrt(Er)); coupling_db is the section's\n"
                                "coupling as the report shows it."),
      py::class_<ScriptAnalysis>(m, "Analysis",
                                 "A design's response at a list of frequencies (Design.analyse).\n"
                                 "\n"
                                 "Ports as in the report and the Touchstone export: 1 input, 2 coupled,\n"
                                 "3 isolated, 4 through. Every array is float32 or complex64: the\n"
                                 "engine's single-precision values, bit for bit those the command line\n"
                                 "prints and writes. The report's quantities are derived from s when\n"
                                 "first read."),
      py::class_<ScriptDimensions>(m, "Dimensions",
                                   "A design's strips (Design.dimensions): offset broadside-coupled\n"
                                   "striplines, B apart between ground planes, S apart from each other.\n"
                                   "\n"
                                   "closed_form always holds the dimension report's closed-form strips;\n"
                                   "field_solved the strips refined with the 2-D field solver (with\n"
                                   "field_solve=True); board the strips in a real board (with a stack-up).\n"
                                   "to_csv() is the text `quillomate dimensions --csv` writes."),
      py::class_<Stackup>(m, "Stackup",
                          "A board from a stack-up file (read_stackup): dielectric layers between\n"
                          "two ground planes, the coupled strips on the faces of one of them.\n"
                          "Lengths in metres, whatever unit the file used."),
      py::class_<ScriptLayout>(m, "Layout",
                               "A design as copper in a board (Design.layout): every section's strips,\n"
                               "the breakouts and the ports, in metres: x along the coupler from section\n"
                               "1, y across from its centre line, seen from above the upper strip.\n"
                               "summary() is the text `quillomate layout` prints, write() the artwork\n"
                               "files, fullwave() the openEMS model."),
  };
}

}  // namespace quill::py_front

PYBIND11_MODULE(quillomate, m) {
  using namespace quill::py_front;
  m.doc() =
      "N-section TEM coupled-line directional couplers: the quillomate engine for scripts.\n"
      "\n"
      "Synthesise a symmetrical or asymmetrical coupler for a band, read and write\n"
      "design-data files, analyse a design at any frequencies into numpy arrays (the\n"
      "full 4x4 scattering matrix and the report's levels, VSWR and quadrature),\n"
      "dimension it as offset broadside-coupled striplines (closed-form, field-solved,\n"
      "or in a real board described by a stack-up file), lay it out as copper in a\n"
      "board with its artwork files, and model it full-wave with openEMS.\n"
      "\n"
      "The numbers are the command line's, bit for bit: the same single-precision\n"
      "engine computes them. Nothing prints. Bad input raises ValueError naming the\n"
      "parameter, its value and the range it must lie in; file problems OSError; a\n"
      "band no design covers NoDesign; a coupler longer than a metre warns with\n"
      "LengthWarning. Long computations release the interpreter's lock.\n"
      "\n"
      "    >>> import quillomate as q\n"
      "    >>> d = q.synthesize(\"symmetrical\", 4000, 8000, 8.34, 0.3)\n"
      "    >>> a = d.analyse(q.sweep(3000, 9000, 10))   # the command line's sweep\n"
      "    >>> a.coupled_db.min(), a.s.shape\n"
      "    >>> a.network()                               # a scikit-rf Network\n"
      "    >>> d.write(\"coupler.dat\")                    # as synthesize --write-design\n"
      "    >>> d.dimensions(0.25, 0.05, field_solve=True).to_csv()\n"
      "    >>> lay = d.layout(\"data/stackups/ptfe-homogeneous.toml\")\n"
      "    >>> lay.write(gerber=\"gerber\", svg=\"coupler.svg\")\n"
      "    >>> lay.fullwave(\"model\", mesh=\"coarse\").run().network()\n"
      "\n"
      "Units: every length, frequency and impedance names its unit in its name:\n"
      "_mhz (frequencies, MHz), _ohm (impedances, ohms), _db (levels, dB), _in\n"
      "(a design's and its strips' lengths, inches, as the design-data file and the\n"
      "dimension report give them), _m (a board's and the copper's lengths,\n"
      "metres), _db_per_in (losses). Velocities are fractions of the speed of light\n"
      "in vacuum. Older spellings without units (flow=, zo=, b=, ...) are still\n"
      "accepted. Ports: 1 input, 2 coupled, 3 isolated, 4 through.";
  add_no_design(m);
  add_length_warning(m);
  ModuleClasses classes = declare_classes(m);
  define_stackup(m, classes.stackup);
  define_dimensions(m, classes.dimensions);
  define_analysis(m, classes.analysis);
  define_layout(m, classes.layout);
  define_design(m, classes.design, classes.section);
}
