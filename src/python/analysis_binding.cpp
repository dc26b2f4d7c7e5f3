/// Analysis: a design's response at many frequencies, into numpy arrays.

#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>

#include "analysis/section_model.hpp"
#include "common/number.hpp"
#include "dimensions/stack_strips.hpp"
#include "python/bindings.hpp"
#include "python/front_checks.hpp"
#include "python/parameters.hpp"
#include "python/python_errors.hpp"
#include "analysis/sweep.hpp"
#include "python/sweep_arrays.hpp"

namespace py = pybind11;

namespace quill::py_front {

namespace {

using Frequencies = py::array_t<float, py::array::c_style | py::array::forcecast>;

constexpr ValueRange kStart{"start_mhz", "MHz", 0, true};
constexpr ValueRange kStop{"stop_mhz", "MHz", 0, true};
constexpr ValueRange kStep{"step_mhz", "MHz", 0, true};
constexpr ValueRange kVelocityRatio{"velocity_ratio", "", 0, true, 1};
constexpr ValueRange kLoss{"loss_db_per_in", "dB per inch", 0, false};

constexpr Parameter kSweepParameters[] = {
    {"start_mhz", "", "start"}, {"stop_mhz", "", "stop"}, {"step_mhz", "", "step"}};
constexpr Signature kSweep{"sweep", kSweepParameters};

constexpr Parameter kNetworkParameters[] = {{"name", "None"}};
constexpr Signature kNetwork{"Analysis.network", kNetworkParameters, true};

/// Marks an array the analysis hands out as read-only: its values are the
/// engine's, and the report's quantities are derived from s.
void read_only(py::array& a) { a.attr("setflags")(py::arg("write") = false); }

/// The frequencies as float32, copied so the analysis owns them; each must be
/// a frequency the sections' lengths and losses can scale to.
py::array_t<float> frequencies_of(const py::handle& given) {
  const Frequencies in(py::reinterpret_borrow<py::object>(given));
  if (in.ndim() != 1)
    raise_value("frequencies_mhz must be one-dimensional (got " + std::to_string(in.ndim()) + " dimensions)");
  const auto n = static_cast<std::size_t>(in.shape(0));
  py::array_t<float> out(static_cast<py::ssize_t>(n));
  const float* from = in.data();
  float* to = out.mutable_data();
  for (std::size_t k = 0; k < n; ++k) {
    if (!(std::isfinite(from[k]) && from[k] > 0))
      raise_value("frequencies_mhz must be above 0 MHz (got " + plain_number(from[k]) + " at index " +
                  std::to_string(k) + ")");
    to[k] = from[k];
  }
  return out;
}

/// The design the analysis sees: with the velocity ratio and loss, as the
/// command line applies them, or as the board builds it.
ScriptDesign analysed_design(const ScriptDesign& sd, std::optional<double> velocity_ratio,
                             std::optional<double> loss, const py::handle& stackup) {
  ScriptDesign a = sd;
  a.origin = Origin::analysed;
  if (stackup.is_none()) {
    // Only what is given is applied: a design from its sections keeps its own
    // velocities and losses; for the others the defaults change nothing.
    if (velocity_ratio) apply_velocity(a.design, single_in(kVelocityRatio, *velocity_ratio));
    if (loss) apply_loss(a.design, single_in(kLoss, *loss));
    return a;
  }
  if (auto fault = beside_board_fault({{"velocity_ratio", velocity_ratio.has_value()},
                                       {"loss_db_per_in", loss.has_value()}}))
    raise_value(*fault);
  const Stackup stack = stackup_argument(stackup);
  if (auto fault = board_fault(sd.design, stack)) raise_value(*fault);
  StackDesign built;
  {
    py::gil_scoped_release release;
    built = refine_stack_design(sd.design, stack, 2);
  }
  if (auto fault = declined_fault(built, stack)) raise_value(*fault);
  a.design = as_built(sd.design, built);
  a.board = stack.name;
  return a;
}

/// The report's quantities, derived from S the first time one is read.
const ResponseArrays& response(ScriptAnalysis& a) {
  if (a.response) return *a.response;
  const auto n = static_cast<py::ssize_t>(a.frequencies.shape(0));
  ResponseArrays r{py::array_t<float>(n), py::array_t<float>({n, py::ssize_t{4}}), py::array_t<float>(n),
                   py::array_t<float>(n),  py::array_t<float>(n),                  py::array_t<float>(n),
                   py::array_t<float>(n),  py::array_t<float>(n)};
  const ResponseColumns columns{r.s11_db.mutable_data(),      r.phase_deg.mutable_data(),
                                r.coupled_db.mutable_data(),  r.isolated_db.mutable_data(),
                                r.through_db.mutable_data(),  r.vswr.mutable_data(),
                                r.quadrature_deg.mutable_data(), r.quadrature_error_deg.mutable_data()};
  const std::complex<float>* s = a.s.data();
  {
    py::gil_scoped_release release;
    fill_response(s, static_cast<std::size_t>(n), columns);
  }
  for (py::array* array : {&r.s11_db, &r.phase_deg, &r.coupled_db, &r.isolated_db, &r.through_db, &r.vswr,
                           &r.quadrature_deg, &r.quadrature_error_deg})
    read_only(*array);
  a.response = std::move(r);
  return *a.response;
}

/// A property reading one of the report's arrays.
template <py::array_t<float> ResponseArrays::*member>
py::array_t<float> column(ScriptAnalysis& a) {
  return response(a).*member;
}

py::object network(const ScriptAnalysis& a, const py::args& args, const py::kwargs& kwargs) {
  const Arguments given(kNetwork, args, kwargs);
  const std::optional<std::string> name =
      given["name"].is_none() ? std::nullopt : std::optional<std::string>(given.text("name"));
  py::module_ np = py::module_::import("numpy");
  return skrf_network("Analysis.network()", a.frequencies.attr("astype")(np.attr("float64")),
                      a.s.attr("astype")(np.attr("complex128")), a.design.design.z0,
                      name ? py::object(py::str(*name)) : py::none());
}

py::array_t<float> sweep(const py::args& args, const py::kwargs& kwargs) {
  const Arguments a(kSweep, args, kwargs);
  const float fstart = single_in(kStart, a.number("start_mhz"));
  const float fstop = single_in(kStop, a.number("stop_mhz"));
  const float deltaf = single_in(kStep, a.number("step_mhz"));
  if (const auto fault = sweep_fault(fstart, fstop, deltaf)) raise_value(*fault);
  const std::size_t n = sweep_size(fstart, fstop, deltaf);
  py::array_t<float> out(static_cast<py::ssize_t>(n));
  float* to = out.mutable_data();
  {
    py::gil_scoped_release release;
    fill_sweep(fstart, fstop, deltaf, to);
  }
  return out;
}

}  // namespace

ScriptAnalysis analyse_design(const ScriptDesign& d, const Arguments& given) {
  ScriptAnalysis a;
  a.design = analysed_design(d, given.optional_number("velocity_ratio"), given.optional_number("loss_db_per_in"),
                             given["stackup"]);
  a.frequencies = frequencies_of(given["frequencies_mhz"]);
  const auto n = static_cast<py::ssize_t>(a.frequencies.shape(0));
  a.s = py::array_t<std::complex<float>>({n, py::ssize_t{4}, py::ssize_t{4}});
  const float* freq = a.frequencies.data();
  std::complex<float>* s = a.s.mutable_data();
  {
    py::gil_scoped_release release;
    fill_four_port(a.design.design, freq, static_cast<std::size_t>(n), s);
  }
  read_only(a.frequencies);
  read_only(a.s);
  return a;
}

void define_analysis(py::module_& m, py::class_<ScriptAnalysis>& cls) {
  auto zo = [](const ScriptAnalysis& a) { return a.design.design.z0; };
  cls.def_readonly("frequencies_mhz", &ScriptAnalysis::frequencies, "The frequencies, MHz: float32, (n,).")
      .def_readonly("s", &ScriptAnalysis::s,
                    "The scattering matrix at each frequency: complex64, (n, 4, 4), normalised\n"
                    "to Zo. s[k, i, j] is the wave leaving port i+1 for a unit wave into port\n"
                    "j+1. Ports 3 and 4 look in from the far end: their reflection and\n"
                    "near-end coupling come from the reversed cascade.")
      .def_property_readonly(
          "design", [](const ScriptAnalysis& a) { return a.design; },
          "The design as analysed: with the velocity ratio and loss applied, or as\n"
          "the board builds it.")
      .def_property_readonly("zo_ohm", zo, "Reference impedance of s, ohms.")
      .def_property_readonly("zo", zo, "Older spelling of zo_ohm.")
      .def_property_readonly("s11_db", &column<&ResponseArrays::s11_db>,
                             "20 log10 |S11|, dB (the report's RL column, a negative number).")
      .def_property_readonly("phase_deg", &column<&ResponseArrays::phase_deg>,
                             "Phases of S11, S21, S31, S41, degrees in (-180, 180]: (n, 4).")
      .def_property_readonly("coupled_db", &column<&ResponseArrays::coupled_db>,
                             "Coupled level 20 log10 |S21|, dB, floored at -90 dB as the report and CSV.")
      .def_property_readonly("isolated_db", &column<&ResponseArrays::isolated_db>,
                             "Isolated level 20 log10 |S31|, dB, floored at -90 dB.")
      .def_property_readonly("through_db", &column<&ResponseArrays::through_db>,
                             "Through level 20 log10 |S41|, dB.")
      .def_property_readonly("vswr", &column<&ResponseArrays::vswr>, "VSWR at port 1.")
      .def_property_readonly("quadrature_deg", &column<&ResponseArrays::quadrature_deg>,
                             "Phase of S21 less that of S41 folded into [0, 180), degrees (PHI2 - PHI4).")
      .def_property_readonly("quadrature_error_deg", &column<&ResponseArrays::quadrature_error_deg>,
                             "quadrature_deg - 90: the departure from quadrature, degrees.")
      .def("__len__", [](const ScriptAnalysis& a) { return a.frequencies.shape(0); });
  py::options own_signatures;  // written from the parameter tables
  own_signatures.disable_function_signatures();
  cls.def("network", &network,
          documented(kNetwork,
                     "The response as a scikit-rf Network (4 ports, frequencies in MHz,\n"
                     "z0 = Zo in ohms), called `name`.\n"
                     "\n"
                     "Raises ImportError when scikit-rf is not installed.")
              .c_str());
  cls.def("__repr__", [](const ScriptAnalysis& a) {
    const auto n = a.frequencies.shape(0);
    const float* f = a.frequencies.data();
    std::string text = "<quillomate.Analysis: " + std::to_string(n) + (n == 1 ? " frequency" : " frequencies");
    if (n > 0) text += " from " + plain_number(f[0]) + " to " + plain_number(f[n - 1]) + " MHz";
    text += ", " + std::to_string(a.design.design.n) + " sections";
    if (!a.design.board.empty()) text += ", as built in " + a.design.board;
    return text + ">";
  });
  m.def("sweep", &sweep,
        documented(kSweep,
                   "The command line's sweep, MHz: start_mhz, start_mhz + step_mhz, ...\n"
                   "accumulated in single precision (each step added to the last frequency),\n"
                   "as many points as (stop_mhz - start_mhz) / step_mhz, truncated, plus one.\n"
                   "A float32 array.\n"
                   "\n"
                   "Analysing these frequencies gives exactly the command line's numbers for\n"
                   "--start, --stop and --step. Raises ValueError for a value that is not\n"
                   "above 0, a sweep without points, or one of more than ten million.\n"
                   "\n" +
                       older_spellings(kSweep))
            .c_str());
}

}  // namespace quill::py_front
