#pragma once
/// The entries the defaults file and a design-data file have in common, in
/// file order, each checked as it is read: a complete design (section count,
/// Zo, Er, every section's Zoe and centre frequency), the analysis sweep and
/// the two strip spacings. Only the names the messages give them differ.

#include <array>
#include <string_view>

#include "files/entry_file.hpp"
#include "common/constants.hpp"

namespace quill {

struct DesignEntries {
  int n = 0;
  float z0 = 0;
  float er = 0;
  std::array<float, max_sections> zoe{};  ///< ohms, index i-1 for section i
  std::array<float, max_sections> f0{};   ///< MHz
  float fstart = 0, fstop = 0, deltaf = 0;
  float gps = 0;  ///< ground-plane spacing B, inches
  float s = 0;    ///< strip spacing S, inches
};

/// The names a file's messages give its entries.
struct EntryNames {
  std::string_view n, z0, er, zoe, f0, fstart, fstop, deltaf, gps, s;
};

/// Reads the title line and the shared entries; false at the first fault,
/// which `f` then describes.
bool read_design_entries(EntryFile& f, const EntryNames& names, DesignEntries& e);

}  // namespace quill
