#include "layout/feed_shape.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quill {

namespace {

Point add(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point scaled(Point a, double s) { return {a.x * s, a.y * s}; }

/// Left-hand unit normal of the direction from a to b.
Point normal(Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  return {-dy / len, dx / len};
}

/// The edge of a strip of half-width `h` along the centre line `path`, on its
/// left (h > 0) or right (h < 0): straight runs offset, meeting at each bend
/// in a mitre joint (the offset lines' intersection).
std::vector<Point> offset_edge(const std::vector<Point>& path, double h) {
  std::vector<Point> out;
  const size_t n = path.size();
  for (size_t k = 0; k < n; ++k) {
    if (k == 0) {
      out.push_back(add(path[0], scaled(normal(path[0], path[1]), h)));
    } else if (k == n - 1) {
      out.push_back(add(path[k], scaled(normal(path[k - 1], path[k]), h)));
    } else {
      const Point a = normal(path[k - 1], path[k]), b = normal(path[k], path[k + 1]);
      const double c = 1.0 + a.x * b.x + a.y * b.y;
      out.push_back(add(path[k], scaled({a.x + b.x, a.y + b.y}, h / c)));
    }
  }
  return out;
}

/// Centre line of a mitred feed: a straight lead, a 45 degree bend, a
/// diagonal run to the port's line across, a second 45 degree bend and a
/// straight run to the end. Ordered so that x grows along it.
std::vector<Point> mitred_path(const FeedRun& r, const Breakouts& b) {
  const double rise = std::fabs(r.y_port - r.y_end);
  std::vector<Point> out;
  if (rise <= 0.0) {
    out = {{r.x_end, r.y_end}, {r.x_end + r.facing * b.length, r.y_end}};
  } else {
    out = {{r.x_end, r.y_end},
           {r.x_end + r.facing * b.lead, r.y_end},
           {r.x_end + r.facing * (b.lead + rise), r.y_port},
           {r.x_end + r.facing * b.length, r.y_port}};
  }
  if (r.facing < 0) std::reverse(out.begin(), out.end());
  return out;
}

/// The arcs' turn: 45 degrees, or less where two such arcs would rise more
/// than `rise` (each rises r (1 - cos turn)).
double turn(double rise, double radius) {
  const double quarter = std::numbers::pi / 4.0;
  return 2.0 * radius * (1.0 - std::cos(quarter)) <= rise ? quarter : std::acos(1.0 - rise / (2.0 * radius));
}

/// A point of the centre line out from the coupler's end (u along, v
/// risen) and the direction it runs in there, from the x axis.
struct Along {
  double u, v, angle;
};

/// The centre line through the parting, sampled: each arc at equal steps
/// of angle no larger than `step`, the diagonal at its ends.
std::vector<Along> rounded_path(double lead, double rise, double radius, double step) {
  const double a = turn(rise, radius);
  const double end = lead + parting_extent(rise, radius);
  const int n = std::max(4, static_cast<int>(std::ceil(a / step)));
  std::vector<Along> out;
  for (int i = 0; i <= n; ++i) {
    const double phi = a * i / n;
    out.push_back({lead + radius * std::sin(phi), radius * (1.0 - std::cos(phi)), phi});
  }
  // The diagonal runs straight from the first arc's end to the second's start.
  for (int i = n; i >= 0; --i) {
    const double phi = a * i / n;
    out.push_back({end - radius * std::sin(phi), rise - radius * (1.0 - std::cos(phi)), phi});
  }
  return out;
}

/// A feed with rounded bends: the lead, the arcs and diagonal, the run
/// out, each point offset square to the centre line.
std::vector<Point> rounded_edge(const FeedRun& r, const Breakouts& b, double h, double tolerance) {
  const double rise = std::fabs(r.y_port - r.y_end), sign = r.y_port > r.y_end ? 1.0 : -1.0;
  // A chord over an angle t of an arc of radius rho strays rho (1 - cos t/2)
  // from it; the edge on the outside of the bend has the larger radius.
  const double step = 2.0 * std::acos(1.0 - tolerance / (b.bend_radius + std::fabs(h)));
  std::vector<Along> line = {{0.0, 0.0, 0.0}};
  for (const Along& p : rounded_path(b.lead, rise, b.bend_radius, step)) line.push_back(p);
  if (b.length > line.back().u) line.push_back({b.length, rise, 0.0});
  std::vector<Point> out;
  for (const Along& p : line) {
    // Seen along +x the feed runs at `angle` toward its side, mirrored when
    // it leaves to the left.
    const double dx = std::cos(p.angle), dy = sign * r.facing * std::sin(p.angle);
    out.push_back({r.x_end + r.facing * p.u - h * dy, r.y_end + sign * p.v + h * dx});
  }
  if (r.facing < 0) std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

double parting_extent(double rise, double radius) {
  const double a = turn(rise, radius);
  const double diagonal = (rise - 2.0 * radius * (1.0 - std::cos(a))) / std::sin(a);
  return 2.0 * radius * std::sin(a) + diagonal * std::cos(a);
}

double risen(const Breakouts& b, double rise, double u) {
  if (u <= b.lead) return 0.0;
  const double r = b.bend_radius;
  if (r <= 0.0) return std::min(u - b.lead, rise);
  const double a = turn(rise, r), end = b.lead + parting_extent(rise, r);
  if (u >= end) return rise;
  const double arc = r * std::sin(a);  // each arc's length along u
  if (u - b.lead <= arc) return r - std::sqrt(r * r - (u - b.lead) * (u - b.lead));
  if (end - u <= arc) return rise - r + std::sqrt(r * r - (end - u) * (end - u));
  return r * (1.0 - std::cos(a)) + (u - b.lead - arc) * std::tan(a);
}

std::vector<Point> feed_edge(const FeedRun& run, const Breakouts& b, double h, double tolerance) {
  if (b.bend_radius > 0.0 && run.y_port != run.y_end) return rounded_edge(run, b, h, tolerance);
  return offset_edge(mitred_path(run, b), h);
}

}  // namespace quill
