#include "layout/coupler_layout.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

#include "dimensions/stack_modes.hpp"
#include "layout/feed_lines.hpp"

namespace quill {

namespace {

/// The parted feeds couple by no more than this, dB.
constexpr double feed_coupling_limit_db = -40.0;

Point add(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point scaled(Point a, double s) { return {a.x * s, a.y * s}; }

bool mirror_stacked(const Stackup& s) {
  const size_t n = s.layers.size();
  if (static_cast<size_t>(s.strips_layer) * 2 + 1 != n) return false;
  for (size_t k = 0; k < n; ++k)
    if (s.layers[k].thickness_m != s.layers[n - 1 - k].thickness_m || s.layers[k].er != s.layers[n - 1 - k].er)
      return false;
  return true;
}

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

/// Centre line of a feed from the coupler's end at (x_end, y_end) out to its
/// port end, `side` +1 parting toward +y, `facing` -1 leaving to the left:
/// a straight lead, a 45 degree bend, a diagonal run to the port's line
/// across, a second 45 degree bend and a straight run to the end. Ordered
/// from the port end when leaving to the left, from the coupler otherwise,
/// so that x always grows along it.
std::vector<Point> feed_path(double x_end, double y_end, double y_port, int facing, const Breakouts& b) {
  const double rise = std::fabs(y_port - y_end);
  std::vector<Point> out;
  if (rise <= 0.0) {
    out = {{x_end, y_end}, {x_end + facing * b.length, y_end}};
  } else {
    out = {{x_end, y_end},
           {x_end + facing * b.lead, y_end},
           {x_end + facing * (b.lead + rise), y_port},
           {x_end + facing * b.length, y_port}};
  }
  if (facing < 0) std::reverse(out.begin(), out.end());
  return out;
}

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

/// One strip's copper: its left feed, its sections and its right feed, as
/// one counter-clockwise outline (bottom edge left to right, top edge back).
Outline strip_outline(const std::vector<SectionCopper>& sections, bool upper, const std::vector<Point>& left,
                      const std::vector<Point>& right, double feed_width) {
  const double h = feed_width / 2.0;
  const std::vector<Point> left_bottom = offset_edge(left, -h), left_top = offset_edge(left, h);
  const std::vector<Point> right_bottom = offset_edge(right, -h), right_top = offset_edge(right, h);
  std::vector<Point> bottom = left_bottom, top;
  for (const SectionCopper& s : sections) {
    const double y = upper ? s.upper_y0 : s.lower_y0;
    bottom.push_back({s.x0, y});
    bottom.push_back({s.x1, y});
  }
  bottom.insert(bottom.end(), right_bottom.begin(), right_bottom.end());
  top = left_top;
  for (const SectionCopper& s : sections) {
    const double y = upper ? s.upper_y1 : s.lower_y1;
    top.push_back({s.x0, y});
    top.push_back({s.x1, y});
  }
  top.insert(top.end(), right_top.begin(), right_top.end());
  std::vector<Point> ring = bottom;
  ring.insert(ring.end(), top.rbegin(), top.rend());
  return cleaned(ring);
}

/// A breakout's two feeds as a short coupled line of their own: their
/// coupling coefficient k, field-solved at a few spacings from where they
/// leave the coupler to where they run parallel, and their mean effective
/// permittivity.
struct BreakoutProfile {
  std::vector<double> k;
  double start = 0, end = 0;  ///< spacings across, centre to centre
  double eeff = 0;

  double k_at(double s) const {
    const int n = static_cast<int>(k.size());
    if (end == start) return k[0];
    const double u = std::clamp((s - start) / (end - start), 0.0, 1.0) * (n - 1);
    const int i = std::min(static_cast<int>(u), n - 2);
    return k[static_cast<size_t>(i)] + (u - i) * (k[static_cast<size_t>(i) + 1] - k[static_cast<size_t>(i)]);
  }
};

BreakoutProfile breakout_profile(const Stackup& stack, const Breakouts& b, double start_spacing) {
  BreakoutProfile p;
  p.start = start_spacing;
  p.end = b.port_spacing;
  const int samples = 9;
  for (int i = 0; i < samples; ++i) {
    const double s = p.start + (p.end - p.start) * i / (samples - 1.0);
    const FeedCoupling f = feed_coupling(stack, b.feed_width_upper, b.feed_width_lower, s);
    p.k.push_back(f.k);
    p.eeff += f.eeff / samples;
  }
  return p;
}

/// The coupling the breakout adds at `f_hz`, weak enough for the first-order
/// result |c| = beta |integral k(x) exp(-2 j beta x) dx| along it, dB.
double breakout_coupling_db(const BreakoutProfile& p, const Breakouts& b, double f_hz) {
  // Spacing along the breakout: the lead, the diagonal (both feeds part at
  // 45 degrees, so the spacing grows twice as fast as x), the run out.
  auto spacing_at = [&](double x) {
    if (x <= b.lead) return p.start;
    return std::min(p.end, p.start + 2.0 * (x - b.lead));
  };
  const double beta = 2.0 * std::numbers::pi * f_hz * std::sqrt(p.eeff) / light_speed;
  const int steps = 2000;
  std::complex<double> sum = 0.0;
  for (int i = 0; i < steps; ++i) {
    const double x = (i + 0.5) * b.length / steps;
    sum += p.k_at(spacing_at(x)) * std::polar(1.0, -2.0 * beta * x);
  }
  const double c = beta * std::abs(sum) * b.length / steps;
  return 20.0 * std::log10(c);
}

/// The breakout's coupling as a length of line coupled by `k`: the integral
/// of its own coupling coefficient along it, over k. Weak coupling adds up
/// as the integral of k along the line, with its phase, so an end section
/// that much shorter couples with its breakout as the section alone would
/// (exactly at low frequencies, to first order across the band).
double breakout_coupled_length(const BreakoutProfile& p, const Breakouts& b, double k) {
  auto spacing_at = [&](double x) {
    if (x <= b.lead) return p.start;
    return std::min(p.end, p.start + 2.0 * (x - b.lead));
  };
  const int steps = 2000;
  double sum = 0.0;
  for (int i = 0; i < steps; ++i) sum += p.k_at(spacing_at((i + 0.5) * b.length / steps));
  return sum * b.length / steps / k;
}

/// Coupling coefficient of a section from its normalised impedances.
double coupling_coefficient(const Section& s) { return (s.zoe - s.zoo) / (s.zoe + s.zoo); }

}  // namespace

std::optional<CouplerLayout> lay_out_coupler(const CouplerDesign& d, const StackDesign& built,
                                             const Stackup& stack, const LayoutChoice& choice,
                                             std::string& error) {
  if (const int i = built.first_declined(); i != 0) {
    error = "section " + std::to_string(i) + " has no strips in " + stack.name + ", so no copper can be drawn: " +
            built.sections[static_cast<size_t>(i - 1)].note;
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
  // Neighbouring sections must overlap across, or a strip breaks where they meet.
  for (size_t k = 0; k + 1 < out.sections.size(); ++k) {
    const SectionCopper &a = out.sections[k], &b = out.sections[k + 1];
    if (!(a.upper_y1 > b.upper_y0 && b.upper_y1 > a.upper_y0)) {
      error = "sections " + std::to_string(a.section) + " and " + std::to_string(b.section) +
              " do not meet where they join: their offsets differ by more than their widths";
      return std::nullopt;
    }
  }

  Breakouts& b = out.breakouts;
  b.feed_width_upper = feed_width(stack, d.z0, true);
  // On a mirror-stacked board the two heights are one another's image.
  b.feed_width_lower = mirror_stacked(stack) ? b.feed_width_upper : feed_width(stack, d.z0, false);
  if (!std::isfinite(b.feed_width_upper) || !std::isfinite(b.feed_width_lower)) {
    error = "no strip in " + stack.name + " has Zo (" + std::to_string(d.z0) + " ohms) to feed the ports";
    return std::nullopt;
  }
  const double w_feed = std::max(b.feed_width_upper, b.feed_width_lower);
  b.spacing_given = choice.port_spacing.has_value();
  b.port_spacing = b.spacing_given ? *choice.port_spacing
                                   : feed_spacing(stack, b.feed_width_upper, b.feed_width_lower,
                                                  feed_coupling_limit_db);
  b.feed_coupling_db =
      20.0 * std::log10(std::fabs(feed_coupling(stack, b.feed_width_upper, b.feed_width_lower, b.port_spacing).k));
  // A feed leaves the coupler with its inner edge on the section's inner
  // edge, so that where it is wider than the strip it widens outward: the
  // two feeds never overlap more than the strips they continue. Where they
  // start apart, centre to centre, sets how far they must rise.
  const SectionCopper &first = out.sections.front(), &last = out.sections.back();
  auto start_spacing = [&](const SectionCopper& s) { return s.offset - s.width + w_feed; };
  const double closest = std::min(start_spacing(first), start_spacing(last));
  const double rise = std::max(0.0, (b.port_spacing - closest) / 2.0);
  // A short straight lead keeps the first bend's mitre off the junction.
  b.lead = w_feed / 2.0;
  const double least = b.lead + rise;
  b.length_given = choice.breakout_length.has_value();
  b.length = b.length_given ? *choice.breakout_length : least + 3.0 * w_feed;
  if (b.length < least) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "a breakout of %.4g mm cannot part the feeds %.4g mm apart: it needs at least %.4g mm",
                  b.length * 1e3, b.port_spacing * 1e3, least * 1e3);
    error = buf;
    return std::nullopt;
  }
  const BreakoutProfile profile = breakout_profile(stack, b, closest);
  b.breakout_coupling_db = breakout_coupling_db(profile, b, d.f0 * 1e6);
  b.breakout_coupling_max_db = b.breakout_coupling_db;
  if (d.synthesised()) {
    for (int i = 0; i <= 20; ++i) {
      const double f = (d.flow + (d.fhigh - d.flow) * i / 20.0) * 1e6;
      b.breakout_coupling_max_db = std::max(b.breakout_coupling_max_db, breakout_coupling_db(profile, b, f));
    }
  }

  if (choice.compensate) {
    b.shortened_first = breakout_coupled_length(breakout_profile(stack, b, start_spacing(first)), b,
                                                coupling_coefficient(d.sec(1)));
    b.shortened_last = breakout_coupled_length(breakout_profile(stack, b, start_spacing(last)), b,
                                               coupling_coefficient(d.sec(d.n)));
    std::vector<double> lengths;
    for (const SectionCopper& s : out.sections) lengths.push_back(s.x1 - s.x0);
    lengths.front() -= b.shortened_first;
    lengths.back() -= b.shortened_last;
    const double shortest = out.sections.size() == 1 ? (first.x1 - first.x0) : std::min(first.x1 - first.x0,
                                                                                        last.x1 - last.x0);
    if (std::max(b.shortened_first, b.shortened_last) * (out.sections.size() == 1 ? 2.0 : 1.0) >= shortest / 2.0) {
      char buf[200];
      std::snprintf(buf, sizeof buf,
                    "compensation cannot take %.4g mm off an end section %.4g mm long: its breakouts couple "
                    "nearly as much as it does",
                    std::max(b.shortened_first, b.shortened_last) * 1e3, shortest * 1e3);
      error = buf;
      return std::nullopt;
    }
    x = 0.0;
    for (size_t k = 0; k < out.sections.size(); ++k) {
      out.sections[k].x0 = x;
      out.sections[k].x1 = x = x + lengths[k];
    }
    out.coupler_length = x;
  }

  // Upper strip: port 1 at the left, port 4 at the right, both parting toward
  // +y; lower strip: ports 2 and 3, toward -y.
  const double half = b.port_spacing / 2.0;
  const double y1u = start_spacing(first) / 2, ynu = start_spacing(last) / 2;
  const std::vector<Point> left_u = feed_path(0.0, y1u, std::max(half, y1u), -1, b);
  const std::vector<Point> right_u = feed_path(x, ynu, std::max(half, ynu), +1, b);
  const std::vector<Point> left_l = feed_path(0.0, -y1u, std::min(-half, -y1u), -1, b);
  const std::vector<Point> right_l = feed_path(x, -ynu, std::min(-half, -ynu), +1, b);
  out.upper = strip_outline(out.sections, true, left_u, right_u, b.feed_width_upper);
  out.lower = strip_outline(out.sections, false, left_l, right_l, b.feed_width_lower);
  out.ports = {{{1, left_u.front(), true, b.feed_width_upper, -1},
                {2, left_l.front(), false, b.feed_width_lower, -1},
                {3, right_l.back(), false, b.feed_width_lower, +1},
                {4, right_u.back(), true, b.feed_width_upper, +1}}};

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
  if (choice.compensate) {
    // A lone section carries both ends' cuts; otherwise each end section one.
    const bool lone = first.section == last.section;
    const std::string other = lone ? "" : "section " + std::to_string(last.section) + " by ";
    char buf[200];
    std::snprintf(buf, sizeof buf, "compensated: section %d shortened by %.4g mm and %s%.4g mm for %s",
                  first.section, b.shortened_first * 1e3, other.c_str(), b.shortened_last * 1e3,
                  lone ? "the breakouts at its ends" : "their breakouts");
    out.notes.push_back(buf);
  }
  if (b.spacing_given)
    out.notes.push_back("port spacing as given: the feeds couple by " +
                        std::to_string(static_cast<int>(std::lround(b.feed_coupling_db))) + " dB");
  return out;
}

}  // namespace quill
