#include "dimensions/single_strip.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "dimensions/stack_modes.hpp"

namespace quill {

double single_strip_impedance(const Stackup& stack, double width_m, bool upper) {
  return board_mode(stack, {{-width_m / 2, width_m / 2, upper}}, {1.0}, false).z;
}

double single_strip_width(const Stackup& stack, double zo, bool upper) {
  constexpr double none = std::numeric_limits<double>::quiet_NaN();
  // ln Z falls almost linearly with ln W: regula falsi (Illinois) on the
  // bracket from a thousandth to twenty ground-plane spacings.
  const double b = stack.b_m();
  double lo = std::log(b * 1e-3), hi = std::log(b * 20.0);
  double flo = std::log(single_strip_impedance(stack, std::exp(lo), upper) / zo);
  double fhi = std::log(single_strip_impedance(stack, std::exp(hi), upper) / zo);
  if (!(flo > 0 && fhi < 0)) return none;
  int side = 0;
  for (int k = 0; k < 60; ++k) {
    const double mid = (lo * fhi - hi * flo) / (fhi - flo);
    const double f = std::log(single_strip_impedance(stack, std::exp(mid), upper) / zo);
    if (!std::isfinite(f)) return none;
    if (std::fabs(f) < 1e-10) return std::exp(mid);
    if (f > 0) {
      lo = mid;
      flo = f;
      if (side == 1) fhi /= 2.0;
      side = 1;
    } else {
      hi = mid;
      fhi = f;
      if (side == -1) flo /= 2.0;
      side = -1;
    }
  }
  return none;
}

FaceWidths single_strip_widths(const Stackup& stack, double zo) {
  FaceWidths w;
  w.upper_m = single_strip_width(stack, zo, true);
  w.lower_m = stack.mirror_stacked() ? w.upper_m : single_strip_width(stack, zo, false);
  return w;
}

double higher_mode_limit_mhz(const Stackup& stack, double across_m) {
  double er = 1;
  for (const StackLayer& l : stack.layers) er = std::max(er, l.er);
  const double b = stack.b_m();
  const double across = light_speed / (std::sqrt(er) * (2 * across_m + std::numbers::pi * b / 2));
  const double plates = light_speed / (2 * b * std::sqrt(er));
  return std::min(across, plates) / 1e6;
}

}  // namespace quill
