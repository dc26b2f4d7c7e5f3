#pragma once
/// The full-wave answer beside the circuit model's: both scattering
/// matrices over the sweep as a Touchstone file (the full-wave one), a CSV
/// and a plot of the two, and a summary over the band.

#include <string>
#include <vector>

#include "common/design.hpp"
#include "fullwave/port_waves.hpp"

namespace quill {

/// Both models over the same frequencies, and the circuit model of the
/// copper (the design's sections with its breakouts and junctions as
/// lines, layout/copper_lines.hpp) where it could be made.
struct Comparison {
  std::vector<double> f_mhz;
  std::vector<SMatrix> fullwave, circuit, copper;
  double band_lo_mhz = 0, band_hi_mhz = 0;  ///< the band the summary is taken over
};

/// The circuit model's matrices of `d` at the comparison's frequencies.
std::vector<SMatrix> circuit_matrices(const CouplerDesign& d, const std::vector<double>& f_mhz);

/// What an engineer reads off each over the band.
struct BandSummary {
  double coupling_deviation_db = 0;  ///< largest |full-wave - circuit| coupling
  double coupling_lo_db = 0, coupling_hi_db = 0;  ///< full-wave coupling extremes
  double directivity_db = 0, circuit_directivity_db = 0;  ///< least coupled - isolated level
  double isolation_db = 0, circuit_isolation_db = 0;      ///< least -20 log |S31|
  double return_loss_db = 0, circuit_return_loss_db = 0;  ///< least -20 log |S11|
  double quadrature_error_deg = 0, circuit_quadrature_error_deg = 0;  ///< largest
  double coupling_at_centre_db = 0, circuit_coupling_at_centre_db = 0;
  /// The copper's circuit model, where the comparison has it: its coupling
  /// extremes and largest departure from the full-wave coupling, and its
  /// least directivity, isolation and return loss.
  bool has_copper = false;
  double copper_coupling_lo_db = 0, copper_coupling_hi_db = 0, copper_coupling_deviation_db = 0;
  double copper_directivity_db = 0, copper_isolation_db = 0, copper_return_loss_db = 0;
};
BandSummary band_summary(const Comparison& c, double centre_mhz);

/// The Touchstone 1.1 file of the full-wave matrix; `comments` (one a line)
/// name the design, the board and the mesh.
std::string fullwave_touchstone(const Comparison& c, const std::vector<std::string>& comments, double zo);

/// One row a frequency: each model's coupled, isolated, through and return
/// levels (dB) and quadrature error (degrees).
std::string comparison_csv(const Comparison& c);

/// The coupling zoomed, isolation and return loss, and quadrature error of
/// both models against frequency.
std::string comparison_svg(const Comparison& c, const std::string& title, const std::string& subtitle);

/// The summary in a few lines for standard output.
std::string summary_text(const BandSummary& s, const Comparison& c);

}  // namespace quill
