#pragma once
/// Stack-up files: the board a coupler is etched in, written in TOML so an
/// engineer can read and edit it beside the laminate's data sheet.
///
///   unit = "mm"               # "mm", "in" or "mil": every length in the file
///   copper_thickness = 0.035  # the two coupled strips; 0 = ideal sheets
///   conductivity = 5.8e7      # S/m, strips and ground planes (optional)
///   [[layer]]                 # one table per dielectric layer, lower plane up
///   thickness = 0.5
///   er = 3.0
///   tan_delta = 0.002         # optional
///   strips = true             # optional: the strips lie on this layer's faces
///
/// Rules. `unit` and `copper_thickness` are required: a board misread by a
/// factor of 25.4 or 1000 still looks plausible, so nothing is guessed.
/// `copper_thickness` >= 0; `conductivity` > 0, copper when absent. Each
/// layer needs `thickness` > 0 and `er` >= 1; `tan_delta` >= 0 defaults to a
/// lossless 0 and `strips` to false. Exactly one layer carries the strips and
/// it has a layer below and above, each thicker than the copper, since the
/// lower strip's copper reaches down into the one and the upper strip's up
/// into the other. Numbers may be written as integers; every value must be
/// finite; any key not named here is refused, so a typo is not a silent default.

#include <string>
#include <string_view>

#include "common/stackup.hpp"

namespace quill {

struct StackupRead {
  bool ok = false;
  Stackup stackup;      ///< complete only when ok; lengths in metres
  std::string message;  ///< "<name>, line N: <what is wrong>", one line
  int line = 0;         ///< the line the fault is on (from 1)
  std::string key;      ///< the key at fault; empty for a TOML syntax error
};

/// Reads the text of a stack-up file called `name` (the name goes into the
/// record and the message). Checks stop at the first fault, so a bad file
/// gets one message. Never throws.
StackupRead read_stackup_text(std::string_view text, const std::string& name);

}  // namespace quill
