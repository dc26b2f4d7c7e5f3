#pragma once
/// The feeds that carry a coupler's four ports out of the board: their
/// width for the system impedance at each strip's height, and how far apart
/// two of them must run before they stop coupling. Field-solved in the
/// board, lengths in metres.

#include "common/stackup.hpp"

namespace quill {

/// Width of a single strip of impedance `zo` ohms in `stack`, on the upper
/// or the lower strip's face (the other strip absent). NaN without one.
double feed_width(const Stackup& stack, double zo, bool upper);

/// How fast a potential dies away between the board's two planes: the
/// smallest lambda (per metre) for which phi = f(y) exp(-lambda |x|) solves
/// the board's Laplace equation, f vanishing on both planes. pi / B in one
/// dielectric; between layers of unlike permittivity the lowest eigenvalue
/// of (eps f')' = -lambda^2 eps f, f and eps f' continuous across each
/// boundary, which lies between pi / B sqrt(eps_min / eps_max) and
/// pi / B sqrt(eps_max / eps_min). The electric coupling of two strips far
/// apart falls as exp(-lambda d); the magnetic one sees no dielectric and
/// falls as exp(-pi d / B).
double parallel_plate_decay(const Stackup& stack);

/// Backward-coupling coefficient of an upper feed and a lower one at a
/// spacing across (centre to centre): the mean of the capacitive and
/// inductive coupling coefficients, which for a symmetrical pair is
/// (Zoe - Zoo) / (Zoe + Zoo). Also the feeds' mean effective permittivity,
/// for their phase.
struct FeedCoupling {
  double k = 0;
  double kc = 0, kl = 0;  ///< the capacitive and the inductive coefficient
  double eeff = 0;
  bool ok = false;
};

/// Two feeds of given widths in a board, ready for their coupling at any
/// spacing. The field solver gives the coupling from the mutual terms of
/// the capacitance matrices, whose digits run out where the coupling falls
/// towards 1e-15 of the self terms: beyond the spacing `anchor`, where it
/// is still about 1e-7 and the higher modes have died away (they fall at
/// least twice as fast), each coefficient follows its own exponential from
/// its value there, the capacitive one at `decay_c` (the board's
/// parallel-plate decay) and the inductive one at `decay_l` = pi / B.
struct FeedPair {
  Stackup stack;
  double w_upper = 0, w_lower = 0;
  double anchor = 0;
  FeedCoupling at_anchor;
  double decay_c = 0, decay_l = 0;
  bool ok = false;
};
FeedPair feed_pair(const Stackup& stack, double w_upper, double w_lower);

/// The coupling of the pair at `spacing`: field-solved up to the anchor,
/// the two exponentials beyond. Positive and falling as the feeds part (it
/// may underflow to 0 hundreds of decibels down).
FeedCoupling feed_coupling(const FeedPair& pair, double spacing);

/// The smallest spacing at which the two feeds couple by no more than
/// `limit_db` (a negative number), found to 0.1 % of itself.
double feed_spacing(const FeedPair& pair, double limit_db);

}  // namespace quill
