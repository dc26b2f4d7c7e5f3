#pragma once
/// Couplers built by hand the way the program builds them, so the analysis can
/// be checked against reports without the dialogues that normally make them.

#include <cmath>
#include <initializer_list>
#include <string>

#include "analysis/section_model.hpp"
#include "common/constants.hpp"
#include "common/design.hpp"

namespace quill::testing {

/// Symmetrical or asymmetrical synthesis: every section a quarter wave at f0,
/// zoo = 1 / zoe.
inline CouplerDesign synthesised(std::initializer_list<float> zoe, float z0, float er,
                                 float flow, float fhigh) {
  CouplerDesign d;
  d.ifunc = 1;
  d.z0 = z0;
  d.er = er;
  d.flow = flow;
  d.fhigh = fhigh;
  d.f0 = (fhigh + flow) * 0.5f;
  const float lambda = speed / d.f0;
  for (float z : zoe) {
    Section& s = d.sec(++d.n);
    s.zoe = z;
    s.zoo = 1.0f / z;
    s.length = (lambda * 0.25f) / sqrtf(er);
    d.total = d.total + s.length;
    s.thetae = 2.0f * pi * s.length / (lambda / sqrtf(er));
    s.thetao = s.thetae;
  }
  return d;
}

/// One typed or filed section: impedances in ohms (zoo 0 takes the matched
/// value Zo^2 / Zoe) and the section's own centre frequency.
struct Typed {
  float zoe;
  float zoo;
  float f0;
};

/// A design typed in or read from a file: impedances normalised by division
/// (even mode) and by multiplying with 1/Zo (odd mode); f0 is the last section's.
inline CouplerDesign entered(int ifunc, float z0, float er, std::initializer_list<Typed> secs) {
  CouplerDesign d;
  d.ifunc = ifunc;
  d.z0 = z0;
  d.er = er;
  for (const Typed& t : secs) {
    Section& s = d.sec(++d.n);
    const float zoo = t.zoo > 0 ? t.zoo : z0 * z0 / t.zoe;
    if (t.zoe > d.zoemax) d.zoemax = t.zoe;
    s.zoe = t.zoe / z0;
    s.zoo = zoo * (1.0f / z0);
    d.f0 = t.f0;
    const float lambda = speed / t.f0;
    s.length = 0.25f * lambda / sqrtf(er);
    d.total = d.total + s.length;
    s.thetae = 2.0f * pi * s.length / (lambda / sqrtf(er));
    s.thetao = s.thetae;
  }
  return d;
}

/// Velocity and loss menu choices applied as the settings dialogue does.
inline void set_mode_options(CouplerDesign& d, int itype, int iloss) {
  apply_velocity(d, velocity[static_cast<size_t>(itype - 1)]);
  apply_loss(d, closs[static_cast<size_t>(iloss - 1)]);
}

inline AnalysisSettings sweep(float fstart, float fstop, float deltaf, int iprint,
                              const std::string& fn = "") {
  AnalysisSettings s;
  s.fstart = fstart;
  s.fstop = fstop;
  s.deltaf = deltaf;
  s.iprint = iprint;
  s.istore = fn.empty() ? 0 : 1;
  s.fn = fn;
  s.fn.resize(20, ' ');
  return s;
}

/// 5 July 2026, 09:05:03, the clock of the reference reports.
inline TimeStamp reference_clock() { return TimeStamp{2026, 7, 5, 9, 5, 3}; }

}  // namespace quill::testing
