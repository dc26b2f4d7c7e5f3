#pragma once
/// What the module's Analysis and Dimensions objects hold, and the
/// functions that make them from a design. The arrays are numpy's, allocated
/// once and filled in place.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <complex>
#include <optional>
#include <string>

#include "common/stackup.hpp"
#include "dimensions/closed_form_strips.hpp"
#include "dimensions/dimension_report.hpp"
#include "dimensions/stack_strips.hpp"
#include "dimensions/strip_refine.hpp"
#include "python/script_design.hpp"

namespace quill::py_front {

/// The report's quantities at every point, derived from S when first asked for.
struct ResponseArrays {
  pybind11::array_t<float> s11_db, phase_deg, coupled_db, isolated_db, through_db, vswr, quadrature_deg,
      quadrature_error_deg;
};

struct ScriptAnalysis {
  ScriptDesign design;                    ///< as analysed
  pybind11::array_t<float> frequencies;   ///< MHz, (n,)
  pybind11::array_t<std::complex<float>> s;  ///< (n, 4, 4)
  std::optional<ResponseArrays> response;
};

/// One section's closed-form strips, numbered.
struct ClosedFormSection {
  int section = 0;
  ClosedFormRow row;
};

struct ScriptDimensions {
  DimensionChoice choice;  ///< B and S in inches (the board's, with a stack-up), centre option
  ClosedFormStrips closed;
  std::optional<DesignStrips> field;  ///< with field_solve
  std::optional<StackDesign> board;   ///< with a stack-up
  std::optional<Stackup> stack;
};

/// The design analysed at `frequencies` (any 1-D array-like, taken as float32).
ScriptAnalysis analyse_design(const ScriptDesign& d, const pybind11::handle& frequencies,
                              std::optional<double> velocity_ratio, std::optional<double> loss,
                              const pybind11::handle& stackup);

/// The design's strips.
ScriptDimensions dimension_design(const ScriptDesign& d, std::optional<double> b, std::optional<double> s,
                                  const std::string& centre, bool field_solve, const pybind11::handle& stackup);

/// A stack-up argument: a Stackup, or the path of a stack-up file to read.
Stackup stackup_argument(const pybind11::handle& stackup);

}  // namespace quill::py_front
