#include "fullwave/port_waves.hpp"

#include <charconv>
#include <cmath>
#include <numbers>

namespace quill {

namespace {

bool number(std::string_view& text, double& out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  const auto res = std::from_chars(text.data(), text.data() + text.size(), out);
  if (res.ec != std::errc()) return false;
  text.remove_prefix(static_cast<size_t>(res.ptr - text.data()));
  return true;
}

}  // namespace

std::optional<ProbeSignal> read_probe(std::string_view text) {
  ProbeSignal s;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.empty() || line.front() == '%') continue;
    double t = 0, v = 0;
    if (!number(line, t) || !number(line, v)) return std::nullopt;
    s.t.push_back(t);
    s.v.push_back(v);
  }
  if (s.t.size() < 2) return std::nullopt;
  return s;
}

std::vector<Cx> spectrum(const ProbeSignal& s, const std::vector<double>& f_hz) {
  std::vector<Cx> out;
  const double dt = s.t[1] - s.t[0];
  for (double f : f_hz) {
    // The phasor advances by a fixed step each sample: one exponential a frequency.
    const Cx step = std::polar(1.0, -2.0 * std::numbers::pi * f * dt);
    Cx phase = std::polar(1.0, -2.0 * std::numbers::pi * f * s.t[0]), sum = 0.0;
    for (size_t k = 0; k < s.v.size(); ++k) {
      sum += s.v[k] * phase;
      phase *= step;
      if (k % 1024 == 1023) phase /= std::abs(phase);  // no drift over long runs
    }
    out.push_back(sum * dt);
  }
  return out;
}

FeedLine feed_line(const std::array<Cx, 3>& v, const std::array<Cx, 2>& i) {
  Cx gs = std::acosh((v[0] + v[2]) / (2.0 * v[1]));
  // Of the two roots, the wave that advances in phase outward, or where the
  // line is more loss than phase, the one that decays outward.
  if (std::fabs(gs.imag()) > std::fabs(gs.real()) ? gs.imag() < 0.0 : gs.real() < 0.0) gs = -gs;
  const FeedWaves w = feed_waves(v, gs);
  // The currents half way: I(-s/2) + I(s/2) = 2 cosh(gamma s / 2) (out - in) / Z.
  return {gs, 2.0 * std::cosh(gs / 2.0) * (w.out - w.in) / (i[0] + i[1])};
}

FeedWaves feed_waves(const std::array<Cx, 3>& v, Cx gamma_step) {
  // V(s) = out exp(-gamma s) + in exp(gamma s) at s = -step and +step.
  const Cx e = std::exp(gamma_step), twice = 2.0 * std::sinh(2.0 * gamma_step);
  return {(v[0] * e - v[2] / e) / twice, (v[2] * e - v[0] / e) / twice};
}

std::vector<PortWaves> port_plane_waves(const std::array<FeedSpectra, 4>& feeds,
                                        const std::array<FeedPlace, 4>& places) {
  auto at = [&](size_t j, size_t f) {
    return std::make_pair(std::array<Cx, 3>{feeds[j].v[0][f], feeds[j].v[1][f], feeds[j].v[2][f]},
                          std::array<Cx, 2>{feeds[j].i[0][f], feeds[j].i[1][f]});
  };
  std::vector<PortWaves> waves(feeds[0].v[0].size());
  for (size_t f = 0; f < waves.size(); ++f) {
    // Each layer's propagation constant per metre, and impedance.
    std::array<FeedLine, 2> line;
    for (const bool upper : {false, true}) {
      size_t loudest = 4;
      for (size_t j = 0; j < 4; ++j)
        if (places[j].upper == upper &&
            (loudest == 4 || std::abs(feeds[j].v[1][f]) > std::abs(feeds[loudest].v[1][f])))
          loudest = j;
      const auto [v, i] = at(loudest, f);
      line[upper ? 1 : 0] = feed_line(v, i);
      line[upper ? 1 : 0].gamma_step /= places[loudest].step;
    }
    for (size_t j = 0; j < 4; ++j) {
      const FeedLine& l = line[places[j].upper ? 1 : 0];
      const FeedWaves w = feed_waves(at(j, f).first, l.gamma_step * places[j].step);
      const Cx back = std::exp(l.gamma_step * places[j].back), norm = std::sqrt(l.impedance);
      waves[f].b[j] = w.out * back / norm;
      waves[f].a[j] = w.in / back / norm;
    }
  }
  return waves;
}

}  // namespace quill
