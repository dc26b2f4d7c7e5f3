#pragma once
/// The defaults file, Quillomate.DEF: the default answers of every dialogue,
/// read once at start-up from the working directory and never written.
///
/// Layout, one entry per line (N = line 2):
///   1           title (not used)
///   2           number of sections N, 1..50
///   3           system impedance Zo, ohms, > 0
///   4           relative dielectric constant Er, >= 1
///   3+2i, 4+2i  Zoe of section i (>= Zo) and its centre frequency (> 0), MHz
///   5+2N..7+2N  analysis start, stop and step frequency, MHz, > 0
///   8+2N, 9+2N  ground-plane spacing B and strip spacing S (0 < S <= B), inches
///   10+2N       storage file name, first 20 characters, not blank

#include <istream>
#include <string>

#include "files/entry_file.hpp"
#include "common/design.hpp"

namespace quill {

inline constexpr const char* defaults_file_name = "Quillomate.DEF";

struct DefaultsRead {
  EntryFile::Fault fault = EntryFile::none;
  std::string entry;  ///< the 20-character name of the faulty entry
};

/// Reads and checks every entry; stops at the first fault.
DefaultsRead read_defaults(std::istream& file, Defaults& defs);

}  // namespace quill
