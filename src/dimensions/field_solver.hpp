#pragma once
/// Two-dimensional electrostatic solution of zero-thickness strips between two
/// grounded planes, open at the sides, in one homogeneous dielectric: the
/// check the closed-form strip synthesis is measured against, and the engine
/// that refines its dimensions. Double precision throughout; this is not the
/// single-precision arithmetic of the printed closed-form report.
///
/// Method of moments: the potential of a line charge between the planes is
/// known exactly (the open sides need no wall), and each strip carries a
/// charge density of Chebyshev polynomials over the square-root edge
/// singularity, tested by the same functions (Galerkin). The logarithmic
/// singularity of the kernel is integrated in closed form, the smooth rest by
/// Gauss-Chebyshev quadrature.

#include <vector>

namespace quill {

/// Free-space wave impedance 1 / (c0 eps0), ohms, with c0 = 299792458 m/s.
inline constexpr double field_eta0 = 376.730313668;

/// One zero-thickness strip; lengths in units of the ground-plane spacing B
/// (planes at height 0 and 1). `height` must lie strictly between the planes.
struct FieldStrip {
  double left = 0;    ///< x of the left edge
  double right = 0;   ///< x of the right edge, above `left`
  double height = 0;  ///< height above the lower plane
  double volts = 0;   ///< potential of the strip, planes at 0
};

/// Resolution of the moment solution. 1 is the working resolution (about
/// 1e-6 relative in impedance); tests raise it to show convergence.
struct FieldResolution {
  double scale = 1.0;
};

/// Charge per unit length on each strip over the permittivity, in the order
/// given: the Maxwell capacitance matrix applied to the strip potentials.
/// Returns an empty vector when a strip is degenerate (no width, height not
/// strictly between the planes, non-finite value).
std::vector<double> strip_charges(const std::vector<FieldStrip>& strips,
                                  FieldResolution res = {});

/// Impedance of a TEM mode, ohms, whose strip has `charge` (C / eps, volts 1)
/// in a dielectric `er`: Z = 1 / (v C) = eta0 / (sqrt(er) * C / eps).
double mode_impedance(double charge, double er);

/// Even- and odd-mode impedances of a coupled pair, ohms.
struct ModeImpedances {
  double zoe = 0;
  double zoo = 0;
};

/// Offset broadside-coupled pair: strips of width `w`, `s` apart vertically,
/// symmetric about the mid-plane, the upper one shifted sideways by `w0`
/// (offset between corresponding edges; 0 superposed, >= w no overlap),
/// between planes `b` apart (one length unit for all four), dielectric `er`.
/// NaN impedances for a geometry without a solution (w <= 0, s outside 0..b).
ModeImpedances offset_pair_modes(double w, double w0, double s, double b, double er,
                                 FieldResolution res = {});

/// Impedance, ohms, of a single strip of width `w` at `height` above the
/// lower plane, planes `b` apart, dielectric `er`. NaN without a solution.
double single_strip_impedance(double w, double height, double b, double er,
                              FieldResolution res = {});

}  // namespace quill
