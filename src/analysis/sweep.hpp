#pragma once
/// The frequency sweep: four-port response of the coupler at each analysis
/// frequency, printed one data line per point.

#include <array>
#include <string>

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

/// Phase difference of the coupled and through ports folded into [0, 180)
/// degrees, and its deviation from quadrature.
void quadrature(float angle2, float angle4, float& phi, float& error);

/// Number of sweep points for a range and step; 0 when none is analysed.
int sweep_points(float fstart, float fstop, float deltaf);

/// Appends the data line of one point in print format `iprint` (1 or 2).
void append_data_line(std::string& out, int iprint, float freq, const PortResponse& r);

/// Runs the whole sweep of `s` over `d`, writing one data line per point.
void run_sweep(ReportOut& out, const CouplerDesign& d, const AnalysisSettings& s);

}  // namespace quill
