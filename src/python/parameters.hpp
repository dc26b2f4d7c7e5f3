#pragma once
/// A function's parameters as a script sees them, stated once in a table:
/// each name, its default, and the older spelling still accepted for it.
/// The arguments of a call are matched against the table as Python matches
/// them (positional, then keyword; an older spelling counts as its
/// parameter), and the text signature that help() and inspect.signature()
/// show is written from the same table, so the two cannot disagree.

#include <pybind11/pybind11.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quill::py_front {

struct Parameter {
  std::string_view name;          ///< "flow_mhz"; "*" marks the keyword-only ones that follow
  std::string_view default_text;  ///< a Python literal: None, True, 0.1, 'offset'; empty: required
  std::string_view older = {};    ///< an earlier name scripts may still use as a keyword
};

struct Signature {
  /// "synthesize", "Design.analyse" (a method), "Section" (a class's
  /// constructor): as messages name it.
  std::string_view function;
  std::span<const Parameter> parameters;
  bool method = false;  ///< called on an object (or constructing one): its signature starts with self
};

/// "synthesize(form, flow_mhz, ..., *, sections=None, ...)\n--\n\n" followed by
/// `doc`: the docstring from which Python reads the function's signature.
std::string documented(const Signature& s, std::string_view doc);

/// The older spellings of a signature, for its docstring: "Older spellings,
/// still accepted: flow= for flow_mhz=, ...". Empty when it has none.
std::string older_spellings(const Signature& s);

/// One call's arguments, each in its parameter's place. A mistake in the call
/// itself raises TypeError in Python's words; a value of the wrong kind
/// raises TypeError naming the parameter.
class Arguments {
 public:
  Arguments(const Signature& s, const pybind11::args& args, const pybind11::kwargs& kwargs);

  /// The argument, or its default.
  pybind11::object operator[](std::string_view name) const;
  /// Whether the call gave it (under either spelling).
  bool given(std::string_view name) const;

  /// A real number (int, float, numpy scalar; not text).
  double number(std::string_view name) const;
  /// A real number, or nullopt for None.
  std::optional<double> optional_number(std::string_view name) const;
  /// A whole number (int or numpy integer), or nullopt for None.
  std::optional<long> optional_count(std::string_view name) const;
  /// True or False (numpy's too).
  bool flag(std::string_view name) const;
  /// A str.
  std::string text(std::string_view name) const;

 private:
  std::size_t index(std::string_view name) const;

  const Signature& signature_;
  std::vector<pybind11::object> values_;
  std::vector<bool> given_;
};

}  // namespace quill::py_front
