#pragma once
/// Closed-form synthesis of offset broadside-coupled strips: two zero-thickness
/// strips of equal width, S apart, centred between ground planes B apart in
/// one homogeneous dielectric, the top strip shifted sideways by an offset.
/// Everything is single precision in the written order of the equations; the
/// printed dimensions depend on those exact float values.

namespace quill {

/// Strip cross-section of one coupled section, every length divided by B.
/// A field the chosen path does not compute reads 0.
struct Blk1 {
  float wbt = 0;   ///< width W/B, tight-coupling (or total-overlap) solution
  float wb0t = 0;  ///< offset W0/B, tight-coupling solution; 0 for total overlap
  float wbct = 0;  ///< overlap (W - W0)/B, tight-coupling solution; 0 for total overlap
  float wbl = 0;   ///< width W/B, loose-coupling solution
  float wb0l = 0;  ///< offset W0/B, loose-coupling solution, never below 0 (NaN with a NaN width)
  float wbcl = 0;  ///< overlap of the loose equations, before the offset is clamped
};

/// Strip width and offset of a matched section (Zoe * Zoo = Zo^2) with
/// even-mode impedance `zoe` ohms in a system of `zo` ohms, dielectric `er`,
/// strip spacing `s` and ground-plane spacing `gps` (same length unit).
/// `icenter` 1 asks for superposed strips (no offset) on the tight side; any
/// other value for the offset tight solution, in which case `ierror` is set to
/// 0, or to 1 when that solution does not exist (tight fields then read 0).
/// The loose-coupling solution is always computed. Inputs outside the domain
/// of the equations are not guarded: they give infinities or NaNs.
Blk1 bscsl(float zoe, float zo, float er, float s, float gps, int icenter, int& ierror);

/// Modulus k whose complete elliptic integral ratio K(k)/K(k') is `r`, from
/// the logarithmic approximation of that ratio. A ratio below 1 is taken
/// through its reciprocal, where the approximation holds for the complement.
float akinv(float r);

}  // namespace quill
