#include "layout/copper_lines.hpp"

#include <algorithm>
#include <cmath>

#include "analysis/band_figures.hpp"
#include "dimensions/stack_modes.hpp"
#include "layout/feed_shape.hpp"

namespace quill {

namespace {

/// Loss per metre at 1 GHz of one mode of a section, from its figures in dB
/// per inch at the section's centre frequency.
struct MetreLoss {
  double cond = 0, diel = 0;
};

struct Builder {
  const Stackup& stack;
  double zo = 0;
  SolvedSections* solved = nullptr;
  CopperLines out;

  /// A piece of `length` metres of the pair whose modes are `m`.
  void add(const PairModes& m, double length, const std::array<MetreLoss, 2>& loss) {
    auto piece = [&](const ModeFigures& f, const MetreLoss& l) {
      return ModeLine{f.z, length * std::sqrt(f.eeff) / light_speed, l.cond * length, l.diel * length};
    };
    out.lines.even.push_back(piece(m.even, loss[0]));
    out.lines.odd.push_back(piece(m.odd, loss[1]));
  }

  /// The cross-section under `key` from `kept` where it was solved
  /// before, else `solve`d (and kept, given somewhere to keep it).
  template <class Key, class Solve>
  PairModes once(std::map<Key, PairModes>* kept, const Key& key, Solve solve) {
    if (kept != nullptr)
      if (const auto at = kept->find(key); at != kept->end()) return at->second;
    const PairModes m = solve();
    if (kept != nullptr) (*kept)[key] = m;
    return m;
  }

  /// The two feeds, `w_upper` and `w_lower` wide, their centres `spacing`
  /// apart across, the upper toward +y.
  PairModes feeds(double w_upper, double w_lower, double spacing) {
    return once(solved ? &solved->feeds : nullptr, std::array{w_upper, w_lower, spacing}, [&] {
      const std::vector<BoardStrip> strips = {{-spacing / 2 - w_lower / 2, -spacing / 2 + w_lower / 2, false},
                                              {spacing / 2 - w_upper / 2, spacing / 2 + w_upper / 2, true}};
      PairModes m;
      m.even = board_mode(stack, strips, {1.0, 1.0}, false);
      m.odd = board_mode(stack, strips, {1.0, -1.0}, false);
      out.solves += 2;
      m.ok = m.even.z > 0 && m.odd.z > 0 && std::isfinite(m.even.z) && std::isfinite(m.odd.z);
      return m;
    });
  }

  PairModes strips(double width, double offset) {
    return once(solved ? &solved->strips : nullptr, std::array{width, offset}, [&] {
      ++out.solves;
      return stack_pair_modes(stack, width, offset);
    });
  }

  /// A step from line `a` to line `b`: an empty T in each mode's chain,
  /// and what a kappa of 1 delays there. At an end (`end` the section
  /// there) the parting takes each mode from the section's impedance to Zo
  /// of the feeds apart: that whole change weighs, not the first slice's.
  void step(const PairModes& a, const PairModes& b, const PairModes* end) {
    StepPlace p;
    p.end = end != nullptr;
    p.at = {out.lines.even.size(), out.lines.odd.size()};
    const std::array<const ModeFigures*, 2> left = {&a.even, &a.odd}, right = {&b.even, &b.odd};
    for (size_t m = 0; m < 2; ++m) {
      p.z_ohm[m] = std::sqrt(left[m]->z * right[m]->z);
      const double eeff = (left[m]->eeff + right[m]->eeff) / 2.0;
      const double change = end != nullptr ? std::log((m == 0 ? end->even.z : end->odd.z) / zo)
                                           : std::log(left[m]->z / right[m]->z);
      p.delay_s[m] = std::fabs(change) * stack.b_m() * std::sqrt(eeff) / light_speed;
    }
    out.lines.even.push_back({});
    out.lines.odd.push_back({});
    out.steps.push_back(p);
  }
};

std::array<MetreLoss, 2> metre_loss(const StackSection& s) {
  const double root = std::sqrt(1000.0 / s.f0_mhz), ratio = 1000.0 / s.f0_mhz;
  const double per = 1.0 / db_per_inch_per_neper_per_metre;
  return {{{s.cond_even * per * root, s.diel_even * per * ratio}, {s.cond_odd * per * root, s.diel_odd * per * ratio}}};
}

/// One breakout's pieces of coupled feed, from the coupler's end out to
/// its port plane: the lead at the start spacing, the parting in pieces
/// short against the board's spacing B (where the coupling changes
/// fastest), the run out. Empty where a cross-section cannot be solved.
struct FeedPiece {
  PairModes modes;
  double length = 0;
};
std::vector<FeedPiece> breakout(Builder& at, const Breakouts& b, double start) {
  const double rise = std::max(0.0, std::max(b.port_spacing, start) - start) / 2.0;
  const double parted =
      b.lead + (rise > 0.0 ? (b.bend_radius > 0.0 ? parting_extent(rise, b.bend_radius) : rise) : 0.0);
  std::vector<double> u = {0.0, b.lead};
  const double step = at.stack.b_m() / 8.0;
  const int n = static_cast<int>(std::ceil((parted - b.lead) / step));
  for (int i = 1; i <= n; ++i) u.push_back(b.lead + (parted - b.lead) * i / n);
  if (b.length > u.back()) u.push_back(b.length);
  std::vector<FeedPiece> out;
  for (size_t i = 0; i + 1 < u.size(); ++i) {
    if (!(u[i + 1] > u[i])) continue;
    const double v0 = risen(b, rise, u[i]), v1 = risen(b, rise, u[i + 1]);
    const double mid = risen(b, rise, (u[i] + u[i + 1]) / 2.0);
    const PairModes m = at.feeds(b.feed_width_upper, b.feed_width_lower, start + 2.0 * mid);
    if (!m.ok) return {};
    out.push_back({m, std::hypot(u[i + 1] - u[i], v1 - v0)});
  }
  return out;
}

/// A taper's or a jog's copper between two sections, in slices across.
bool junction(Builder& at, const Junction& j, const SectionCopper& a, const SectionCopper& c,
              const std::array<MetreLoss, 2>& loss, const PairModes& left, const PairModes& right) {
  const double along = j.x1 - j.x0;
  if (j.shape == JunctionShape::step || !(along > 0.0)) {
    at.step(left, right, nullptr);
    return true;
  }
  // Even, so that the step sits between two slices, half the taper each side.
  const int n = 2 * std::max(2, static_cast<int>(std::ceil(along / (at.stack.b_m() / 16.0))));
  for (int i = 0; i < n; ++i) {
    if (i == n / 2) at.step(left, right, nullptr);
    const double t = (i + 0.5) / n;
    double width = 0, centre = j.centre0 + (j.centre1 - j.centre0) * t;
    if (j.shape == JunctionShape::jog) {
      width = j.width * j.path / along;  // the slanted strip cut along x
    } else {
      const double y0 = a.upper_y0 + (c.upper_y0 - a.upper_y0) * t, y1 = a.upper_y1 + (c.upper_y1 - a.upper_y1) * t;
      width = y1 - y0;
      centre = (y0 + y1) / 2.0;
    }
    const PairModes m = at.strips(width, 2.0 * centre);
    if (!m.ok) return false;
    at.add(m, j.path / n, loss);
  }
  return true;
}

}  // namespace

void delay_steps(CopperLines& c, const StepKappas& k) {
  std::array<std::vector<ModeLine>*, 2> lines = {&c.lines.even, &c.lines.odd};
  for (const StepPlace& p : c.steps)
    for (size_t m = 0; m < 2; ++m) {
      const std::array<double, 2> kappa = p.end ? std::array{k.end_even, k.end_odd}
                                                : std::array{k.junction_even, k.junction_odd};
      ModeLine& t = (*lines[m])[p.at[m]];
      const double tau = kappa[m] * p.delay_s[m];
      t.series_h = p.z_ohm[m] * tau;
      t.shunt_f = tau / p.z_ohm[m] + p.stub_f;
    }
}

namespace {

/// Each step's stub, in units of `typical` farads, sized by a few rounds of
/// search one step at a time (from `own`, every step's own excess, all
/// scaled alike) to what gives the copper the most directivity from `flo`
/// to `fhi` MHz with a return loss of 25 dB or more: a loose coupler's many
/// small steps would otherwise reflect more than they give back, and in a
/// board whose modes' speeds differ a section's own odd excess is given
/// back too, at its ends. Steps that mirror each other keep equal stubs,
/// so that a mirrored coupler stays mirrored. All nought where together
/// they give less than a decibel: not worth their copper.
std::vector<double> stub_scales(CopperLines& lines, const StepKappas& k, const std::vector<double>& own,
                                double typical, double zo, double flo, double fhi) {
  std::vector<double> scale(own.size(), 0.0);
  auto figures = [&]() {
    for (size_t i = 0; i < own.size(); ++i) lines.steps[i].stub_f = scale[i] * typical;
    delay_steps(lines, k);
    return band_figures([&](double f) { return mode_lines_matrix(lines.lines, zo, f); }, flo, fhi, 41);
  };
  // What a choice of stubs counts for: its directivity, if it keeps 25 dB
  // of return loss.
  auto directivity = [&]() {
    const BandFigures f = figures();
    return f.return_loss_db >= 25.0 ? f.directivity_db : -INFINITY;
  };
  auto mirror = [&](size_t i) {
    const size_t j = own.size() - 1 - i;
    const StepPlace &a = lines.steps[i], &b = lines.steps[j];
    const bool alike = a.end == b.end && std::fabs(a.z_ohm[0] - b.z_ohm[0]) < 1e-6 * zo &&
                       std::fabs(a.z_ohm[1] - b.z_ohm[1]) < 1e-6 * zo;
    return alike ? j : i;
  };
  const double bare = figures().directivity_db;
  double best = bare;
  std::vector<double> uniform = scale;
  for (int n = 1; n <= 30; ++n) {
    for (size_t i = 0; i < own.size(); ++i) scale[i] = n / 20.0 * own[i] / typical;
    if (const double got = directivity(); got > best + 0.01) {
      best = got;
      uniform = scale;
    }
  }
  scale = uniform;
  for (int round = 0; round < 4; ++round) {
    bool moved = false;
    for (size_t i = 0; i < own.size(); ++i) {
      const size_t j = mirror(i);
      if (j < i) continue;
      double chosen = scale[i];
      for (int n = 0; n <= 40; ++n) {
        scale[i] = scale[j] = n / 20.0;
        if (const double got = directivity(); got > best + 0.01) {
          best = got;
          chosen = scale[i];
          moved = true;
        }
      }
      scale[i] = scale[j] = chosen;
    }
    if (!moved) break;
  }
  if (best < bare + 1.0) std::fill(scale.begin(), scale.end(), 0.0);
  return scale;
}

}  // namespace

std::string place_stubs(const CouplerDesign& d, const StackDesign& built, const Stackup& stack, CouplerLayout& layout,
                        SolvedSections* solved) {
  layout.stubs.clear();
  CopperPieces pieces;
  pieces.solved = solved;
  pieces.conductor_loss = pieces.dielectric_loss = false;
  CopperLines lines = copper_lines(d, built, stack, layout, pieces);
  if (!lines.ok) return lines.error;
  const Breakouts& b = layout.breakouts;
  const double width = std::min(b.feed_width_upper, b.feed_width_lower) / 3.0;
  // A strip that wide alone on each face: its capacitance per metre.
  double per = INFINITY;
  for (const bool upper : {false, true}) {
    const ModeFigures f = board_mode(stack, {{-width / 2.0, width / 2.0, upper}}, {1.0}, false);
    if (!(f.z > 0.0) || !std::isfinite(f.z)) return "a stub's strip could not be solved in " + stack.name;
    per = std::min(per, std::sqrt(f.eeff) / (f.z * light_speed));
  }
  // Each step's own capacitance, from its odd excess.
  const StepKappas k = pieces.kappas.value_or(board_kappas(stack));
  std::vector<double> own(lines.steps.size(), 0.0);
  for (size_t i = 0; i < lines.steps.size(); ++i) {
    const StepPlace& p = lines.steps[i];
    const double excess = (p.end ? k.end_odd : k.junction_odd) * p.delay_s[1] -
                          (p.end ? k.end_even : k.junction_even) * p.delay_s[0];
    const double apart = p.z_ohm[0] - p.z_ohm[1];
    if (excess > 0.0 && apart > 1e-3 * d.z0) own[i] = 2.0 * excess / apart;
  }
  double typical = 0.0;
  for (double c : own) typical = std::max(typical, c);
  if (!(typical > 0.0)) return {};
  const auto [flo, fhi] = copper_band(d);
  const std::vector<double> scale = stub_scales(lines, k, own, typical, d.z0, flo, fhi);
  for (size_t i = 0; i < own.size(); ++i) {
    const StepPlace& p = lines.steps[i];
    Stub stub;
    stub.farads = scale[i] * typical;
    stub.length = stub.farads / per;
    if (!(stub.length >= 1e-6)) continue;  // under a micrometre: no stub
    // At an end the stub stands on the section, clear of the feeds.
    stub.x0 = p.x <= 0.0 ? 0.0 : p.x >= layout.coupler_length ? p.x - width : p.x - width / 2.0;
    stub.x1 = stub.x0 + width;
    if (stub.length > 3.0 * stack.b_m())
      return "a stub of " + std::to_string(stub.farads * 1e12) + " pF would reach out more than three ground-plane "
             "spacings from the step at x = " + std::to_string(p.x * 1e3) + " mm";
    layout.stubs.push_back(stub);
  }
  return {};
}

CopperLines copper_lines(const CouplerDesign& d, const StackDesign& built, const Stackup& stack,
                         const CouplerLayout& layout, const CopperPieces& pieces) {
  Builder at{stack, d.z0, pieces.solved, {}};
  const size_t n = layout.sections.size();
  if (n == 0 || built.sections.size() != n || d.n != static_cast<int>(n)) {
    at.out.error = "the layout is not of this design";
    return at.out;
  }
  std::vector<std::array<MetreLoss, 2>> loss(n);
  for (size_t k = 0; k < n; ++k) {
    loss[k] = metre_loss(built.sections[k]);
    for (MetreLoss& l : loss[k]) {
      if (!pieces.conductor_loss) l.cond = 0.0;
      if (!pieces.dielectric_loss) l.diel = 0.0;
    }
  }
  std::vector<PairModes> section(n);
  for (size_t k = 0; k < n; ++k) {
    const StackSection& s = built.sections[k];
    section[k].even.z = s.strips.zoe_field;
    section[k].odd.z = s.strips.zoo_field;
    section[k].even.eeff = s.eeff_even;
    section[k].odd.eeff = s.eeff_odd;
  }
  const Breakouts& b = layout.breakouts;
  std::vector<FeedPiece> left, right;
  if (pieces.breakouts) {
    left = breakout(at, b, b.start_first);
    right = breakout(at, b, b.start_last);
    if (left.empty() || right.empty()) {
      at.out.error = "the feeds where they leave the coupler could not be solved in " + stack.name;
      return at.out;
    }
    // Laid out from port 1 on: the left breakout runs from its port plane in.
    for (size_t k = left.size(); k-- > 0;) at.add(left[k].modes, left[k].length, loss.front());
    at.step(left.front().modes, section.front(), &section.front());
    at.out.steps.back().x = 0.0;
  }
  // Without its copper a junction's line goes back to the sections it was
  // taken from.
  std::vector<double> length(n);
  for (size_t k = 0; k < n; ++k) length[k] = layout.sections[k].x1 - layout.sections[k].x0;
  if (!pieces.junctions)
    for (size_t k = 0; k + 1 < n; ++k) {
      length[k] += layout.junctions[k].path / 2.0;
      length[k + 1] += layout.junctions[k].path / 2.0;
    }
  for (size_t k = 0; k < n; ++k) {
    at.out.sections.push_back({at.out.lines.even.size(), at.out.lines.odd.size()});
    at.add(section[k], length[k], loss[k]);
    if (k + 1 == n) break;
    const Junction& j = layout.junctions[k];
    if (!pieces.junctions) {
      at.step(section[k], section[k + 1], nullptr);
      at.out.steps.back().x = (j.x0 + j.x1) / 2.0;
      continue;
    }
    std::array<MetreLoss, 2> mean;
    for (size_t i = 0; i < 2; ++i)
      mean[i] = {(loss[k][i].cond + loss[k + 1][i].cond) / 2, (loss[k][i].diel + loss[k + 1][i].diel) / 2};
    if (!junction(at, j, layout.sections[k], layout.sections[k + 1], mean, section[k], section[k + 1])) {
      at.out.error = "the junction of sections " + std::to_string(k + 1) + " and " + std::to_string(k + 2) +
                     " could not be solved in " + stack.name;
      return at.out;
    }
    at.out.steps.back().x = (j.x0 + j.x1) / 2.0;
  }
  if (pieces.breakouts) {
    at.step(section.back(), right.front().modes, &section.back());
    at.out.steps.back().x = layout.coupler_length;
    for (const FeedPiece& p : right) at.add(p.modes, p.length, loss.back());
  }
  // Each stub at the step it stands at.
  for (const Stub& stub : layout.stubs) {
    StepPlace* nearest = nullptr;
    for (StepPlace& p : at.out.steps)
      if (nearest == nullptr || std::fabs(p.x - (stub.x0 + stub.x1) / 2.0) < std::fabs(nearest->x - (stub.x0 + stub.x1) / 2.0))
        nearest = &p;
    if (nearest != nullptr) nearest->stub_f += stub.farads;
  }
  delay_steps(at.out, pieces.kappas.value_or(board_kappas(stack)));
  at.out.ok = true;
  return at.out;
}

}  // namespace quill
