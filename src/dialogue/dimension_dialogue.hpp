#pragma once
/// The dimensional synthesis dialogue: spacings in, strip report out, then
/// its own menu (repeat, new design, end).

#include <ostream>
#include <string>

#include "console/console.hpp"
#include "common/design.hpp"
#include "dialogue/storage.hpp"

namespace quill {

struct DimensionContext {
  const CouplerDesign& design;
  float gps_default;          ///< B offered by default, inches
  float s_default;            ///< S offered by default, inches
  const TimeStamp& stamp;     ///< the design cycle's date and time
  Storage& storage;           ///< the storage file, used while settings.istore is 1
  AnalysisSettings& settings; ///< storage choice and file name; storage ends if the file fails
};

/// Runs the dialogue and report, repeating on request. Flow::go means the
/// user asked for a new design cycle.
Flow run_dimensions(Console& con, const DimensionContext& ctx);

}  // namespace quill
