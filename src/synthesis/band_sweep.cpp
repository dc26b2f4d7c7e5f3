#include "synthesis/band_sweep.hpp"

#include <cmath>

namespace quill {

float round_step(float span) {
  const double raw = span / 400.0;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * decade >= raw) return static_cast<float>(m * decade);
  return static_cast<float>(10 * decade);
}

AnalysisSettings sweep_around(float flow, float fhigh) {
  const float width = fhigh - flow;
  AnalysisSettings s;
  s.deltaf = round_step(1.5f * width);
  const float step = s.deltaf;
  s.fstart = static_cast<float>(std::floor((flow - 0.25f * width) / step) * step);
  if (s.fstart <= 0) s.fstart = step;
  s.fstop = static_cast<float>(std::ceil((fhigh + 0.25f * width) / step) * step);
  return s;
}

}  // namespace quill
