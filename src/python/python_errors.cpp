#include "python/python_errors.hpp"

#include <cerrno>
#include <cmath>
#include <limits>

namespace py = pybind11;

namespace quill::py_front {

namespace {

constexpr const char* kNoDesignDoc =
    "No design covers the band: the request is sound, but neither the tables\n"
    "nor the equal-ripple engine (up to its largest section count) keep the\n"
    "coupling within C +/- R over it.\n"
    "\n"
    "str(error) is the command line's message. Attributes:\n"
    "  best_ripple_db  the ripple the largest section count reaches over the\n"
    "                  band, dB (None when the tables declined: they do not say)\n"
    "  sections        that largest section count\n";

/// The OSError subclass Python itself raises for `error`.
PyObject* os_error_class(int error) {
  switch (error) {
    case ENOENT:
      return PyExc_FileNotFoundError;
    case EISDIR:
      return PyExc_IsADirectoryError;
    case ENOTDIR:
      return PyExc_NotADirectoryError;
    case EACCES:
    case EPERM:
      return PyExc_PermissionError;
    case EEXIST:
      return PyExc_FileExistsError;
    default:
      return PyExc_OSError;
  }
}

constexpr const char* kLengthWarningDoc =
    "A coupler longer than a metre or so: most often a band meant in GHz and\n"
    "given in MHz, the module's unit, which makes it a thousand times too long.\n"
    "A deliberate HF design is still made; silence the warning with\n"
    "warnings.simplefilter('ignore', quillomate.LengthWarning), or make it an\n"
    "error with 'error'.";

}  // namespace

void add_length_warning(py::module_& m) {
  PyObject* cls = PyErr_NewExceptionWithDoc("quillomate.LengthWarning", kLengthWarningDoc, PyExc_UserWarning, nullptr);
  if (cls == nullptr) throw py::error_already_set();
  m.add_object("LengthWarning", py::reinterpret_steal<py::object>(cls));
}

void warn_length(const std::string& message) {
  py::object cls = py::module_::import("quillomate").attr("LengthWarning");
  // Level 1: the warning points at the script line that called the module.
  if (PyErr_WarnEx(cls.ptr(), message.c_str(), 1) != 0) throw py::error_already_set();
}

void add_no_design(py::module_& m) {
  PyObject* cls = PyErr_NewExceptionWithDoc("quillomate.NoDesign", kNoDesignDoc, PyExc_Exception, nullptr);
  if (cls == nullptr) throw py::error_already_set();
  py::object no_design = py::reinterpret_steal<py::object>(cls);
  no_design.attr("best_ripple_db") = py::none();
  no_design.attr("sections") = 0;
  m.add_object("NoDesign", no_design);
}

void raise_value(const std::string& message) { throw py::value_error(message); }

void raise_file(const FileFault& fault) {
  if (fault.kind == FileFault::contents) raise_value(fault.message);
  // One argument, so str() is the message; the number is set apart.
  py::object error = py::reinterpret_borrow<py::object>(os_error_class(fault.error))(fault.message);
  if (fault.error != 0) error.attr("errno") = fault.error;
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

void raise_synthesis(const SynthesisOutcome& outcome) {
  if (outcome.status != SynthesisOutcome::no_design) raise_value(outcome.message);
  py::object cls = py::module_::import("quillomate").attr("NoDesign");
  py::object error = cls(outcome.message);
  error.attr("best_ripple_db") = outcome.best_ripple_db ? py::object(py::float_(*outcome.best_ripple_db)) : py::none();
  error.attr("sections") = outcome.largest_sections;
  PyErr_SetObject(cls.ptr(), error.ptr());
  throw py::error_already_set();
}

float single(std::string_view name, double value) {
  // An infinity or NaN goes on as one: the range check names it as no number.
  if (std::isfinite(value) && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
    raise_value(std::string(name) + ": \"" + std::string(py::str(py::repr(py::float_(value)))) +
                "\" is beyond the range of the program's numbers");
  return static_cast<float>(value);
}

float single_in(const ValueRange& range, double value) {
  const float v = single(range.flag, value);
  if (auto fault = range_fault(range, v)) raise_value(*fault);
  return v;
}

std::string path_text(const py::handle& path) {
  return py::str(py::module_::import("os").attr("fsdecode")(path));
}

py::object skrf_network(const char* who, const py::object& frequencies_mhz, const py::object& s, double zo,
                        const py::object& name) {
  py::module_ skrf;
  try {
    skrf = py::module_::import("skrf");
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_ImportError)) throw;
    py::raise_from(e, PyExc_ImportError,
                   (std::string(who) + " needs scikit-rf: install Debian's python3-scikit-rf (or scikit-rf from PyPI)")
                       .c_str());
    throw py::error_already_set();
  }
  const py::object f = skrf.attr("Frequency").attr("from_f")(frequencies_mhz, py::arg("unit") = "mhz");
  return skrf.attr("Network")(py::arg("frequency") = f, py::arg("s") = s, py::arg("z0") = zo,
                              py::arg("name") = name);
}

}  // namespace quill::py_front
