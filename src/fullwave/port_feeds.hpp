#pragma once
/// Ports that measure the copper, not themselves. A lumped port at a feed's
/// end is a discontinuity of its own, as large as the isolation and return
/// loss it is asked to measure. So each feed runs on beyond its port plane
/// as a uniform line, with the lumped port (the source when driven, a match
/// otherwise) at its far end; half way, where the near fields of the source
/// and of the coupler's bends have died away (as exp(-pi d / B): to 2e-3 two
/// ground-plane spacings off), probes measure the line's voltage at three
/// planes one cell apart and its current at the two planes between them.
/// On a uniform line that is enough to separate the wave going out from the
/// wave coming in whatever the line's propagation constant and impedance on
/// this mesh, and to move both back to the port plane: the scattering
/// matrix is the copper's, referred to the feeds' own impedance.
/// Lengths in metres, x along the coupler.

#include <array>

#include "common/stackup.hpp"
#include "layout/coupler_layout.hpp"

namespace quill {

/// Each feed's uniform run beyond its port plane, in ground-plane spacings,
/// by default (and at least, as the front ends' ranges hold it): the probes
/// sit half way, two spacings from both ends.
inline constexpr double default_port_feed_b = 4.0;

/// Heights of the strips' copper: the lower strip's bottom and top faces,
/// the upper strip's (equal pairs for ideal sheets).
struct StripHeights {
  double lower_bottom = 0, lower_top = 0, upper_bottom = 0, upper_top = 0;
};
StripHeights strip_heights(const Stackup& stack);

struct PortFeed {
  int number = 0;      ///< 1 to 4
  bool upper = false;  ///< on the upper strip's layer
  double y = 0, width = 0;
  int facing = 0;      ///< -1: runs on toward -x, +1 toward +x
  double plane_x = 0;  ///< the port plane: where the layout's feed ends
  double probe_x = 0;  ///< the middle voltage plane
  double step = 0;     ///< between voltage planes (one cell)
  double source_x = 0; ///< the run's far end, where the lumped port is
  /// Where the strip sits in a potential between the two planes, from 0 at
  /// the lower to 1 at the upper: the share of the layers' elastance
  /// (thickness over Er) below it. The planes are not joined in the model,
  /// so a wave between them (the parallel-plate mode, which has no cut-off)
  /// can ride on the feed; measured to both planes and weighted by this, the
  /// strip's voltage is the stripline mode's alone. The lumped port's two
  /// halves share its current in the same proportion.
  double height_share = 0.5;

  /// The voltage planes, nearest the coupler first, and the current planes
  /// half way between them.
  std::array<double, 3> voltage_planes() const {
    return {probe_x - facing * step, probe_x, probe_x + facing * step};
  }
  std::array<double, 2> current_planes() const {
    return {probe_x - facing * step / 2.0, probe_x + facing * step / 2.0};
  }
  /// The lumped port's resistances below and above the strip: in parallel
  /// Zo, their currents as the stripline mode returns on each plane.
  double lower_resistance(double zo) const { return zo / (1.0 - height_share); }
  double upper_resistance(double zo) const { return zo / height_share; }
  /// From the middle probe plane back to the port plane, in steps.
  double steps_back() const { return (probe_x - plane_x) * facing / step; }
};

/// The four ports' feeds, in port order, each running `feed_b` ground-plane
/// spacings beyond its port plane with its probes `step` apart.
std::array<PortFeed, 4> port_feeds(const CouplerLayout& layout, const Stackup& stack, double feed_b, double step);

}  // namespace quill
