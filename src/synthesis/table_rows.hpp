#pragma once
/// One tabulated coupler design as the fills write it into the store, and the
/// two generated tables of such rows (tools/tablegen writes their sources).

#include <array>

namespace quill {

/// A design-table row: its indices, the ripple it swings by, the band it
/// covers and the normalised even-mode impedances of its stored sections
/// (1..isect; the remaining entries are 0 and never written).
struct TableRow {
  int isect;
  int icoup;
  int iripple;
  float ripple;                ///< dB
  float tembw;                 ///< fractional bandwidth (symmetrical) or fhigh/flow (asymmetrical)
  std::array<float, 6> zoe;    ///< zoe / Zo of sections 1..isect
};

/// N-index 2..5 x coupling 1..5 x ripple 1..16; rows hold the first half up
/// to and including the centre section.
extern const std::array<TableRow, 320> symmetrical_rows;

/// N-index 2..6 x coupling 1..5 x ripple 1..8; rows hold every section.
extern const std::array<TableRow, 200> asymmetrical_rows;

}  // namespace quill
