#pragma once
/// Maximally flat coupler designs: the coupling equals the level at f0 and as
/// many of its derivatives there vanish as the free impedances allow.

#include "minimax.hpp"

namespace tablegen {

/// The maximally flat design of `level` dB with n sections, solved by Newton
/// steps from `start` (a nearby design of the same layout). A symmetrical
/// coupler has (n + 1)/2 free impedances, an asymmetrical one n; one fixes
/// the level at f0 and each further one flattens the next even order (the
/// response is even about f0, so odd orders vanish by themselves).
/// `residual` receives the largest scaled condition left over (about 1e-15
/// for a converged design). `deviation` is left 0: it depends on a band.
Design maximally_flat(bool symmetrical, int n, double level, const Impedances& start, double& residual);

/// Coefficients of delta^0, delta^2, ..., delta^(2 (terms - 1)) of the
/// Taylor series about theta = pi/2 + delta of P = |k|^2 / (1 - |k|^2), the
/// coupled power over the through power, of n sections with impedances zoe.
/// Coupling in dB is 10 log10(1 + 1/P), so its even derivatives vanish
/// exactly where these coefficients (beyond the first) do.
void flatness_terms(const Impedances& zoe, int n, int terms, long double* out);

}  // namespace tablegen
