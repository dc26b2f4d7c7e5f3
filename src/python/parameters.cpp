#include "python/parameters.hpp"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace py = pybind11;

namespace quill::py_front {

namespace {

bool keyword_marker(const Parameter& p) { return p.name == "*"; }

/// The default's value, from its literal.
py::object default_value(std::string_view text) {
  if (text == "None") return py::none();
  if (text == "True") return py::bool_(true);
  if (text == "False") return py::bool_(false);
  if (text.size() >= 2 && text.front() == '\'') return py::str(std::string(text.substr(1, text.size() - 2)));
  const std::string number(text);
  if (number.find_first_of(".e") != std::string::npos) return py::float_(std::strtod(number.c_str(), nullptr));
  return py::int_(std::strtol(number.c_str(), nullptr, 10));
}

/// "'a'", "'a' and 'b'", "'a', 'b' and 'c'", as Python lists missing arguments.
std::string listed(const std::vector<std::string_view>& names) {
  std::string text;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) text += k + 1 == names.size() ? " and " : ", ";
    text += "'" + std::string(names[k]) + "'";
  }
  return text;
}

std::string type_name(const py::handle& value) { return Py_TYPE(value.ptr())->tp_name; }

}  // namespace

std::string documented(const Signature& s, std::string_view doc) {
  // A method's text signature names its object `self`, as a Python function
  // does, so that inspect drops it once for a bound method; a class's
  // signature is its __init__'s.
  const std::size_t dot = s.function.rfind('.');
  const std::string_view name =
      s.method && dot == std::string_view::npos ? "__init__" : s.function.substr(dot + 1);
  std::string text = std::string(name) + "(";
  bool first = true;
  if (s.method) {
    text += "self";
    first = false;
  }
  for (const Parameter& p : s.parameters) {
    if (!first) text += ", ";
    first = false;
    text += p.name;
    if (!p.default_text.empty()) text += "=" + std::string(p.default_text);
  }
  return text + ")\n--\n\n" + std::string(doc);
}

std::string older_spellings(const Signature& s) {
  // Wrapped as the rest of a docstring is, under 80 columns.
  std::string text, line = "Older spellings, still accepted:";
  bool any = false;
  for (const Parameter& p : s.parameters) {
    if (p.older.empty()) continue;
    const std::string item = (any ? ", " : " ") + std::string(p.older) + "= for " + std::string(p.name) + "=";
    if (line.size() + item.size() > 76) {
      text += line + (any ? ",\n" : "\n");
      line = item.substr(any ? 2 : 1);
    } else {
      line += item;
    }
    any = true;
  }
  return any ? text + line + "." : std::string();
}

Arguments::Arguments(const Signature& s, const py::args& args, const py::kwargs& kwargs)
    : signature_(s), values_(s.parameters.size()), given_(s.parameters.size(), false) {
  const std::string called = std::string(s.function) + "()";
  std::size_t positional = 0, required = 0;
  while (positional < s.parameters.size() && !keyword_marker(s.parameters[positional])) {
    if (s.parameters[positional].default_text.empty()) ++required;
    ++positional;
  }
  if (args.size() > positional) {
    const std::string takes = required == positional
                                  ? std::to_string(positional)
                                  : "from " + std::to_string(required) + " to " + std::to_string(positional);
    throw py::type_error(called + " takes " + takes + " positional argument" + (positional == 1 ? "" : "s") +
                         " but " + std::to_string(args.size()) + (args.size() == 1 ? " was" : " were") + " given");
  }
  for (std::size_t k = 0; k < args.size(); ++k) {
    values_[k] = py::reinterpret_borrow<py::object>(args[k]);
    given_[k] = true;
  }
  for (const auto& [key, value] : kwargs) {
    const std::string word = py::str(key);
    std::size_t k = 0;
    while (k < s.parameters.size() &&
           (keyword_marker(s.parameters[k]) || (s.parameters[k].name != word && s.parameters[k].older != word)))
      ++k;
    if (k == s.parameters.size()) throw py::type_error(called + " got an unexpected keyword argument '" + word + "'");
    if (given_[k])
      throw py::type_error(called + " got multiple values for argument '" + std::string(s.parameters[k].name) + "'");
    values_[k] = py::reinterpret_borrow<py::object>(value);
    given_[k] = true;
  }
  std::vector<std::string_view> missing;
  for (std::size_t k = 0; k < s.parameters.size(); ++k) {
    const Parameter& p = s.parameters[k];
    if (given_[k] || keyword_marker(p)) continue;
    if (p.default_text.empty()) {
      missing.push_back(p.name);
    } else {
      values_[k] = default_value(p.default_text);
    }
  }
  if (!missing.empty())
    throw py::type_error(called + " missing " + std::to_string(missing.size()) + " required argument" +
                         (missing.size() == 1 ? "" : "s") + ": " + listed(missing));
}

std::size_t Arguments::index(std::string_view name) const {
  for (std::size_t k = 0; k < signature_.parameters.size(); ++k)
    if (signature_.parameters[k].name == name) return k;
  throw std::logic_error("no parameter " + std::string(name) + " in " + std::string(signature_.function));
}

py::object Arguments::operator[](std::string_view name) const { return values_[index(name)]; }

bool Arguments::given(std::string_view name) const { return given_[index(name)]; }

double Arguments::number(std::string_view name) const {
  const py::object value = (*this)[name];
  // Text is not a number here, though float() would read it.
  if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) || !PyNumber_Check(value.ptr()))
    throw py::type_error(std::string(name) + " must be a number (got " + type_name(value) + ")");
  const double v = PyFloat_AsDouble(value.ptr());
  if (v == -1.0 && PyErr_Occurred()) {
    const bool overflow = PyErr_ExceptionMatches(PyExc_OverflowError);
    PyErr_Clear();
    if (overflow)
      throw py::value_error(std::string(name) + ": " + std::string(py::repr(value)) +
                            " is beyond the range of the program's numbers");
    throw py::type_error(std::string(name) + " must be a number (got " + type_name(value) + ")");
  }
  return v;
}

std::optional<double> Arguments::optional_number(std::string_view name) const {
  if ((*this)[name].is_none()) return std::nullopt;
  return number(name);
}

std::optional<long> Arguments::optional_count(std::string_view name) const {
  const py::object value = (*this)[name];
  if (value.is_none()) return std::nullopt;
  if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr()))
    throw py::type_error(std::string(name) + " must be a whole number or None (got " + type_name(value) + ")");
  int overflow = 0;
  const py::object whole = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!whole) throw py::error_already_set();
  const long v = PyLong_AsLongAndOverflow(whole.ptr(), &overflow);
  if (overflow != 0) return overflow > 0 ? std::numeric_limits<long>::max() : std::numeric_limits<long>::min();
  return v;
}

bool Arguments::flag(std::string_view name) const {
  const py::object value = (*this)[name];
  if (PyBool_Check(value.ptr())) return value.ptr() == Py_True;
  if (std::strcmp(Py_TYPE(value.ptr())->tp_name, "numpy.bool_") == 0) return PyObject_IsTrue(value.ptr()) == 1;
  throw py::type_error(std::string(name) + " must be True or False (got " + type_name(value) + ")");
}

std::string Arguments::text(std::string_view name) const {
  const py::object value = (*this)[name];
  if (!PyUnicode_Check(value.ptr()))
    throw py::type_error(std::string(name) + " must be a str (got " + type_name(value) + ")");
  return py::str(value);
}

}  // namespace quill::py_front
