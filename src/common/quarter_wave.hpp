#pragma once
/// How every design maker lays out a section: a quarter wavelength long in the
/// dielectric at its centre frequency, lossless, with equal mode velocities.

#include <cmath>

#include "common/constants.hpp"
#include "common/design.hpp"

namespace quill {

/// Sets the length (inches), electrical lengths (pi/2 up to rounding) and the
/// neutral loss and velocity terms of `s` for centre frequency `f0` MHz.
inline void set_quarter_wave(Section& s, float f0, float er) {
  const float lambda = speed / f0;  // free-space wavelength, inches
  s.length = 0.25f * lambda / std::sqrt(er);
  s.thetae = 2.0f * pi * s.length / (lambda / std::sqrt(er));
  s.thetao = s.thetae;
  s.sigmae = s.sigmao = 0;
  s.veloe = s.veloo = 1;
  s.oeloss = s.ooloss = 0;
}

}  // namespace quill
