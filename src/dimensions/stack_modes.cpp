#include "dimensions/stack_modes.hpp"

#include <cmath>
#include <limits>
#include <numbers>

namespace quill {

namespace {

constexpr double nan_d = std::numeric_limits<double>::quiet_NaN();

/// Free-space wave impedance mu0 c: Z = eta0 / sqrt(C C0) with C over eps0.
constexpr double eta0 = vacuum_permeability * light_speed;

double mode_capacitance(const SectionCharges& q, const std::vector<double>& v) {
  double sum = 0.0, norm = 0.0;
  for (int i = 0; i < q.conductors; ++i) {
    norm += v[static_cast<size_t>(i)] * v[static_cast<size_t>(i)];
    for (int j = 0; j < q.conductors; ++j)
      sum += v[static_cast<size_t>(i)] * q.at(i, j) * v[static_cast<size_t>(j)];
  }
  return sum / norm;
}

/// The same strips with every wall receded by `dn` metres (negative: grown):
/// the strips narrower and thinner by 2 dn, the planes dn farther out.
/// Only the vacuum capacitance is wanted of it, so the layers merge into one.
LayeredSection receded(const Stackup& stack, const std::vector<BoardStrip>& strips, double dn) {
  const double b = stack.b_m() + 2.0 * dn;
  double below = 0.0;
  for (int k = 0; k < stack.strips_layer; ++k) below += stack.layers[static_cast<size_t>(k)].thickness_m;
  const double y0 = (below + dn) / b, y1 = (below + stack.s_m() + dn) / b;
  const double t = (stack.copper_m - 2.0 * dn) / b;
  LayeredSection s;
  s.tops = {1.0};
  s.er = {1.0};
  for (const BoardStrip& strip : strips) {
    const double left = (strip.left_m + dn) / b, right = (strip.right_m - dn) / b;
    if (strip.upper) {
      s.conductors.push_back({left, right, y1 + dn / b, y1 + dn / b + t});
    } else {
      s.conductors.push_back({left, right, y0 - dn / b - t, y0 - dn / b});
    }
  }
  return s;
}

}  // namespace

LayeredSection board_section(const Stackup& stack, const std::vector<BoardStrip>& strips) {
  LayeredSection s;
  const double b = stack.b_m();
  double height = 0.0;
  for (const StackLayer& l : stack.layers) {
    height += l.thickness_m;
    s.tops.push_back(height / b);
    s.er.push_back(l.er);
  }
  // The strips' faces lie on the boundaries exactly, and the last boundary is the plane.
  s.tops.back() = 1.0;
  const double y0 = stack.strips_layer > 0 ? s.tops[static_cast<size_t>(stack.strips_layer - 1)] : 0.0;
  const double y1 = s.tops[static_cast<size_t>(stack.strips_layer)];
  const double t = stack.copper_m / b;
  for (const BoardStrip& strip : strips) {
    const double left = strip.left_m / b, right = strip.right_m / b;
    if (strip.upper) {
      s.conductors.push_back({left, right, y1, y1 + t});
    } else {
      s.conductors.push_back({left, right, y0 - t, y0});
    }
  }
  return s;
}

ModeFigures board_mode(const Stackup& stack, const std::vector<BoardStrip>& strips,
                       const std::vector<double>& volts, bool losses, SectionResolution res) {
  ModeFigures m;
  m.c = m.c0 = m.z = m.eeff = m.dc0_dn = nan_d;
  LayeredSection s = board_section(stack, strips);
  const SectionCharges q = solve_section(s, res);
  LayeredSection vacuum = s;
  for (double& e : vacuum.er) e = 1.0;
  const SectionCharges q0 = solve_section(vacuum, res);
  if (!q.ok || !q0.ok) return m;
  m.c = mode_capacitance(q, volts);
  m.c0 = mode_capacitance(q0, volts);
  m.z = eta0 / std::sqrt(m.c * m.c0);
  m.eeff = m.c / m.c0;
  if (!losses) return m;

  const SectionCharges sens = solve_section(s, res, {volts});
  if (!sens.ok) return m;
  for (size_t k = 0; k < s.er.size(); ++k)
    m.filling.push_back(s.er[k] * sens.mode_dc[0][k] / sens.mode_c[0]);

  if (stack.copper_m > 0.0) {
    // A small recession, central differences: the rule is the limit dn -> 0.
    const double dn = stack.copper_m * 1e-2;
    const SectionCharges in = solve_section(receded(stack, strips, dn), res);
    const SectionCharges out = solve_section(receded(stack, strips, -dn), res);
    if (in.ok && out.ok) m.dc0_dn = (mode_capacitance(in, volts) - mode_capacitance(out, volts)) / (2.0 * dn);
  }
  return m;
}

PairModes stack_pair_modes(const Stackup& stack, double w_m, double w0_m, bool losses,
                           SectionResolution res) {
  PairModes p;
  const std::vector<BoardStrip> strips = {{-w0_m / 2 - w_m / 2, -w0_m / 2 + w_m / 2, false},
                                          {w0_m / 2 - w_m / 2, w0_m / 2 + w_m / 2, true}};
  const LayeredSection s = board_section(stack, strips);
  LayeredSection vacuum = s;
  for (double& e : vacuum.er) e = 1.0;
  const SectionCharges q = solve_section(s, res);
  const SectionCharges q0 = solve_section(vacuum, res);
  if (!q.ok || !q0.ok) return p;
  const std::vector<double> even = {1.0, 1.0}, odd = {1.0, -1.0};
  for (auto [mode, v] : {std::pair{&p.even, &even}, std::pair{&p.odd, &odd}}) {
    mode->c = mode_capacitance(q, *v);
    mode->c0 = mode_capacitance(q0, *v);
    mode->z = eta0 / std::sqrt(mode->c * mode->c0);
    mode->eeff = mode->c / mode->c0;
    mode->dc0_dn = nan_d;
  }
  p.asymmetry = (q.at(0, 0) - q.at(1, 1)) / (q.at(0, 0) + q.at(1, 1));
  p.ok = std::isfinite(p.even.z) && std::isfinite(p.odd.z);
  if (!losses || !p.ok) return p;

  const SectionCharges sens = solve_section(s, res, {even, odd});
  if (!sens.ok) return p;
  for (int k = 0; k < 2; ++k) {
    ModeFigures& mode = k == 0 ? p.even : p.odd;
    for (size_t l = 0; l < s.er.size(); ++l)
      mode.filling.push_back(s.er[l] * sens.mode_dc[static_cast<size_t>(k)][l] /
                             sens.mode_c[static_cast<size_t>(k)]);
  }
  if (stack.copper_m > 0.0) {
    const double dn = stack.copper_m * 1e-2;
    const SectionCharges in = solve_section(receded(stack, strips, dn), res);
    const SectionCharges out = solve_section(receded(stack, strips, -dn), res);
    if (in.ok && out.ok) {
      p.even.dc0_dn = (mode_capacitance(in, even) - mode_capacitance(out, even)) / (2.0 * dn);
      p.odd.dc0_dn = (mode_capacitance(in, odd) - mode_capacitance(out, odd)) / (2.0 * dn);
    }
  }
  return p;
}

double conductor_loss(const ModeFigures& m, const Stackup& stack, double f_hz) {
  if (!(stack.copper_m > 0.0)) return 0.0;
  const double rs = std::sqrt(std::numbers::pi * f_hz * vacuum_permeability / stack.conductivity);
  // L = mu0 / C0 per metre (C0 over eps0), so dL/dn = -mu0 dC0/dn / C0^2 and
  // R = (Rs / mu0) dL/dn = -Rs dC0/dn / C0^2.
  const double r = -rs * m.dc0_dn / (m.c0 * m.c0);
  return r / (2.0 * m.z);
}

double dielectric_loss(const ModeFigures& m, const Stackup& stack, double f_hz) {
  double share = 0.0;
  for (size_t k = 0; k < m.filling.size() && k < stack.layers.size(); ++k)
    share += m.filling[k] * stack.layers[k].tan_delta;
  return std::numbers::pi * f_hz / light_speed * std::sqrt(m.eeff) * share;
}

}  // namespace quill
