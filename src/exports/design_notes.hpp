#pragma once
/// The words every export uses to name a design and its analysis settings,
/// so the Touchstone comments, the CSV's companion lines and the plot's
/// subtitle say the same thing.

#include <string>

#include "common/design.hpp"

namespace quill {

/// "5 sections, Zo = 50 ohms, Er = 3, centre frequency 2000 MHz".
std::string design_summary(const CouplerDesign& d);

/// "even-mode phase velocity 0.95 of the odd mode's, loss 0.5 dB per inch at 2000 MHz".
std::string settings_summary(const CouplerDesign& d);

}  // namespace quill
