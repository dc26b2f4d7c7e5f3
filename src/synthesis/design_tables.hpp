#pragma once
/// The design-table store: tabulated maximally flat and equal-ripple TEM
/// coupler designs, looked up by section count, coupling level and ripple.
///
/// Indices are 1-based as in the engineering tables:
///   isect   N-index 1..10 (symmetrical: N = 2 isect - 1 for isect 2..5;
///           asymmetrical: N = isect for isect 2..6)
///   icoup   coupling-menu entry 1..10 (1..5 used)
///   iripple ripple index 1..20 (symmetrical 1..16, asymmetrical 1..8)
///   sect    section number 1..10

#include <array>
#include <cstddef>

namespace quill {

class DesignTables {
 public:
  float& ripple(int isect, int icoup, int iripple) { return ripple_[cell(isect, icoup, iripple)]; }
  float& tembw(int isect, int icoup, int iripple) { return tembw_[cell(isect, icoup, iripple)]; }
  float& zoe(int isect, int icoup, int iripple, int sect) {
    return zoe_[cell(isect, icoup, iripple) * 10 + static_cast<std::size_t>(sect - 1)];
  }
  float ripple(int isect, int icoup, int iripple) const { return ripple_[cell(isect, icoup, iripple)]; }
  float tembw(int isect, int icoup, int iripple) const { return tembw_[cell(isect, icoup, iripple)]; }
  float zoe(int isect, int icoup, int iripple, int sect) const {
    return zoe_[cell(isect, icoup, iripple) * 10 + static_cast<std::size_t>(sect - 1)];
  }

 private:
  static std::size_t cell(int isect, int icoup, int iripple) {
    return (static_cast<std::size_t>(isect - 1) * 10 + static_cast<std::size_t>(icoup - 1)) * 20 +
           static_cast<std::size_t>(iripple - 1);
  }
  std::array<float, 10 * 10 * 20> ripple_{};  // every cell 0 until a fill writes it
  std::array<float, 10 * 10 * 20> tembw_{};
  std::array<float, 10 * 10 * 20 * 10> zoe_{};
};

/// Writes every symmetrical-table value into its region of the store
/// (N-index 2..5, coupling 1..5, ripple 1..16, sections 1..N-index), each cell once.
void symzoe(DesignTables& t);

/// Writes every asymmetrical-table value into its region of the store
/// (N-index 2..6, coupling 1..5, ripple 1..8, sections 1..N-index), each cell once.
void asymzoe(DesignTables& t);

enum class TableKind { symmetrical, asymmetrical };

/// Ripple index of ripple-menu choice m. The symmetrical table is stepped in
/// 0.05 dB, so a 0.1 dB menu step skips one index; choices above 0.6 dB
/// saturate at the 0.6 dB index.
int ripple_index(TableKind kind, const DesignTables& t, int icoup, int m);

/// Outcome of the section-count search. When nothing covers the band,
/// `found` is false, `isect` is 0 and `n` is the table's limit (9 or 6).
struct SectionSearch {
  bool found;
  int isect;
  int n;
};

/// The smallest tabulated section count whose bandwidth covers `tembw1`
/// (fractional bandwidth for the symmetrical table, fhigh/flow for the
/// asymmetrical one); a stored bandwidth equal to the request covers it.
SectionSearch search_sections(TableKind kind, const DesignTables& t, int icoup, int iripple, float tembw1);

/// Mirrors the first half of a symmetrical row into sections isect+1..2 isect-1.
void complete_row(DesignTables& t, int isect, int icoup, int iripple);

}  // namespace quill
