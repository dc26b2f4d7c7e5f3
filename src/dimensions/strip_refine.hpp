#pragma once
/// Strip dimensions refined with the field solver: starting from the better
/// of the two closed-form solutions, width and offset are adjusted until the
/// field solution has the section's even- and odd-mode impedances. The
/// closed forms are checked on the way, so the report can say which holds.
/// Lengths in inches, impedances in ohms, all in double precision.

#include <functional>
#include <string>
#include <vector>

#include "common/design.hpp"
#include "dimensions/field_solver.hpp"

namespace quill {

/// Largest relative impedance error a refined geometry may keep.
inline constexpr double strip_tolerance = 5e-4;

/// One closed-form geometry and what the field solver finds for it.
struct ClosedFormCheck {
  double width_in = 0;     ///< NaN when the closed form has no solution
  double offset_in = 0;    ///< NaN when the closed form has no solution
  double zoe = 0;          ///< field-solved even-mode impedance, NaN without geometry
  double zoo = 0;          ///< field-solved odd-mode impedance, NaN without geometry
  double zoe_error_pct = 0;  ///< (field - wanted) / wanted * 100
  double zoo_error_pct = 0;
};

/// What became of one section.
enum class StripOutcome {
  offset,      ///< offset strips with both impedances
  superposed,  ///< superposed strips (offset 0) with both impedances
  none,        ///< no strips at this spacing have both impedances
};

/// One coupled section's strips.
struct SectionStrips {
  int section = 0;            ///< 1-based
  double zoe = 0;             ///< wanted even-mode impedance
  double zoo = 0;             ///< wanted odd-mode impedance, Zo^2 / Zoe
  StripOutcome outcome = StripOutcome::none;
  bool found = false;         ///< a geometry within strip_tolerance
  double width_in = 0;        ///< NaN without geometry
  double offset_in = 0;       ///< NaN without geometry
  double zoe_field = 0;       ///< field-solved impedances of that geometry
  double zoo_field = 0;
  double residual = 0;        ///< larger relative error of the two; NaN without geometry
  int iterations = 0;         ///< refinement steps taken
  int evaluations = 0;        ///< field solutions spent on this section
  double largest_s_in = 0;    ///< without geometry: the largest S that has one; else NaN
  std::string note;           ///< what was done, or why nothing could be
  ClosedFormCheck tight;      ///< tight-coupling closed form (total overlap for a superposed centre)
  ClosedFormCheck loose;      ///< loose-coupling closed form
  bool superposed_asked = false;  ///< the centre was asked for superposed strips
  double superposed_width_in = 0; ///< superposed strips with the wanted Zoe (NaN if none)
  double superposed_zoo = 0;      ///< the odd-mode impedance those strips reach
  double superposed_coupling_db = 0;  ///< and their coupling
};

/// The plain strip of impedance Zo at the coupled strips' height.
struct PlainStrip {
  double zo = 0;
  bool found = false;
  double width_in = 0;       ///< NaN without a solution
  double z_field = 0;        ///< field-solved impedance of that width
  double residual = 0;
  int iterations = 0;
  std::string note;
  double closed_form_width_in = 0;  ///< the loose closed form's plain strip
  double closed_form_z = 0;         ///< field-solved impedance of that width
  double closed_form_error_pct = 0;
};

/// How offset strips are searched for. Newton from the better closed form is
/// quick and is the normal way; where it stalls, nested one-dimensional
/// searches take over, slower but sure. Asking for those alone checks one
/// against the other.
enum class StripSearch { newton_first, nested_only };

/// Even- and odd-mode impedances of strips of width w offset w0, both in
/// units of the ground-plane spacing B.
using PairModel = std::function<ModeImpedances(double w, double w0)>;

/// What strips are refined in: the field solution of the pair, and the same
/// board with another strip spacing S/B (to name the largest S a section
/// without strips could have), with the permittivity the closed forms start
/// from and the spacings in inches.
struct StripBoard {
  PairModel modes;
  std::function<PairModel(double sb)> with_spacing;
  double er = 1;
  double s = 0, b = 0;
  /// Solve the closed forms' own geometries too, to say which of them holds.
  bool check_closed_forms = true;
};

/// Zero-thickness strips in one dielectric, solved by the moment method.
StripBoard ideal_board(double er, double s, double b);

/// Offset strips for a section of even-mode impedance `zoe` in a system of
/// `zo` ohms (odd mode Zo^2 / Zoe) on `board`.
SectionStrips refine_offset_section(double zoe, double zo, const StripBoard& board,
                                    StripSearch search = StripSearch::newton_first);
SectionStrips refine_superposed_section(double zoe, double zo, const StripBoard& board);

/// Every section of a design on `board`; `icenter` 1 asks for superposed
/// strips in the centre section n/2 + 1.
std::vector<SectionStrips> refine_sections(const CouplerDesign& d, const StripBoard& board, int icenter);

/// Offset strips for a section of even-mode impedance `zoe` in a system of
/// `zo` ohms (odd mode Zo^2 / Zoe), dielectric `er`, strip spacing `s` and
/// ground-plane spacing `b`.
SectionStrips refine_offset_section(double zoe, double zo, double er, double s, double b,
                                    StripSearch search = StripSearch::newton_first);

/// The centre section asked for superposed strips: the width whose even mode
/// is `zoe`, and the coupling those strips reach. Where that coupling is not
/// the section's, the geometry that has it is given instead: offset strips
/// when superposed ones couple too tightly, none (with the largest S) when
/// they couple too loosely.
SectionStrips refine_superposed_section(double zoe, double zo, double er, double s,
                                        double b);

/// Single strip of impedance `zo` at height (b - s) / 2, the strips' height.
PlainStrip refine_plain_strip(double zo, double er, double s, double b);

/// The strip spacing at which superposed strips with even mode `zoe` have odd
/// mode Zo^2 / Zoe: the field-solved Smax. Offset strips exist only below it.
/// NaN when the search fails.
double superposed_limit_s(double zoe, double zo, double er, double b);

/// Every section of a design and its plain strip. Section impedances of the
/// design are normalised to its Zo; `icenter` 1 asks for superposed strips in
/// the centre section n/2 + 1.
struct DesignStrips {
  std::vector<SectionStrips> sections;
  PlainStrip plain;
};
DesignStrips refine_design(const CouplerDesign& d, double b, double s, int icenter);

/// Coupling in dB of even and odd impedances, -20 log10(|Zoe - Zoo| / (Zoe + Zoo)).
double coupling_db(double zoe, double zoo);

}  // namespace quill
