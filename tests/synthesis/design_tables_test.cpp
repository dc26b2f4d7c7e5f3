// Store, fills and lookup of the design tables.

#include "synthesis/design_tables.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace quill {
namespace {

constexpr float sentinel = -7.25f;

/// The store is large; keep it off the test's stack.
std::unique_ptr<DesignTables> fresh() { return std::make_unique<DesignTables>(); }

std::unique_ptr<DesignTables> filled_with_sentinel() {
  auto t = fresh();
  for (int is = 1; is <= 10; ++is)
    for (int ic = 1; ic <= 10; ++ic)
      for (int ir = 1; ir <= 20; ++ir) {
        t->ripple(is, ic, ir) = sentinel;
        t->tembw(is, ic, ir) = sentinel;
        for (int s = 1; s <= 10; ++s) t->zoe(is, ic, ir, s) = sentinel;
      }
  return t;
}

struct Region {
  int isect_lo, isect_hi, ripples;
  bool contains(int is, int ic, int ir) const {
    return is >= isect_lo && is <= isect_hi && ic >= 1 && ic <= 5 && ir >= 1 && ir <= ripples;
  }
};
constexpr Region sym_region{2, 5, 16};
constexpr Region asym_region{2, 6, 8};

/// Counts the cells that a fill changed and fails on any it touched outside its region.
void expect_exact_region(const DesignTables& t, Region r, int ripples, int tembws, int zoes) {
  int nr = 0, nb = 0, nz = 0;
  for (int is = 1; is <= 10; ++is)
    for (int ic = 1; ic <= 10; ++ic)
      for (int ir = 1; ir <= 20; ++ir) {
        const bool in = r.contains(is, ic, ir);
        if (t.ripple(is, ic, ir) != sentinel) {
          ++nr;
          EXPECT_TRUE(in) << is << ' ' << ic << ' ' << ir;
        }
        if (t.tembw(is, ic, ir) != sentinel) {
          ++nb;
          EXPECT_TRUE(in) << is << ' ' << ic << ' ' << ir;
          EXPECT_GT(t.tembw(is, ic, ir), 0.0f);
        }
        for (int s = 1; s <= 10; ++s)
          if (t.zoe(is, ic, ir, s) != sentinel) {
            ++nz;
            EXPECT_TRUE(in && s <= is) << is << ' ' << ic << ' ' << ir << ' ' << s;
            EXPECT_GE(t.zoe(is, ic, ir, s), 1.0f);
          }
      }
  EXPECT_EQ(nr, ripples);
  EXPECT_EQ(nb, tembws);
  EXPECT_EQ(nz, zoes);
}

TEST(DesignTableFill, SymmetricalWritesExactlyItsRegion) {
  auto t = filled_with_sentinel();
  symzoe(*t);
  expect_exact_region(*t, sym_region, 320, 320, 1120);
}

TEST(DesignTableFill, AsymmetricalWritesExactlyItsRegion) {
  auto t = filled_with_sentinel();
  asymzoe(*t);
  expect_exact_region(*t, asym_region, 200, 200, 800);
}

TEST(DesignTableFill, NIndexOneStaysZeroAfterBothFills) {
  auto t = fresh();
  symzoe(*t);
  asymzoe(*t);
  for (int ic = 1; ic <= 5; ++ic)
    for (int ir = 1; ir <= 20; ++ir) EXPECT_EQ(t->tembw(1, ic, ir), 0.0f);
}

TEST(DesignTableFill, LastFillWinsInTheOverlap) {
  auto t = fresh();
  symzoe(*t);
  asymzoe(*t);
  // The asymmetrical row of N-index 2 holds the N = 2 ratio 3.25 and both sections.
  EXPECT_EQ(t->tembw(2, 3, 4), 3.25f);
  EXPECT_EQ(t->ripple(2, 3, 4), 0.3f);
  EXPECT_EQ(t->zoe(2, 3, 4, 1), 1.54913f);
  EXPECT_EQ(t->zoe(2, 3, 4, 2), 1.13008f);
  // Symmetrical cells beyond the asymmetrical ripple range survive.
  EXPECT_EQ(t->ripple(5, 5, 16), 1.0f);
  symzoe(*t);
  EXPECT_EQ(t->tembw(2, 3, 7), 1.13986f);
  EXPECT_EQ(t->ripple(2, 3, 4), 0.15f);
}

TEST(DesignTableFill, PublishedValuesAreStoredExactly) {
  auto t = fresh();
  symzoe(*t);
  EXPECT_EQ(t->ripple(2, 1, 2), 0.05f);
  EXPECT_EQ(t->ripple(5, 5, 16), 1.0f);
  EXPECT_EQ(t->tembw(2, 3, 7), 1.13986f);
  EXPECT_EQ(t->zoe(3, 3, 7, 1), 1.05179f);
  EXPECT_EQ(t->zoe(3, 3, 7, 2), 1.19648f);
  EXPECT_EQ(t->zoe(3, 3, 7, 3), 1.96764f);
  EXPECT_EQ(t->zoe(5, 1, 7, 5), 5.79985f);
  EXPECT_EQ(t->tembw(5, 5, 11), 1.71247f);
  asymzoe(*t);
  EXPECT_EQ(t->ripple(2, 1, 8), 0.7f);
  EXPECT_EQ(t->tembw(3, 3, 1), 3.00001f);
  EXPECT_EQ(t->tembw(3, 1, 1), 3.000001f);
  EXPECT_EQ(t->tembw(6, 2, 3), 10.00001f);
  EXPECT_EQ(t->tembw(6, 3, 8), 14.72727f);
  EXPECT_EQ(t->zoe(3, 3, 1, 3), 1.029695f);
  EXPECT_EQ(t->zoe(6, 3, 1, 3), 1.198775f);
  EXPECT_EQ(t->zoe(6, 5, 4, 6), 1.01276f);
}

TEST(DesignTableFill, MirroredCellsSurviveAFill) {
  auto t = fresh();
  symzoe(*t);
  complete_row(*t, 3, 3, 7);
  symzoe(*t);
  asymzoe(*t);  // N-index 3 writes sections 1..3 only
  EXPECT_EQ(t->zoe(3, 3, 7, 4), 1.19648f);
  EXPECT_EQ(t->zoe(3, 3, 7, 5), 1.05179f);
}

TEST(DesignTableRows, CompletionMirrorsTheFirstHalf) {
  auto t = fresh();
  symzoe(*t);
  complete_row(*t, 3, 3, 7);
  EXPECT_EQ(t->zoe(3, 3, 7, 4), t->zoe(3, 3, 7, 2));
  EXPECT_EQ(t->zoe(3, 3, 7, 5), t->zoe(3, 3, 7, 1));
  EXPECT_EQ(t->zoe(3, 3, 7, 6), 0.0f);
  complete_row(*t, 5, 2, 12);
  for (int l = 1; l <= 9; ++l) EXPECT_EQ(t->zoe(5, 2, 12, l), t->zoe(5, 2, 12, 10 - l)) << l;
}

TEST(DesignTableLookup, RippleMenuMapping) {
  auto t = fresh();
  symzoe(*t);
  const int sym_expected[] = {1, 3, 5, 7, 9, 11, 12, 12, 12};
  for (int ic = 1; ic <= 5; ++ic)
    for (int m = 1; m <= 9; ++m) {
      EXPECT_EQ(ripple_index(TableKind::symmetrical, *t, ic, m), sym_expected[m - 1]) << ic << ' ' << m;
      EXPECT_EQ(ripple_index(TableKind::asymmetrical, *t, ic, m), m);
    }
}

TEST(DesignTableLookup, SymmetricalSearchAtDefaultLevelAndRipple) {
  auto t = fresh();
  symzoe(*t);
  const auto at = [&](float bw) { return search_sections(TableKind::symmetrical, *t, 3, 7, bw); };
  // The default band 4000..8000 MHz.
  const float default_band = (8000.0f - 4000.0f) / ((8000.0f + 4000.0f) * 0.5f);
  EXPECT_TRUE(at(default_band).found);
  EXPECT_EQ(at(default_band).n, 3);
  EXPECT_EQ(at(default_band).isect, 2);
  EXPECT_EQ(at(1.5f).n, 7);
  EXPECT_EQ(at(1.5f).isect, 4);
  EXPECT_FALSE(at(1.7f).found);
  EXPECT_EQ(at(1.7f).n, 9);
  // A stored bandwidth covers itself; the next float up needs more sections.
  EXPECT_EQ(at(1.42783f).n, 5);
  EXPECT_EQ(at(1.6656f).n, 9);
  EXPECT_EQ(at(std::nextafter(1.13986f, 2.0f)).n, 5);
  // 2000..20000 MHz.
  EXPECT_EQ(at(18000.0f / 11000.0f).n, 9);
  // Highest frequency not above the lowest.
  EXPECT_EQ(at(0.0f).n, 3);
  EXPECT_EQ(at(-0.4f).n, 3);
}

TEST(DesignTableLookup, AsymmetricalSearch) {
  auto t = fresh();
  asymzoe(*t);
  const auto at = [&](int ic, int ir, float r) { return search_sections(TableKind::asymmetrical, *t, ic, ir, r); };
  EXPECT_EQ(at(3, 4, 2.0f).n, 2);
  EXPECT_EQ(at(3, 4, 6.8f).n, 4);
  EXPECT_EQ(at(3, 4, 10.6f).n, 6);
  EXPECT_FALSE(at(3, 4, 11.0f).found);
  EXPECT_EQ(at(3, 4, 11.0f).n, 6);
  // Ratios of 1 or less: the empty N-index 1 row never covers, N = 2 does.
  EXPECT_EQ(at(3, 4, 1.0f).n, 2);
  EXPECT_EQ(at(1, 1, 0.5f).n, 2);
  // 2000..6000 MHz, maximally flat: the ratio is stored as 3.00001.
  EXPECT_EQ(at(3, 1, 6000.0f / 2000.0f).n, 3);
  EXPECT_EQ(at(3, 8, 14.72727f).n, 6);
  EXPECT_FALSE(at(3, 8, 14.8f).found);
}

TEST(DesignTableLookup, SymmetricalAfterAsymmetricalMatchesAFreshStart) {
  auto clean = fresh();
  symzoe(*clean);
  auto used = fresh();
  asymzoe(*used);
  symzoe(*used);
  asymzoe(*used);
  symzoe(*used);
  for (int ic = 1; ic <= 5; ++ic)
    for (int m = 1; m <= 9; ++m) {
      const int k = ripple_index(TableKind::symmetrical, *used, ic, m);
      EXPECT_EQ(k, ripple_index(TableKind::symmetrical, *clean, ic, m));
      for (float bw : {0.5f, 1.0f, 1.3f, 1.6f, 1.75f}) {
        const SectionSearch a = search_sections(TableKind::symmetrical, *used, ic, k, bw);
        const SectionSearch b = search_sections(TableKind::symmetrical, *clean, ic, k, bw);
        ASSERT_EQ(a.found, b.found);
        ASSERT_EQ(a.n, b.n);
        if (!a.found) continue;
        complete_row(*used, a.isect, ic, k);
        complete_row(*clean, b.isect, ic, k);
        for (int l = 1; l <= a.n; ++l) EXPECT_EQ(used->zoe(a.isect, ic, k, l), clean->zoe(b.isect, ic, k, l));
      }
    }
}

}  // namespace
}  // namespace quill
