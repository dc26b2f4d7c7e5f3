#pragma once
/// A feed's shape from the coupler's end to its port: a straight lead, the
/// parting (two bends with a diagonal between, the bends mitred corners or
/// circular arcs) and a straight run out. Lengths in metres, x along the
/// coupler, y across.

#include <vector>

#include "layout/coupler_layout.hpp"

namespace quill {

/// One feed: its centre where it leaves the coupler's end, its centre
/// across at the port end, and the way it leaves (-1 to the left, +1 right).
struct FeedRun {
  double x_end = 0, y_end = 0;
  double y_port = 0;
  int facing = 0;
};

/// How far a feed has risen across `u` out from the coupler's end, of its
/// whole `rise`: nothing along the lead, then at 45 degrees, through the
/// arcs of `b.bend_radius` where it has them, until it has risen all of it.
double risen(const Breakouts& b, double rise, double u);

/// The length along x from the lead's end to where a parting of `rise`
/// with bends of `radius` runs straight again: two arcs turning to 45
/// degrees and back with a diagonal between, or, where the rise is too
/// short for that, two arcs turning less.
double parting_extent(double rise, double radius);

/// One edge of the feed, `h` to the left of its centre line seen along +x
/// (h > 0: the edge toward +y), ordered so that x grows along it. Mitred
/// bends are mitre joints; arcs are the exact offset of the centre line at
/// points close enough that no chord strays from it by more than
/// `tolerance`.
std::vector<Point> feed_edge(const FeedRun& run, const Breakouts& b, double h, double tolerance);

}  // namespace quill
