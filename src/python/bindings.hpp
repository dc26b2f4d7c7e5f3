#pragma once
/// The module's parts, bound in order: every class is declared first (so
/// each signature names the Python classes, not C++ types), then each file
/// defines its methods and functions.

#include <pybind11/pybind11.h>

#include "common/stackup.hpp"
#include "python/script_design.hpp"
#include "python/script_objects.hpp"

namespace quill::py_front {

struct ModuleClasses {
  pybind11::class_<ScriptDesign> design;
  pybind11::class_<SectionRecord> section;
  pybind11::class_<ScriptAnalysis> analysis;
  pybind11::class_<ScriptDimensions> dimensions;
  pybind11::class_<Stackup> stackup;
  pybind11::class_<ScriptLayout> layout;
};

ModuleClasses declare_classes(pybind11::module_& m);

void define_stackup(pybind11::module_& m, pybind11::class_<Stackup>& cls);
void define_dimensions(pybind11::module_& m, pybind11::class_<ScriptDimensions>& cls);
void define_analysis(pybind11::module_& m, pybind11::class_<ScriptAnalysis>& cls);
void define_layout(pybind11::module_& m, pybind11::class_<ScriptLayout>& cls);
void define_design(pybind11::module_& m, pybind11::class_<ScriptDesign>& cls,
                   pybind11::class_<SectionRecord>& section);

}  // namespace quill::py_front
