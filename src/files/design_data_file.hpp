#pragma once
/// Design-data files: a finished design in the defaults file's layout without
/// its last line (title, N, Zo, Er, each section's Zoe and centre frequency,
/// the analysis sweep, B and S). Odd-mode impedances are not in the file:
/// every section gets the one that matches it to Zo.

#include <istream>
#include <string>
#include <string_view>

#include "common/design.hpp"
#include "files/entry_file.hpp"

namespace quill {

/// What a design-data file supplies besides the design itself.
struct FileDesign {
  CouplerDesign design;
  float fstart = 0, fstop = 0, deltaf = 0;  ///< analysis sweep, MHz
  float gpsuser = 0, suser = 0;             ///< B and S for the dimensions, inches
};

struct DesignDataRead {
  EntryFile::Fault fault = EntryFile::none;
  std::string entry;  ///< the 20-character name of the faulty entry
  int line = 0;       ///< its line number
  std::string reason; ///< a bad entry: what it holds and what it must be
  FileDesign values;  ///< complete only when there is no fault
};

/// Reads and checks every entry, stopping at the first fault. The entry
/// names are those the dialogue's messages give them.
DesignDataRead read_design_data(std::istream& file);

/// The one-line message for a read that failed, the file called `named`,
/// naming a bad entry's value and what it must be; `system_error` is errno
/// after an unreadable read. Empty without a fault. (The dialogue words its
/// own messages.)
std::string design_data_fault(const DesignDataRead& read, const std::string& named, int system_error);

/// The text of a design-data file for `values`, each entry on its own line
/// with its name after column 13, under the title line `title`. Reading it
/// back gives the same sections: every number is written so that it reads as
/// the same float, and each Zoe in ohms is chosen so that dividing it by Zo
/// gives back the section's normalised even-mode impedance exactly.
std::string design_data_text(const FileDesign& values, std::string_view title);

}  // namespace quill
