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

void fill_column(const std::array<PortSpectra, 4>& ports, int excited, double zo, std::vector<SMatrix>& s) {
  for (size_t f = 0; f < s.size(); ++f) {
    const PortSpectra& e = ports[static_cast<size_t>(excited)];
    const Cx a = (e.u[f] + zo * e.i[f]) / 2.0;
    for (size_t j = 0; j < 4; ++j) {
      const Cx b = (ports[j].u[f] - zo * ports[j].i[f]) / 2.0;
      s[f][j][static_cast<size_t>(excited)] = b / a;
    }
  }
}

}  // namespace quill
