#pragma once
/// The picture of an analysed coupler's sweep: a zoomed coupling panel that
/// shows the ripple, over a panel with all four port levels on one dB scale.

#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

/// One sweep point. Levels are 20 log10 |S| in dB (negative numbers); a NaN
/// level leaves a gap in its curve.
struct ResponsePoint {
  float freq;         ///< MHz
  float coupled_db;   ///< |S21|
  float isolated_db;  ///< |S31|
  float through_db;   ///< |S41|
  float return_db;    ///< |S11|
  /// Coupling of the ideal design the plotted one was built from, for a
  /// design built in a board; NaN (no curve) otherwise.
  float ideal_coupled_db = std::numeric_limits<float>::quiet_NaN();
};

/// What the design was synthesised for; left unset for a design entered by
/// its section values, which has no nominal band or coupling.
struct ResponseMarks {
  bool synthesised = false;
  float flow = 0, fhigh = 0;  ///< band edges, MHz
  float coupling_db = 0;      ///< nominal coupling C, a positive number
  float ripple_db = 0;        ///< allowed ripple R about it
};

/// Lowest level the all-ports panel shows: an ideal coupler's -200 dB
/// isolation would otherwise squash every other curve into a line.
inline constexpr float kResponseFloorDb = -80;

/// The response plot as a complete SVG document; `title` heads it (the design
/// name, say), the sweep, the design marks and `settings` (the analysis
/// settings in words, if any) make the subtitle.
std::string response_plot_svg(const std::vector<ResponsePoint>& points, const ResponseMarks& marks,
                              std::string_view title, std::string_view settings = {});

}  // namespace quill
