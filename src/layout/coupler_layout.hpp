#pragma once
/// The coupler as copper: every section's strips as rectangles on the two
/// strip layers, butting end to end, and at each end the breakouts where the
/// strips part for the four ports. One drawing, from which every artwork file
/// and the full-wave model are written.
///
/// Top view, lengths in metres: x runs along the coupler from section 1 (at
/// x = 0) to section n, y across it from the centre line. The upper strip
/// (on the strips layer's upper face) lies at +W0/2, the lower at -W0/2.
/// Port 1 is the upper strip's left end, port 2 the lower strip's left end,
/// port 3 the lower strip's right end, port 4 the upper strip's right end,
/// as in the report and the Touchstone file.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/design.hpp"
#include "common/stackup.hpp"
#include "dimensions/stack_strips.hpp"

namespace quill {

struct Point {
  double x = 0, y = 0;
};

/// A closed outline, counter-clockwise, without repeating its first point.
using Outline = std::vector<Point>;

/// One section's two rectangles.
struct SectionCopper {
  int section = 0;
  double x0 = 0, x1 = 0;              ///< ends along the coupler
  double upper_y0 = 0, upper_y1 = 0;  ///< across: the upper strip's edges
  double lower_y0 = 0, lower_y1 = 0;  ///< the lower strip's edges
  double width = 0, offset = 0;       ///< as refined
};

/// What joins two neighbouring sections' straight copper.
enum class JunctionShape {
  step,   ///< the rectangles butt: a square step across
  taper,  ///< each edge runs straight from one section's corner to the next's
  jog,    ///< the strips do not overlap across: a slanted piece of strip
};

/// The copper between two sections' straight runs, on both layers (the
/// lower strip's is the upper's mirror across the centre line). A taper or
/// a jog takes the length of its centre line half out of each neighbour's
/// straight copper, so each section keeps its designed length of line.
struct Junction {
  int left = 0, right = 0;      ///< the sections' numbers
  JunctionShape shape = JunctionShape::step;
  double x0 = 0, x1 = 0;        ///< along: the left section's straight end, the right one's start
  double centre0 = 0, centre1 = 0;  ///< the upper strip's centre line across at x0 and at x1
  double path = 0;              ///< the centre line's length from x0 to x1
  /// A jog's strip width square to its slant: the wider of the two strips,
  /// so that nowhere is the copper narrower than the narrower one.
  double width = 0;
};

/// The end of a feed: where a connector or the next line meets it.
struct PortEnd {
  int number = 0;    ///< 1 to 4
  Point at;          ///< the middle of the feed's end
  bool upper = false;  ///< on the upper strip's layer
  double width = 0;  ///< the feed's width there
  int facing = 0;    ///< -1: the feed leaves to the left (-x), +1 to the right
};

/// How the strips part at the ends.
struct Breakouts {
  double feed_width_upper = 0;  ///< Zo alone at the upper strip's height
  double feed_width_lower = 0;
  double port_spacing = 0;      ///< centre to centre across, at the port ends
  double length = 0;            ///< along x, from the coupler's end to a port end
  double lead = 0;              ///< straight run before the first bend
  /// The feeds' centres apart across where they leave the first section
  /// and the last.
  double start_first = 0, start_last = 0;
  double feed_coupling_db = 0;  ///< the parted feeds' coupling to each other
  /// The coupling a breakout adds on its own (the two feeds as a short coupled
  /// line of their own, tapering apart) at the centre frequency, and the most
  /// over the band where the design has one, dB.
  double breakout_coupling_db = 0;
  double breakout_coupling_max_db = 0;
  bool spacing_given = false, length_given = false;
  /// The feeds' two bends are circular arcs of this radius (their centre
  /// lines') instead of mitred corners; 0 without smooth partings.
  double bend_radius = 0;
  /// What compensation took off the first and last sections' lengths for
  /// the coupling their breakouts add (0 without it).
  double shortened_first = 0, shortened_last = 0;
};

/// A stub on each strip's outer edge: from x0 to x1 along, reaching out
/// `length` (the upper strip's toward +y, the lower's toward -y), each
/// `farads` to ground.
struct Stub {
  double x0 = 0, x1 = 0, length = 0, farads = 0;
};

struct CouplerLayout {
  std::vector<SectionCopper> sections;  ///< each section's straight copper
  std::vector<Stub> stubs;              ///< capacitive stubs at the steps, if any
  std::vector<Junction> junctions;      ///< between sections k and k + 1, section 1's first
  Outline upper, lower;     ///< each layer's copper as one outline
  Outline board;            ///< the board's edge
  std::array<PortEnd, 4> ports;
  Breakouts breakouts;
  double coupler_length = 0;  ///< x of the last section's end
  /// What compensation's trim added to each section's straight copper
  /// (negative: took off), metres; empty without it.
  std::vector<double> trims;
  std::vector<std::string> notes;  ///< what an engineer should know of the drawing
};

/// What the command line may set instead of the field solver.
struct LayoutChoice {
  std::optional<double> breakout_length;  ///< metres
  std::optional<double> port_spacing;     ///< metres
  /// Every correction for what the copper adds to the design: shorten the
  /// end sections by the coupled length their breakouts add (the feeds
  /// leave the coupler still coupled, tapering apart, and that tail of
  /// coupling otherwise lengthens the end sections); taper the steps
  /// between sections; part the feeds along smooth curves; stand a
  /// capacitive stub at each step for the odd mode's excess delay there;
  /// trim each section's length for what remains of the coupling.
  bool compensate = false;
  /// Which of those corrections compensation makes: all by default; a
  /// study takes them one at a time to see what each does.
  struct Corrections {
    bool ends = true, junctions = true, bends = true;
    /// Capacitive stubs at every step, sized to give back what the step
    /// delays the odd mode beyond the even (layout/copper_lines.hpp).
    bool stubs = true;
    /// Each section's length trimmed on the copper model so that the
    /// copper couples as the design does (layout/length_trim.hpp).
    bool lengths = true;
  } corrections;
  bool shortens_ends() const { return compensate && corrections.ends; }
  bool adds_stubs() const { return compensate && corrections.stubs; }
  bool tapers_junctions() const { return compensate && corrections.junctions; }
  bool rounds_bends() const { return compensate && corrections.bends; }
  bool trims_lengths() const { return compensate && corrections.lengths; }
  /// A tapered junction's length over the larger change of an edge across.
  double taper_length = 1.0;
  /// The unit the lengths were given in, for what is said of them: inches,
  /// metres (a script's), or millimetres.
  bool inches = false;
  bool metres = false;
};

/// Ports further apart across, or breakouts longer, than this many
/// ground-plane spacings are refused: the feeds' coupling, falling as
/// exp(-pi d / B), is gone more than 2,000 dB down long before, and such a
/// run is the board's routing, not the coupler's.
inline constexpr double breakout_limit_b = 100.0;

/// Couplings weaker than this are said in words ("below -99 dB"), not as
/// numbers: no bench measures them, and far apart they fall to hundreds of
/// decibels down and beyond.
inline constexpr double faintest_coupling_db = -99.0;

/// Lays out a design whose every section was built in `stack`. Fails (with
/// the reason, one sentence, in `error`) for a declined section, ports
/// closer than the feeds leave the coupler or further apart than the limit,
/// a breakout too short for its bends (or, compensated, for a smooth
/// parting) or longer than the limit, or junctions and compensation that
/// would take half a section's length or more.
std::optional<CouplerLayout> lay_out_coupler(const CouplerDesign& d, const StackDesign& built,
                                             const Stackup& stack, const LayoutChoice& choice,
                                             std::string& error);

}  // namespace quill
