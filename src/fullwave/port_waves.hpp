#pragma once
/// From what openEMS measured on the feeds to the scattering matrix: the
/// probes' time signals, their spectra at the sweep's frequencies, the waves
/// they separate into, and those waves moved back to the port planes.

#include <array>
#include <complex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

using Cx = std::complex<double>;
using SMatrix = std::array<std::array<Cx, 4>, 4>;

/// A probe's time signal: openEMS's text file, '%' comment lines, then time
/// and value columns. Nothing when the text holds no samples or a line is
/// not two numbers.
struct ProbeSignal {
  std::vector<double> t, v;
};
std::optional<ProbeSignal> read_probe(std::string_view text);

/// The signal's spectrum at each frequency: sum of v(t) exp(-j 2 pi f t) dt.
std::vector<Cx> spectrum(const ProbeSignal& s, const std::vector<double>& f_hz);

/// What one port's feed measured, as spectra: the voltage at its three
/// probe planes (nearest the coupler first) and the outward current at the
/// two planes between them.
struct FeedSpectra {
  std::array<std::vector<Cx>, 3> v;
  std::array<std::vector<Cx>, 2> i;
};

/// The uniform line the probes lie on, at one frequency: its propagation
/// constant times the step between voltage planes, and its impedance.
struct FeedLine {
  Cx gamma_step;
  Cx impedance;
};

/// The line under probes `v` (three voltages a step apart) and `i` (the
/// outward currents half way between them): exact for any waves on a
/// uniform line, as V(-s) + V(s) = 2 V(0) cosh(gamma s).
FeedLine feed_line(const std::array<Cx, 3>& v, const std::array<Cx, 2>& i);

/// The waves at a feed's middle voltage plane: `out` travelling away from
/// the coupler, `in` toward it, as voltages (their sum is V there).
struct FeedWaves {
  Cx out, in;
};
FeedWaves feed_waves(const std::array<Cx, 3>& v, Cx gamma_step);

/// Where each port's feed is, for the waves: its layer, the step between its
/// voltage planes, and how far its middle probe plane lies beyond its port
/// plane, metres.
struct FeedPlace {
  bool upper = false;
  double step = 0;
  double back = 0;
};

/// The waves at the four port planes in one run at one frequency, as power
/// waves on each feed's own impedance: `a` into the coupler, `b` out of it.
struct PortWaves {
  std::array<Cx, 4> a{}, b{};
};

/// The waves at the port planes at every frequency, from the feeds' spectra
/// of one run. Each layer's line is read where its wave is strongest (the
/// line is the same under both its feeds, and a quiet port's probes carry
/// more of the mesh's noise); each feed's waves are moved back by it.
std::vector<PortWaves> port_plane_waves(const std::array<FeedSpectra, 4>& feeds,
                                        const std::array<FeedPlace, 4>& places);

}  // namespace quill
