#include "fullwave/port_feeds.hpp"

#include <algorithm>

namespace quill {

namespace {

/// The elastance of the layers from the lower plane up to height `z`: the
/// sum of thickness over Er, per unit area and over eps0.
double elastance_below(const Stackup& stack, double z) {
  double height = 0.0, sum = 0.0;
  for (const StackLayer& l : stack.layers) {
    sum += std::clamp(z - height, 0.0, l.thickness_m) / l.er;
    height += l.thickness_m;
  }
  return sum;
}

}  // namespace

StripHeights strip_heights(const Stackup& stack) {
  double below = 0.0;
  for (int k = 0; k < stack.strips_layer; ++k) below += stack.layers[static_cast<size_t>(k)].thickness_m;
  const double above = below + stack.s_m();
  return {below - stack.copper_m, below, above, above + stack.copper_m};
}

std::array<PortFeed, 4> port_feeds(const CouplerLayout& layout, const Stackup& stack, double feed_b, double step) {
  std::array<PortFeed, 4> feeds;
  const double run = feed_b * stack.b_m();
  for (size_t k = 0; k < 4; ++k) {
    const PortEnd& p = layout.ports[k];
    PortFeed& f = feeds[k];
    f.number = p.number;
    f.upper = p.upper;
    f.y = p.at.y;
    f.width = p.width;
    f.facing = p.facing;
    f.plane_x = p.at.x;
    f.step = step;
    f.probe_x = p.at.x + p.facing * run / 2.0;
    f.source_x = p.at.x + p.facing * run;
    const StripHeights z = strip_heights(stack);
    const double below = elastance_below(stack, p.upper ? z.upper_bottom : z.lower_bottom);
    const double above = elastance_below(stack, stack.b_m()) - elastance_below(stack, p.upper ? z.upper_top : z.lower_top);
    f.height_share = below / (below + above);
  }
  return feeds;
}

}  // namespace quill
