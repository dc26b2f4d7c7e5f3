#include "synthesis/design_tables.hpp"

#include <cmath>

#include "synthesis/table_rows.hpp"

namespace quill {
namespace {

template <size_t Rows>
void fill(DesignTables& t, const std::array<TableRow, Rows>& rows) {
  for (const TableRow& r : rows) {
    t.ripple(r.isect, r.icoup, r.iripple) = r.ripple;
    t.tembw(r.isect, r.icoup, r.iripple) = r.tembw;
    for (int s = 1; s <= r.isect; ++s) t.zoe(r.isect, r.icoup, r.iripple, s) = r.zoe[static_cast<size_t>(s - 1)];
  }
}

}  // namespace

void symzoe(DesignTables& t) { fill(t, symmetrical_rows); }

void asymzoe(DesignTables& t) { fill(t, asymmetrical_rows); }

int ripple_index(TableKind kind, const DesignTables& t, int icoup, int m) {
  if (kind == TableKind::asymmetrical) return m;
  // 20 table steps per dB, enlarged by 0.02 % so that a stored 0.05 dB
  // multiple that lands just below a whole step still rounds up to it.
  const float steps = 20.004002f * t.ripple(2, icoup, m);
  const int k = m + static_cast<int>(lroundf(steps));
  return k > 12 ? 12 : k;
}

SectionSearch search_sections(TableKind kind, const DesignTables& t, int icoup, int iripple, float tembw1) {
  const bool sym = kind == TableKind::symmetrical;
  const int first = sym ? 2 : 1;
  const int last = sym ? 5 : 6;
  // Bandwidths rise with N, so the first row that covers the request is the
  // smallest section count that will do.
  for (int isect = first; isect <= last; ++isect)
    if (t.tembw(isect, icoup, iripple) >= tembw1) return {true, isect, sym ? 2 * isect - 1 : isect};
  return {false, 0, sym ? 9 : 6};
}

void complete_row(DesignTables& t, int isect, int icoup, int iripple) {
  for (int i = 1; i <= isect - 1; ++i) t.zoe(isect, icoup, iripple, isect + i) = t.zoe(isect, icoup, iripple, isect - i);
}

}  // namespace quill
