#include "layout/coupler_layout.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

#include "dimensions/single_strip.hpp"
#include "dimensions/stack_modes.hpp"
#include "layout/copper_lines.hpp"
#include "layout/feed_lines.hpp"
#include "layout/feed_shape.hpp"
#include "layout/junction_shape.hpp"
#include "layout/length_trim.hpp"

namespace quill {

namespace {

/// The parted feeds couple by no more than this, dB.
constexpr double feed_coupling_limit_db = -40.0;

/// Drops repeated points and points in line with their neighbours.
Outline cleaned(const std::vector<Point>& in) {
  Outline out;
  for (const Point& p : in) {
    if (!out.empty() && std::fabs(p.x - out.back().x) < 1e-15 && std::fabs(p.y - out.back().y) < 1e-15) continue;
    out.push_back(p);
  }
  while (out.size() > 1 && std::fabs(out.front().x - out.back().x) < 1e-15 &&
         std::fabs(out.front().y - out.back().y) < 1e-15)
    out.pop_back();
  bool changed = true;
  while (changed && out.size() > 3) {
    changed = false;
    for (size_t k = 0; k < out.size(); ++k) {
      const Point& a = out[(k + out.size() - 1) % out.size()];
      const Point& b = out[k];
      const Point& c = out[(k + 1) % out.size()];
      const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
      if (std::fabs(cross) < 1e-24) {
        out.erase(out.begin() + static_cast<long>(k));
        changed = true;
        break;
      }
    }
  }
  return out;
}

/// Where a feed's edge meets its strip's edge across by less than this
/// share of the feed's width, the two meet without a step: the edge runs
/// straight from the feed's first bend to the strip's corner, a taper of a
/// few degrees, rather than a jog of a few micrometres that no etch
/// reproduces and that leaves a notch or sliver in the copper.
constexpr double least_step = 0.1;

/// A smooth parting's polygon strays from its curve by no more than this
/// (or a thousandth of the feed's width, where that is less), metres.
constexpr double chord_error = 1e-7;

/// One edge of a strip's copper, left to right: the left feed's edge, the
/// edge along the coupler, the right feed's edge.
std::vector<Point> strip_edge(const std::vector<Point>& along, std::vector<Point> left, std::vector<Point> right,
                              double feed_width) {
  auto slight = [&](double a, double b) { return a != b && std::fabs(a - b) < least_step * feed_width; };
  if (left.size() > 1 && slight(left.back().y, along.front().y)) left.pop_back();
  if (right.size() > 1 && slight(right.front().y, along.back().y)) right.erase(right.begin());
  std::vector<Point> edge = std::move(left);
  edge.insert(edge.end(), along.begin(), along.end());
  edge.insert(edge.end(), right.begin(), right.end());
  return edge;
}

/// One strip's copper: its left feed, its sections and junctions and its
/// right feed, as one counter-clockwise outline (bottom edge left to right,
/// top edge back).
Outline strip_outline(const std::vector<Point>& bottom_along, const std::vector<Point>& top_along,
                      const FeedRun& left, const FeedRun& right, const Breakouts& b, double feed_width) {
  const double h = feed_width / 2.0;
  // Finer than any etch, and than the artwork's readers check to.
  const double tolerance = std::min(chord_error, 1e-3 * feed_width);
  const std::vector<Point> bottom = strip_edge(bottom_along, feed_edge(left, b, -h, tolerance),
                                              feed_edge(right, b, -h, tolerance), feed_width);
  const std::vector<Point> top = strip_edge(top_along, feed_edge(left, b, h, tolerance),
                                           feed_edge(right, b, h, tolerance), feed_width);
  std::vector<Point> ring = bottom;
  ring.insert(ring.end(), top.rbegin(), top.rend());
  return cleaned(ring);
}

/// An outer edge with a stub on it: from the stub's x0 to its x1 the edge
/// stands `side` times its length further out, square at both ends.
std::vector<Point> with_stub(const std::vector<Point>& edge, const Stub& stub, double side) {
  auto y_at = [&](double x) {
    for (size_t k = 0; k + 1 < edge.size(); ++k)
      if (edge[k].x <= x && x <= edge[k + 1].x && edge[k + 1].x > edge[k].x)
        return edge[k].y + (edge[k + 1].y - edge[k].y) * (x - edge[k].x) / (edge[k + 1].x - edge[k].x);
    return x <= edge.front().x ? edge.front().y : edge.back().y;
  };
  // Square to the coupler, its far end across at the outermost of the
  // edge beneath it plus its length.
  double base = y_at(stub.x0);
  for (const Point& p : edge)
    if (p.x > stub.x0 && p.x < stub.x1) base = side > 0 ? std::max(base, p.y) : std::min(base, p.y);
  base = side > 0 ? std::max(base, y_at(stub.x1)) : std::min(base, y_at(stub.x1));
  const double far = base + side * stub.length;
  std::vector<Point> out;
  for (const Point& p : edge)
    if (p.x < stub.x0) out.push_back(p);
  out.push_back({stub.x0, y_at(stub.x0)});
  out.push_back({stub.x0, far});
  out.push_back({stub.x1, far});
  out.push_back({stub.x1, y_at(stub.x1)});
  for (const Point& p : edge)
    if (p.x > stub.x1) out.push_back(p);
  return out;
}

/// A breakout's two feeds as a short coupled line of their own, tapering
/// apart: their coupling coefficient k at nodes along it, from the
/// coupler's end (x = 0) to the port end, exponential between nodes. That
/// is exact where they run parallel (k constant) and far apart, where one
/// exponential is left, and close along the rest, where the
/// nodes are a quarter of a ground-plane spacing apart across (halving
/// that moves the integral of k by about 1e-4 of itself).
struct BreakoutProfile {
  std::vector<double> x, k;
  double eeff = 0;  ///< the feeds' where they leave, for the phase
};

/// The profile along rounded bends, from the coupling solved at spacings
/// along mitred ones (`diagonal`, whose nodes lie at x = lead + (s - start)
/// / 2): k follows the spacing, exponential between those nodes, and the
/// spacing follows the arcs, so the nodes are laid along them closely
/// enough (`apart`) that k is as nearly exponential between them again.
BreakoutProfile along_parting(const BreakoutProfile& diagonal, const Breakouts& b, double start, double end,
                              double apart) {
  auto k_at = [&](double s) {
    size_t i = 1;
    while (i + 1 < diagonal.x.size() && b.lead + (s - start) / 2.0 > diagonal.x[i + 1]) ++i;
    const double s0 = start + 2.0 * (diagonal.x[i] - b.lead), s1 = start + 2.0 * (diagonal.x[i + 1] - b.lead);
    const double k0 = diagonal.k[i], k1 = diagonal.k[i + 1];
    const double t = s1 > s0 ? std::clamp((s - s0) / (s1 - s0), 0.0, 1.0) : 0.0;
    if (!(k0 > 0.0) || !(k1 > 0.0)) return k0 + (k1 - k0) * t;
    return k0 * std::pow(k1 / k0, t);
  };
  BreakoutProfile p;
  p.eeff = diagonal.eeff;
  p.x = {0.0, b.lead};
  p.k = {diagonal.k[0], diagonal.k[0]};
  const double extent = parting_extent((end - start) / 2.0, b.bend_radius);
  // At the same places whatever the port spacing, as along mitred bends, so
  // that ports further apart change only the tail.
  for (int i = 1;; ++i) {
    const double u = b.lead + std::min(apart * i, extent);
    p.x.push_back(u);
    p.k.push_back(k_at(start + 2.0 * risen(b, (end - start) / 2.0, u)));
    if (u >= b.lead + extent) break;
  }
  return p;
}

BreakoutProfile breakout_profile(const FeedPair& pair, const Breakouts& b, double start_spacing) {
  BreakoutProfile p;
  const double end = std::max(b.port_spacing, start_spacing);
  const FeedCoupling first = feed_coupling(pair, start_spacing);
  p.eeff = first.eeff;
  p.x = {0.0, b.lead};
  p.k = {first.k, first.k};
  // Along the diagonal both feeds part at 45 degrees: the spacing grows
  // twice as fast as x. The nodes keep their places whatever the port
  // spacing, so that ports further apart change only the tail.
  const double step = pair.stack.b_m() / 4.0;
  for (int i = 1;; ++i) {
    const double s = std::min(start_spacing + step * i, end);
    p.x.push_back(b.lead + (s - start_spacing) / 2.0);
    p.k.push_back(feed_coupling(pair, s).k);
    if (s >= end) break;
  }
  if (b.bend_radius > 0.0 && end > start_spacing) p = along_parting(p, b, start_spacing, end, step / 16.0);
  if (b.length > p.x.back()) {
    p.x.push_back(b.length);
    p.k.push_back(p.k.back());
  }
  return p;
}

/// The integral of k(x) exp(-j q x) along the profile, k exponential
/// between nodes: exact piece by piece.
std::complex<double> profile_integral(const BreakoutProfile& p, double q) {
  std::complex<double> sum = 0.0;
  for (size_t i = 0; i + 1 < p.x.size(); ++i) {
    const double dx = p.x[i + 1] - p.x[i], k0 = p.k[i], k1 = p.k[i + 1];
    // A coupling that has underflowed to nothing adds nothing.
    if (!(dx > 0.0) || !(k0 > 0.0) || !(k1 > 0.0)) continue;
    const std::complex<double> z(std::log(k1 / k0) / dx, -q);
    const std::complex<double> zd = z * dx;
    // (exp(z dx) - 1) / z, by its series where z dx is small.
    const std::complex<double> span =
        std::abs(zd) < 1e-3 ? dx * (1.0 + zd / 2.0 + zd * zd / 6.0) : (std::exp(zd) - 1.0) / z;
    sum += k0 * std::polar(1.0, -q * p.x[i]) * span;
  }
  return sum;
}

/// The coupling the breakout adds at `f_hz`, weak enough for the first-order
/// result |c| = beta |integral k(x) exp(-2 j beta x) dx| along it, dB.
double breakout_coupling_db(const BreakoutProfile& p, double f_hz) {
  const double beta = 2.0 * std::numbers::pi * f_hz * std::sqrt(p.eeff) / light_speed;
  return 20.0 * std::log10(beta * std::abs(profile_integral(p, 2.0 * beta)));
}

/// The breakout's coupling as a length of line coupled by `k`: the integral
/// of its own coupling coefficient along it, over k. Weak coupling adds up
/// as the integral of k along the line, with its phase, so an end section
/// that much shorter couples with its breakout as the section alone would
/// (exactly at low frequencies, to first order across the band).
double breakout_coupled_length(const BreakoutProfile& p, double k) { return profile_integral(p, 0.0).real() / k; }

/// Lengths in the unit the user gives them in, for what is said of them.
struct LengthText {
  bool inches = false;
  bool metres = false;
  double per() const { return metres ? 1.0 : inches ? metres_per_inch : 1e-3; }
  const char* name() const { return metres ? "m" : inches ? "in" : "mm"; }
  std::string given(double metres) const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g %s", metres / per(), name());
    return buf;
  }
  /// Rounded up (or down) at the summary's decimals, so that the bound
  /// printed is itself accepted; a bound that is a round number but for the
  /// last bits of its sum keeps its round value.
  std::string up(double metres) const { return rounded(std::ceil(metres / per() * scale() * (1 - 1e-9))); }
  std::string down(double metres) const { return rounded(std::floor(metres / per() * scale() * (1 + 1e-9))); }

 private:
  double scale() const { return metres ? 1e7 : inches ? 1e5 : 1e4; }
  std::string rounded(double units) const {
    char buf[64];
    std::snprintf(buf, sizeof buf, metres ? "%.7f %s" : inches ? "%.5f %s" : "%.4f %s", units / scale(), name());
    return buf;
  }
};

/// Coupling coefficient of a section from its normalised impedances.
double coupling_coefficient(const Section& s) { return (s.zoe - s.zoo) / (s.zoe + s.zoo); }

}  // namespace

std::optional<CouplerLayout> lay_out_coupler(const CouplerDesign& d, const StackDesign& built,
                                             const Stackup& stack, const LayoutChoice& choice,
                                             std::string& error) {
  if (const int i = built.first_declined(); i != 0) {
    error = declined_message(built, stack);
    return std::nullopt;
  }
  CouplerLayout out;
  double x = 0.0;
  for (const StackSection& s : built.sections) {
    SectionCopper c;
    c.section = s.strips.section;
    c.width = s.strips.width_in * metres_per_inch;
    c.offset = s.strips.offset_in * metres_per_inch;
    c.x0 = x;
    c.x1 = x + s.length_in * metres_per_inch;
    x = c.x1;
    c.upper_y0 = c.offset / 2 - c.width / 2;
    c.upper_y1 = c.offset / 2 + c.width / 2;
    c.lower_y0 = -c.offset / 2 - c.width / 2;
    c.lower_y1 = -c.offset / 2 + c.width / 2;
    out.sections.push_back(c);
  }
  out.coupler_length = x;
  // Neighbouring sections whose strips do not overlap across are joined
  // by a jog; under compensation the others step by a taper.
  out.junctions = shape_junctions(out.sections, choice.tapers_junctions(), choice.taper_length);

  Breakouts& b = out.breakouts;
  const FaceWidths feeds = single_strip_widths(stack, d.z0);
  b.feed_width_upper = feeds.upper_m;
  b.feed_width_lower = feeds.lower_m;
  if (!std::isfinite(b.feed_width_upper) || !std::isfinite(b.feed_width_lower)) {
    error = "no strip in " + stack.name + " has Zo (" + std::to_string(d.z0) + " ohms) to feed the ports";
    return std::nullopt;
  }
  const double w_feed = std::max(b.feed_width_upper, b.feed_width_lower);
  const FeedPair pair = feed_pair(stack, b.feed_width_upper, b.feed_width_lower);
  if (!pair.ok) {
    error = "the feeds' coupling in " + stack.name + " could not be solved";
    return std::nullopt;
  }
  // A feed leaves the coupler with its inner edge on the section's inner
  // edge, so that where it is wider than the strip it widens outward: the
  // two feeds never overlap more than the strips they continue. Where they
  // start apart, centre to centre, sets how far they must rise; they only
  // part from there, so the ports are at least as far apart.
  const SectionCopper &first = out.sections.front(), &last = out.sections.back();
  auto start_spacing = [&](const SectionCopper& s) { return s.offset - s.width + w_feed; };
  b.start_first = start_spacing(first);
  b.start_last = start_spacing(last);
  const double closest = std::min(b.start_first, b.start_last);
  const double widest_start = std::max(b.start_first, b.start_last);
  // Feeds further apart or longer than this are the board's routing: their
  // coupling, falling as exp(-pi d / B), is gone thousands of decibels down
  // long before.
  const double farthest = breakout_limit_b * stack.b_m();
  const LengthText unit{choice.inches, choice.metres};
  const std::string limit_words =
      std::to_string(static_cast<int>(breakout_limit_b)) + " ground-plane spacings of this board";
  b.spacing_given = choice.port_spacing.has_value();
  if (b.spacing_given) {
    b.port_spacing = *choice.port_spacing;
    // The option's value comes as a float: a bound typed as printed is kept.
    if (b.port_spacing < widest_start * (1.0 - 1e-6)) {
      error = "ports " + unit.given(b.port_spacing) + " apart are closer than the feeds where they leave the "
              "coupler: the port spacing must be at least " + unit.up(widest_start);
      return std::nullopt;
    }
    if (b.port_spacing > farthest * (1.0 + 1e-6)) {
      error = "ports " + unit.given(b.port_spacing) + " apart are too far apart for a breakout: the port "
              "spacing must be at most " + unit.down(farthest) + " (" + limit_words +
              ", where the feeds have long stopped coupling)";
      return std::nullopt;
    }
    b.port_spacing = std::max(b.port_spacing, widest_start);
  } else {
    b.port_spacing = std::max(feed_spacing(pair, feed_coupling_limit_db), widest_start);
  }
  b.feed_coupling_db = 20.0 * std::log10(feed_coupling(pair, b.port_spacing).k);
  const double rise = std::max(0.0, (b.port_spacing - closest) / 2.0);
  // A short straight lead keeps the first bend's mitre off the junction.
  b.lead = w_feed / 2.0;
  const double least = b.lead + rise;
  b.length_given = choice.breakout_length.has_value();
  b.length = b.length_given ? *choice.breakout_length : least + 3.0 * w_feed;
  if (b.length < least * (1.0 - 1e-6)) {
    error = "a breakout of " + unit.given(b.length) + " cannot part the feeds " + unit.given(b.port_spacing) +
            " apart: it needs at least " + unit.up(least);
    return std::nullopt;
  }
  b.length = std::max(b.length, least);
  if (b.length > farthest * (1.0 + 1e-6)) {
    error = "a breakout of " + unit.given(b.length) + " is too long: it must be at most " + unit.down(farthest) +
            " (" + limit_words + ": a longer run is the board's routing, not the coupler's)";
    return std::nullopt;
  }
  if (choice.rounds_bends() && rise > 0.0) {
    // Bends of three feed widths' radius (centre line), which reflect next
    // to nothing, or as large as the breakout has room for (the ports stay
    // where they were); never under one feed width, below which the edge on
    // the inside of the bend is all but a corner again.
    const double room = b.length - b.lead, roomiest = 3.0 * w_feed, least_radius = w_feed;
    double lo = 0.0, hi = roomiest;
    if (parting_extent(rise, hi) > room) {
      for (int k = 0; k < 100; ++k) {
        const double mid = (lo + hi) / 2.0;
        (parting_extent(rise, mid) <= room ? lo : hi) = mid;
      }
      hi = lo;
    }
    b.bend_radius = hi;
    if (b.bend_radius < least_radius * (1.0 - 1e-9)) {
      error = "a breakout of " + unit.given(b.length) + " cannot part the feeds " + unit.given(b.port_spacing) +
              " apart through rounded bends: it needs at least " +
              unit.up(b.lead + parting_extent(rise, least_radius));
      return std::nullopt;
    }
  }
  const BreakoutProfile profile = breakout_profile(pair, b, closest);
  b.breakout_coupling_db = breakout_coupling_db(profile, d.f0 * 1e6);
  b.breakout_coupling_max_db = b.breakout_coupling_db;
  if (d.synthesised()) {
    for (int i = 0; i <= 20; ++i) {
      const double f = (d.flow + (d.fhigh - d.flow) * i / 20.0) * 1e6;
      b.breakout_coupling_max_db = std::max(b.breakout_coupling_max_db, breakout_coupling_db(profile, f));
    }
  }

  std::vector<double> designed, lengths;
  for (const SectionCopper& s : out.sections) designed.push_back(s.x1 - s.x0);
  lengths = designed;
  if (choice.shortens_ends()) {
    auto profile_from = [&](const SectionCopper& s) {
      return start_spacing(s) == closest ? profile : breakout_profile(pair, b, start_spacing(s));
    };
    b.shortened_first = breakout_coupled_length(profile_from(first), coupling_coefficient(d.sec(1)));
    b.shortened_last = breakout_coupled_length(profile_from(last), coupling_coefficient(d.sec(d.n)));
    lengths.front() -= b.shortened_first;
    lengths.back() -= b.shortened_last;
    const double shortest = designed.size() == 1 ? designed.front() : std::min(designed.front(), designed.back());
    if (std::max(b.shortened_first, b.shortened_last) * (designed.size() == 1 ? 2.0 : 1.0) >= shortest / 2.0) {
      error = "compensation cannot take " + unit.given(std::max(b.shortened_first, b.shortened_last)) +
              " off an end section " + unit.given(shortest) + " long: its breakouts couple nearly as much as it does";
      return std::nullopt;
    }
  }
  // A junction's centre line is line too: half of it comes out of each
  // neighbour's straight copper, so that each section keeps its length.
  for (size_t k = 0; k < out.junctions.size(); ++k) {
    lengths[k] -= out.junctions[k].path / 2.0;
    lengths[k + 1] -= out.junctions[k].path / 2.0;
  }
  auto too_short = [&]() {
    for (size_t k = 0; k < lengths.size(); ++k) {
      if (lengths[k] < designed[k] / 2.0) {
        error = "section " + std::to_string(out.sections[k].section) + " is too short for what joins it to its "
                "neighbours: " + unit.given(designed[k] - lengths[k]) + " of its " + unit.given(designed[k]) +
                " would go to them";
        return true;
      }
    }
    return false;
  };
  if (too_short()) return std::nullopt;
  auto place_along = [&]() {
    x = 0.0;
    for (size_t k = 0; k < out.sections.size(); ++k) {
      out.sections[k].x0 = x;
      out.sections[k].x1 = x = x + lengths[k];
      if (k < out.junctions.size()) {
        Junction& j = out.junctions[k];
        const double along = j.x1 - j.x0;
        j.x0 = x;
        j.x1 = x = x + along;
      }
    }
    out.coupler_length = x;
  };
  place_along();
  // The stubs' search and the trims' model the same breakouts and
  // junctions: each of their cross-sections is solved once.
  SolvedSections solved;
  auto stubs = [&]() {
    if (!choice.adds_stubs()) return true;
    if (std::string why = place_stubs(d, built, stack, out, &solved); !why.empty()) {
      error = why;
      return false;
    }
    return true;
  };
  if (!stubs()) return std::nullopt;
  // The stubs move the coupling a little too: the lengths are trimmed with
  // them in place, and then the stubs sized again for the trimmed copper.
  LengthTrim trim;
  if (choice.trims_lengths()) {
    trim = trim_lengths(d, built, stack, out, &solved);
    if (!trim.error.empty()) {
      error = trim.error;
      return std::nullopt;
    }
  }
  if (trim.after_db < trim.before_db) {
    auto lengthen = [&](double by) {
      for (size_t k = 0; k < lengths.size(); ++k) lengths[k] += by * trim.metres[k];
      if (too_short()) return false;
      place_along();
      return out.stubs.empty() || stubs();
    };
    if (!lengthen(1.0)) return std::nullopt;
    // What the copper finally couples, its stubs sized again; should they
    // take back what the trims gave, the trims go.
    trim.after_db = coupling_departure_db(d, built, stack, out, &solved);
    if (trim.after_db < trim.before_db - 0.01)
      out.trims = trim.metres;
    else if (!lengthen(-1.0))
      return std::nullopt;
  }

  // Upper strip: port 1 at the left, port 4 at the right, both parting toward
  // +y; lower strip: ports 2 and 3, toward -y.
  const double half = b.port_spacing / 2.0;
  const double y1u = b.start_first / 2, ynu = b.start_last / 2;
  const FeedRun left_u{0.0, y1u, std::max(half, y1u), -1}, right_u{x, ynu, std::max(half, ynu), +1};
  const FeedRun left_l{0.0, -y1u, std::min(-half, -y1u), -1}, right_l{x, -ynu, std::min(-half, -ynu), +1};
  std::array<std::vector<Point>, 4> along;  // upper bottom and top, lower bottom and top
  for (int k = 0; k < 4; ++k) {
    along[static_cast<size_t>(k)] = coupler_edge(out.sections, out.junctions, k < 2, k % 2 == 1);
    if (along[static_cast<size_t>(k)].empty()) {
      error = "a section is too short for the jogs at its ends: their bends would overlap";
      return std::nullopt;
    }
  }
  for (const Stub& stub : out.stubs) {
    along[1] = with_stub(along[1], stub, +1.0);
    along[2] = with_stub(along[2], stub, -1.0);
  }
  out.upper = strip_outline(along[0], along[1], left_u, right_u, b, b.feed_width_upper);
  out.lower = strip_outline(along[2], along[3], left_l, right_l, b, b.feed_width_lower);
  auto port_end = [&](const FeedRun& r) { return Point{r.x_end + r.facing * b.length, r.y_port}; };
  out.ports = {{{1, port_end(left_u), true, b.feed_width_upper, -1},
                {2, port_end(left_l), false, b.feed_width_lower, -1},
                {3, port_end(right_l), false, b.feed_width_lower, +1},
                {4, port_end(right_u), true, b.feed_width_upper, +1}}};

  // The board runs from port end to port end, and across far enough beyond
  // the copper (three ground-plane spacings) for the field to have died away.
  double ylo = 0.0, yhi = 0.0;
  for (const Outline* o : {&out.upper, &out.lower})
    for (const Point& p : *o) {
      ylo = std::min(ylo, p.y);
      yhi = std::max(yhi, p.y);
    }
  const double margin = 3.0 * stack.b_m();
  const double x0 = -b.length, x1 = x + b.length;
  out.board = {{x0, ylo - margin}, {x1, ylo - margin}, {x1, yhi + margin}, {x0, yhi + margin}};
  // In millimetres, as the compensation's note always was: the notes are
  // drawn once, whatever unit the summary is later printed in.
  auto brief = [](double metres) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.4g mm", metres * 1e3);
    return std::string(buf);
  };
  for (const Junction& j : out.junctions) {
    const std::string where = "junction " + std::to_string(j.left) + "-" + std::to_string(j.right);
    const std::string halves = brief(j.path / 2.0) + " of line from each section";
    if (j.shape == JunctionShape::jog)
      out.notes.push_back("jog at " + where + ": " + brief(std::fabs(j.centre1 - j.centre0)) + " across over " +
                          brief(j.x1 - j.x0) + ", " + brief(j.width) + " wide, " + halves);
    else if (j.shape == JunctionShape::taper)
      out.notes.push_back(where + " tapered over " + brief(j.x1 - j.x0) + ", " + halves);
  }
  for (const Stub& stub : out.stubs) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "stub of %.3f pF on each strip at x = %.4g mm: %.4g mm wide, %.4g mm long",
                  stub.farads * 1e12, (stub.x0 + stub.x1) / 2.0 * 1e3, (stub.x1 - stub.x0) * 1e3, stub.length * 1e3);
    out.notes.push_back(buf);
  }
  if (b.bend_radius > 0.0)
    out.notes.push_back("smooth breakouts: the feeds' bends rounded to a radius of " + brief(b.bend_radius) +
                        ", parting over " + brief(parting_extent(rise, b.bend_radius)));
  if (choice.shortens_ends()) {
    // A lone section carries both ends' cuts; otherwise each end section one.
    const bool lone = first.section == last.section;
    const std::string other = lone ? "" : "section " + std::to_string(last.section) + " by ";
    char buf[200];
    std::snprintf(buf, sizeof buf, "compensated: section %d shortened by %.4g mm and %s%.4g mm for %s",
                  first.section, b.shortened_first * 1e3, other.c_str(), b.shortened_last * 1e3,
                  lone ? "the breakouts at its ends" : "their breakouts");
    out.notes.push_back(buf);
  }
  if (!out.trims.empty()) {
    std::string each;
    for (size_t k = 0; k < trim.metres.size(); ++k) {
      if (trim.metres[k] == 0.0) continue;
      char buf[64];
      std::snprintf(buf, sizeof buf, ", section %d by %+.4g mm", out.sections[k].section, trim.metres[k] * 1e3);
      each += buf;
    }
    char buf[120];
    std::snprintf(buf, sizeof buf, "; its copper couples within %.2f dB of the design's coupling (%.2f untrimmed)",
                  trim.after_db, trim.before_db);
    out.notes.push_back("compensated: lengths trimmed" + each + buf);
  }
  if (b.spacing_given)
    out.notes.push_back("port spacing as given: the feeds couple " +
                        (b.feed_coupling_db < faintest_coupling_db
                             ? "below " + std::to_string(static_cast<int>(faintest_coupling_db)) + " dB"
                             : "by " + std::to_string(static_cast<int>(std::lround(b.feed_coupling_db))) + " dB"));
  return out;
}

}  // namespace quill
