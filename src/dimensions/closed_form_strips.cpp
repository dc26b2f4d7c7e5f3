#include "dimensions/closed_form_strips.hpp"

#include <cmath>
#include <limits>

#include "common/constants.hpp"
#include "dimensions/bscsl.hpp"

namespace quill {

namespace {

/// Frequency at which the widest strip cross-section may launch higher-order
/// modes, MHz, for a strip of width w inches between planes gps inches apart.
float mode_limit(float er, float gps, float w) {
  return 76200.0f * sqrtf(er) * (pi * gps / 2.0f + w);
}

}  // namespace

ClosedFormStrips closed_form_strips(const CouplerDesign& d, const DimensionChoice& c) {
  ClosedFormStrips out;
  const float b = c.gps;
  const int centre = d.n / 2 + 1;
  float fmax = 0.0f;
  for (int i = 1; i <= d.n; ++i) {
    int ierror = 0;  // a missing tight solution already reads as zero widths
    const int path = (c.icenter == 1 && i == centre) ? 1 : 0;
    const Blk1 blk = bscsl(d.sec(i).zoe * d.z0, d.z0, d.er, c.s, b, path, ierror);
    const ClosedFormRow row{blk.wbt * b, blk.wb0t * b, blk.wbl * b, blk.wb0l * b};
    const float f = mode_limit(d.er, b, row.loose_width);
    // A NaN limit (no loose width) never wins the comparison.
    if (f > fmax) fmax = f;
    out.sections.push_back(row);
  }
  // No section gave a finite limit: there is no frequency to state, and a
  // printed 0.0 would read as a real one.
  if (!(fmax > 0.0f)) fmax = std::numeric_limits<float>::quiet_NaN();
  out.max_frequency = fmax;

  // A single strip of impedance Zo: nudged off the exactly uncoupled case,
  // where the coupling capacitance is zero and the loose equations divide by it.
  int ierror = 0;
  out.zo_width = bscsl(1.000001f * d.z0, d.z0, d.er, c.s, b, 0, ierror).wbl * b;
  return out;
}

}  // namespace quill
