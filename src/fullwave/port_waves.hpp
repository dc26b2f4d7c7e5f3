#pragma once
/// From what openEMS measured at the ports to the scattering matrix: the
/// probes' time signals, their spectra at the sweep's frequencies, and the
/// waves a = (U + Zo I) / 2 into and b = (U - Zo I) / 2 out of each port.

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

/// One port's voltage and current (into the coupler) spectra.
struct PortSpectra {
  std::vector<Cx> u, i;
};

/// Column `excited` (0-based) of S at every frequency, from the spectra of
/// all four ports measured with that port driven.
void fill_column(const std::array<PortSpectra, 4>& ports, int excited, double zo, std::vector<SMatrix>& s);

}  // namespace quill
