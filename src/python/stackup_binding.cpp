/// Stack-up files: the board a design's strips are etched in.

#include <pybind11/stl.h>

#include "dimensions/stack_table.hpp"
#include "python/bindings.hpp"
#include "python/parameters.hpp"
#include "python/python_errors.hpp"
#include "python/record_repr.hpp"

namespace py = pybind11;

namespace quill::py_front {

namespace {

constexpr Parameter kPathParameter[] = {{"path", ""}};
constexpr Signature kReadStackup{"read_stackup", kPathParameter};

Stackup read_stackup_path(const py::handle& path) {
  const std::string named = path_text(path);
  StackFileRead read = read_stackup_file(named, named);
  if (read.fault) raise_file(read.fault);
  return std::move(read.stack);
}

}  // namespace

Stackup stackup_argument(const py::handle& stackup) {
  if (py::isinstance<Stackup>(stackup)) return stackup.cast<Stackup>();
  if (!py::isinstance<py::str>(stackup) && !py::isinstance<py::bytes>(stackup) && !py::hasattr(stackup, "__fspath__"))
    throw py::type_error("stackup must be a Stackup or a stack-up file's path (got " +
                         std::string(Py_TYPE(stackup.ptr())->tp_name) + ")");
  return read_stackup_path(stackup);
}

void define_stackup(py::module_& m, py::class_<Stackup>& cls) {
  py::class_<StackLayer>(m, "Layer", "One dielectric layer of a board, from the lower ground plane up.")
      .def_readonly("thickness_m", &StackLayer::thickness_m, "Thickness, metres.")
      .def_readonly("er", &StackLayer::er, "Relative permittivity (dimensionless).")
      .def_readonly("tan_delta", &StackLayer::tan_delta, "Loss tangent.")
      .def_readonly("strips", &StackLayer::strips, "True for the layer the strips lie on the faces of.")
      .def("__repr__", [](const StackLayer& l) {
        return record_repr("Layer", {real_field("thickness_m", l.thickness_m), real_field("er", l.er),
                                     real_field("tan_delta", l.tan_delta), bool_field("strips", l.strips)});
      });
  cls.def_readonly("name", &Stackup::name, "The file as it was named, for reports.")
      .def_readonly("unit", &Stackup::unit, "The unit the file gave its lengths in.")
      .def_readonly("layers", &Stackup::layers, "The layers, from the lower ground plane up.")
      .def_readonly("strips_layer", &Stackup::strips_layer, "Index in layers of the layer between the strips.")
      .def_readonly("copper_thickness_m", &Stackup::copper_m, "Thickness of the strips, metres; 0 ideal sheets.")
      .def_readonly("conductivity_s_per_m", &Stackup::conductivity,
                    "Conductivity of the strips and ground planes, siemens per metre.")
      .def_readonly("conductivity", &Stackup::conductivity, "Older spelling of conductivity_s_per_m.")
      .def_property_readonly(
          "step_delays",
          [](const Stackup& s) -> py::object {
            if (!s.step_kappas) return py::none();
            const StepKappas& k = *s.step_kappas;
            py::dict d;
            d["end_even"] = k.end_even;
            d["end_odd"] = k.end_odd;
            d["junction_even"] = k.junction_even;
            d["junction_odd"] = k.junction_odd;
            return d;
          },
          "The file's [step_delays] (each mode's delay at a step, per B of line and unit of\n"
          "|ln(Za/Zb)|), a dict; None when the file gives none and the calibrated ones apply.")
      .def_property_readonly("b_m", &Stackup::b_m, "Ground-plane spacing B: the layers' sum, metres.")
      .def_property_readonly("s_m", &Stackup::s_m, "Strip spacing S: the strips layer's thickness, metres.")
      .def("__repr__", [](const Stackup& s) { return "<quillomate.Stackup " + stack_summary(s) + ">"; });
  py::options own_signatures;  // written from the parameter table
  own_signatures.disable_function_signatures();
  m.def("read_stackup",
        [](const py::args& args, const py::kwargs& kwargs) {
          return read_stackup_path(Arguments(kReadStackup, args, kwargs)["path"]);
        },
        documented(kReadStackup,
                   "Reads a stack-up file (TOML: unit, copper_thickness, conductivity, the\n"
                   "[[layer]] tables, lower ground plane up, and an optional [step_delays]).\n"
                   "Lengths come out in metres,\n"
                   "whatever unit the file used.\n"
                   "\n"
                   "Raises OSError when the file cannot be read (missing, a folder, not a\n"
                   "plain file) and ValueError when its contents are wrong, each with the\n"
                   "command line's message naming the file, the line and the key.")
            .c_str());
}

}  // namespace quill::py_front
