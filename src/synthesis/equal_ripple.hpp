#pragma once
/// Equal-ripple and maximally flat synthesis of TEM coupled-line couplers of
/// quarter-wave sections: any coupling level, ripple and band, not only the
/// tabulated ones. The sections are a quarter wave long at the arithmetic
/// band centre f0 = (flow + fhigh)/2 and matched (zoo = 1/zoe).

#include <array>
#include <string>

#include "synthesis/coupling_model.hpp"

namespace quill {

enum class CouplerForm { symmetrical, asymmetrical };

/// What the coupler has to do.
struct RippleRequest {
  CouplerForm form = CouplerForm::symmetrical;
  double level_db = 10;    ///< coupling level C, 3..30 dB
  double ripple_db = 0.3;  ///< R: 0 (maximally flat) or 0.01..1.5 dB
  double flow_mhz = 0, fhigh_mhz = 0;  ///< band, fhigh > flow > 0
  /// 0: the smallest section count that fits; otherwise that count
  /// (symmetrical: odd 1..15, asymmetrical: 2..12).
  int sections = 0;
  /// R == 0: the band counts as covered while |coupling - C| stays within this (dB).
  double flat_tolerance_db = 0.1;
};

/// A designed coupler and what it does over the requested band.
struct RippleDesign {
  int n = 0;
  std::array<float, max_ripple_sections> zoe{};  ///< normalised zoe, section 1 at port 1 (zoo = 1/zoe)
  double deviation_db = 0;        ///< max |coupling - C| over the band: the ripple reached
  double min_db = 0, max_db = 0;  ///< coupling extremes over the band
};

struct RippleResult {
  enum Status { designed, no_fit, bad_request } status = bad_request;
  /// designed: the design. no_fit: the design of the largest section count
  /// (for bands so wide that its impedances cannot be extracted, of the
  /// largest count that could be).
  RippleDesign design;
  double best_deviation_db = 0;  ///< no_fit: the ripple that design reaches over the band
  std::string reason;            ///< bad_request: which value is wrong and its range
};

/// Designs the coupler of `request`. With a ripple, the equal-ripple (minimax)
/// design over the band of the smallest section count whose deviation stays
/// within the ripple (or of the given count); with ripple 0, the maximally
/// flat design at f0 of the smallest count that stays within the flat
/// tolerance over the band. Every design is checked against the double
/// model on a fine grid before it is returned.
RippleResult synthesize_equal_ripple(const RippleRequest& request);

/// Section counts the engine designs.
inline constexpr int max_symmetrical_sections = 15;   ///< odd counts 1..15
inline constexpr int max_asymmetrical_sections = 12;  ///< 2..12

/// Impedances of one design, or why there are none.
struct SectionDesign {
  bool realised = false;      ///< false: no impedances could be extracted
  SectionImpedances zoe{};    ///< section 1 at port 1; symmetrical designs are exactly mirrored
  double ripple_db = 0;       ///< the ripple the method promises (0 for maximally flat)
};

/// The equal-ripple design of n sections for `level_db` over the band
/// f0 (1 - half_width) .. f0 (1 + half_width), 0 < half_width < 1.
/// Symmetrical designs need odd n <= 15, asymmetrical ones 2 <= n <= 12.
SectionDesign equal_ripple_sections(CouplerForm form, int n, double level_db, double half_width);

/// Just the ripple that design reaches, without extracting impedances.
double equal_ripple_deviation(CouplerForm form, int n, double level_db, double half_width);

/// The maximally flat design of n sections: the coupling is `level_db` at f0
/// with as many derivatives there vanishing as the sections allow.
SectionDesign maximally_flat_sections(CouplerForm form, int n, double level_db);

/// The half width at which n sections' equal-ripple deviation equals
/// `ripple_db` (> 0): the widest band n sections cover with that ripple.
double equal_ripple_half_width(CouplerForm form, int n, double level_db, double ripple_db);

}  // namespace quill
