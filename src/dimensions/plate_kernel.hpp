#pragma once
/// The potential of a line charge between two grounded planes, y = 0 and
/// y = 1, open at the sides: the kernel of the layered cross-section solver,
/// in units where the plane spacing is 1 and eps0 is 1. With the images in
/// both planes summed in closed form,
///
///   K = 1/(4 pi) ln[(cosh(pi dx) - cos(pi (y + y'))) / (cosh(pi dx) - cos(pi (y - y')))]
///     = 1/(4 pi) ln(1 + sin(pi y) sin(pi y') / (sinh^2(pi dx / 2) + sin^2(pi (y - y') / 2))),
///
/// the second form free of cancellation far from the charge, where the kernel
/// decays as exp(-pi |dx|). Near the charge K = -ln(r) / (2 pi) + smooth, and
/// near its image in a plane + ln(r_image) / (2 pi) + smooth; the remainders
/// below take those logarithms out so that what is left is smooth.

#include <cmath>
#include <numbers>

namespace quill::plate {

inline constexpr double pi_d = std::numbers::pi;

/// Which image of the charge has its logarithm taken out with it.
enum class Image { none, lower, upper };

/// The kernel and its derivative with respect to the field point's y.
struct Value {
  double k = 0;
  double ky = 0;
};

/// sinh^2 and sin^2 terms of one pair of points: the field point at height y,
/// the charge at ys, (dx, dy) from the charge to the field point. The
/// difference is passed in as well as the heights because near a corner it
/// is known to more digits than the heights' difference.
struct Terms {
  double sh2;   ///< sinh^2(pi dx / 2)
  double sd2;   ///< sin^2(pi (y - y') / 2)
  double ss2;   ///< sin^2(pi (y + y') / 2)
};

inline Terms terms(double dx, double dy, double y, double ys) {
  const double sh = std::sinh(pi_d * dx / 2.0);
  const double sd = std::sin(pi_d * dy / 2.0);
  // Near the upper plane y + y' is near 2: the sine of the distance to 2 keeps its digits.
  const double sum = y + ys;
  const double ss = sum > 1.0 ? std::sin(pi_d * (2.0 - sum) / 2.0) : std::sin(pi_d * sum / 2.0);
  return {sh * sh, sd * sd, ss * ss};
}

/// The whole kernel, for a pair of points apart.
inline Value full(double dx, double dy, double y, double ys) {
  const Terms t = terms(dx, dy, y, ys);
  Value v;
  v.k = std::log1p(std::sin(pi_d * y) * std::sin(pi_d * ys) / (t.sh2 + t.sd2)) / (4.0 * pi_d);
  v.ky = (std::sin(pi_d * (y + ys)) / (t.sh2 + t.ss2) - std::sin(pi_d * dy) / (t.sh2 + t.sd2)) / 8.0;
  return v;
}

/// The kernel with the charge's own logarithm, and with `image`'s, taken
/// out: smooth where the two points meet, and finite there.
inline Value remainder(double dx, double dy, double y, double ys, Image image) {
  const Terms t = terms(dx, dy, y, ys);
  const double r2 = dx * dx + dy * dy;
  // (sinh^2 + sin^2) / r^2 tends to pi^2 / 4 as the points meet.
  const double near = r2 > 0.0 ? (t.sh2 + t.sd2) / r2 : pi_d * pi_d / 4.0;
  Value v;
  double k = std::log(t.sh2 + t.ss2) - std::log(near);
  double ky = std::sin(pi_d * (y + ys)) / (t.sh2 + t.ss2) / 8.0;
  // The direct term of ky with the charge's logarithm, -(y - y') / (2 pi r^2), taken out.
  if (r2 > 0.0) ky += -std::sin(pi_d * dy) / (t.sh2 + t.sd2) / 8.0 + dy / (2.0 * pi_d * r2);
  if (image != Image::none) {
    const double yi = image == Image::lower ? -ys : 2.0 - ys;
    const double di = y - yi;
    const double ri2 = dx * dx + di * di;
    k -= std::log(ri2);
    ky -= di / (2.0 * pi_d * ri2);
  }
  v.k = k / (4.0 * pi_d);
  v.ky = ky;
  return v;
}

}  // namespace quill::plate
