#include "exports/design_notes.hpp"

#include "common/number.hpp"

namespace quill {

std::string design_summary(const CouplerDesign& d) {
  std::string t = std::to_string(d.n) + (d.n == 1 ? " section" : " sections");
  t += ", Zo = " + shortest(d.z0) + " ohms, Er = " + shortest(d.er);
  t += ", centre frequency " + shortest(d.f0) + " MHz";
  if (d.synthesised()) {
    t += d.ifunc == 1 ? ", symmetrical " : ", asymmetrical ";
    t += shortest(d.coupler) + " dB +/- " + shortest(d.ripple) + " dB from " + shortest(d.flow) +
         " to " + shortest(d.fhigh) + " MHz";
  }
  return t;
}

std::string settings_summary(const CouplerDesign& d) {
  // Every section carries the same settings: the first one speaks for all.
  const Section& s = d.sec(1);
  return "even-mode phase velocity " + shortest(s.veloo) + " of the odd mode's, loss " +
         shortest(s.oeloss) + " dB per inch at " + shortest(d.f0) + " MHz";
}

}  // namespace quill
