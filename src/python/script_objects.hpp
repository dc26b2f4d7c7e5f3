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
#include "dimensions/stack_table.hpp"
#include "dimensions/strip_refine.hpp"
#include "layout/coupler_layout.hpp"
#include "python/parameters.hpp"
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
  std::optional<BoardFigures> figures;  ///< with a stack-up: its feeds, length and mode limit
  std::optional<Stackup> stack;
};

/// A design laid out as copper in a board: what Design.layout() gives, and
/// what the artwork files and the full-wave model are written from.
struct ScriptLayout {
  CouplerLayout copper;
  Stackup stack;
  ScriptDesign design;  ///< the design laid out
  StackDesign built;    ///< its sections in the board
};

/// The design analysed, as Design.analyse() was called.
ScriptAnalysis analyse_design(const ScriptDesign& d, const Arguments& given);

/// The design's strips, as Design.dimensions() was called.
ScriptDimensions dimension_design(const ScriptDesign& d, const Arguments& given);

/// The design laid out in a board, as Design.layout() was called.
ScriptLayout lay_out_design(const ScriptDesign& d, const Arguments& given);

/// A stack-up argument: a Stackup, or the path of a stack-up file to read.
Stackup stackup_argument(const pybind11::handle& stackup);

}  // namespace quill::py_front
