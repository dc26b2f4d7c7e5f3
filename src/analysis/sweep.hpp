#pragma once
/// The frequency sweep: four-port response of the coupler at each analysis
/// frequency, printed one data line per point.

#include <array>
#include <optional>
#include <string>
#include <type_traits>

#include "analysis/twoport.hpp"
#include "common/design.hpp"
#include "common/report_out.hpp"

namespace quill {

/// Response at one frequency, RF input at port 1; ports 2, 3, 4 are the
/// coupled, isolated and through ports.
struct PortResponse {
  std::array<float, 4> port{};   ///< |S11|, |S21|, |S31|, |S41|
  std::array<float, 4> angle{};  ///< their phases, degrees, (-180, 180]
  float vswr = 0;
  float rl = 0;     ///< 20 log10 |S11|, dB
  float cpld = 0;   ///< coupled level, dB, floored at -90
  float iso = 0;    ///< isolated level, dB, floored at -90
  float loss = 0;   ///< through level, dB
  float phi = 0;    ///< phase difference of ports 2 and 4, degrees, [0, 180)
  float error = 0;  ///< phi - 90
};

/// The response of design `d` at `freq` MHz.
PortResponse port_response(const CouplerDesign& d, float freq);

/// The full scattering matrix of the coupler, ports numbered as the report
/// numbers them: 1 input, 2 coupled, 3 isolated, 4 through. s[i][j] is the
/// wave leaving port i+1 for a unit wave into port j+1, (re, im), normalised
/// to Zo. Column 1 holds exactly the waves the report's response is made of;
/// ports 3 and 4 see the cascade from the other end, so their reflection and
/// near-end coupling come from the reversed cascade.
struct FourPort {
  std::array<std::array<Complex, 4>, 4> s{};
};
FourPort four_port(const CouplerDesign& d, float freq);

/// The response from a four-port matrix's first column: bit for bit what
/// port_response(d, freq) gives at the frequency `f` was formed at, without
/// forming the cascade again. A front end that keeps the matrix derives the
/// report's quantities from it only when they are asked for.
PortResponse port_response(const FourPort& f);

/// Phase difference of the coupled and through ports folded into [0, 180)
/// degrees, and its deviation from quadrature.
void quadrature(float angle2, float angle4, float& phi, float& error);

/// Number of sweep points for a range and step; 0 when none is analysed.
int sweep_points(float fstart, float fstop, float deltaf);

/// The most points a script or the command line may ask of one sweep: ten
/// million points are already gigabytes of Touchstone text or of arrays, and
/// a count beyond it is a slip of a unit or a step.
inline constexpr double max_sweep_points = 10000001;

/// Why a sweep of the command line or the module cannot be run (it has no
/// points, or more than max_sweep_points), in one sentence naming its
/// values; nullopt for a sweep to run. The dialogue keeps its own rules.
std::optional<std::string> sweep_fault(float fstart, float fstop, float deltaf);

/// Calls f(freq) for every point of the sweep of `s`, in order: `fstart`,
/// then each step added to the last frequency, as many points as
/// sweep_points counts. An f that returns bool ends the sweep by returning false.
template <class F>
void for_each_frequency(const AnalysisSettings& s, F&& f) {
  const int kk = sweep_points(s.fstart, s.fstop, s.deltaf);
  // Count-driven: a step too small to move freq in single precision repeats
  // the same frequency but still ends after kk points.
  float freq = s.fstart;
  for (int k = 0; k < kk; ++k) {
    if constexpr (std::is_same_v<decltype(f(freq)), bool>) {
      if (!f(freq)) return;
    } else {
      f(freq);
    }
    freq = freq + s.deltaf;  // accumulated, so rounding builds up over the sweep
  }
}

/// Appends the data line of one point in print format `iprint` (1 or 2).
void append_data_line(std::string& out, int iprint, float freq, const PortResponse& r);

/// Runs the whole sweep of `s` over `d`, writing one data line per point. A
/// console that can no longer be written ends it, and so does having nowhere
/// left to write.
void run_sweep(ReportOut& out, const CouplerDesign& d, const AnalysisSettings& s);

}  // namespace quill
