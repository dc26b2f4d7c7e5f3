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

/// Backward-coupling coefficient of an upper feed of width `w_upper` and a
/// lower one of width `w_lower`, `spacing` apart across (centre to centre):
/// the mean of the capacitive and inductive coupling coefficients, which for
/// a symmetrical pair is (Zoe - Zoo) / (Zoe + Zoo). Also the feeds' mean
/// effective permittivity, for their phase.
struct FeedCoupling {
  double k = 0;
  double eeff = 0;
  bool ok = false;
};
FeedCoupling feed_coupling(const Stackup& stack, double w_upper, double w_lower, double spacing);

/// The smallest spacing at which the two feeds couple by no more than
/// `limit_db` (a negative number), found to 0.1 % of itself.
double feed_spacing(const Stackup& stack, double w_upper, double w_lower, double limit_db);

}  // namespace quill
