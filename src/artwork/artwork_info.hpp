#pragma once
/// What every artwork file says of itself: the design it draws, the board,
/// when it was made, and the unit its numbers are in.

#include <string>

#include "common/design.hpp"

namespace quill {

enum class ArtworkUnit { mm, inch };

struct ArtworkInfo {
  std::string design;  ///< where the design came from: a file name or a synthesis request
  std::string board;   ///< the stack-up file
  TimeStamp made;
  ArtworkUnit unit = ArtworkUnit::mm;
};

/// Metres in one unit of the files.
inline double unit_metres(ArtworkUnit u) { return u == ArtworkUnit::mm ? 1e-3 : 0.0254; }
inline const char* unit_name(ArtworkUnit u) { return u == ArtworkUnit::mm ? "mm" : "in"; }

}  // namespace quill
