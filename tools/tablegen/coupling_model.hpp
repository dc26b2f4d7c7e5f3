#pragma once
/// Lossless even/odd-mode model of a matched commensurate-line coupler, in
/// double precision: the generator's yardstick for a row's coupling response.

#include <array>

namespace tablegen {

inline constexpr int max_sections = 10;
using Impedances = std::array<double, max_sections>;

/// Coupling -20 log10 |S21| in dB of n quarter-wave (at f0) sections with
/// normalised even-mode impedances zoe[0..n-1] and zoo = 1/zoe, at x = f/f0.
double coupling_db(const Impedances& zoe, int n, double x);

}  // namespace tablegen
