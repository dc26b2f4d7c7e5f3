#pragma once
/// The analysis response as comma-separated values: one row per frequency
/// with the report's quantities at full precision (shortest text that reads
/// back as the same float), under a header row naming each column and its unit.

#include <string>

#include "analysis/sweep.hpp"

namespace quill {

/// The header row.
std::string response_csv_header();

/// Appends the row of one frequency. Levels are 20 log10 of the wave
/// magnitudes, as the report computes them (the coupled and isolated levels
/// floored at -90 dB); phases in degrees.
void append_response_csv_row(std::string& out, float freq, const PortResponse& r);

}  // namespace quill
