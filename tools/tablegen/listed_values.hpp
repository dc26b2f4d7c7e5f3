#pragma once
/// The coupler design values that are published, as decimal text.

#include <array>
#include <vector>

namespace tablegen {

/// One line of a bandwidth table: the bandwidths of one coupling level and
/// section count across the ripple columns (unused trailing columns are null).
struct ListedBandwidths {
  int icoup;
  int isect;
  std::array<const char*, 8> tembw;
};

/// A fully published row: its bandwidth and section impedances (zoe / Zo).
struct ListedRow {
  int isect;
  int icoup;
  int iripple;
  const char* tembw;
  std::array<const char*, 6> zoe;
};

extern const std::vector<ListedBandwidths> symmetrical_bandwidths;
extern const std::vector<ListedRow> symmetrical_rows;
extern const std::vector<ListedBandwidths> asymmetrical_bandwidths;
extern const std::vector<ListedRow> asymmetrical_rows;

}  // namespace tablegen
