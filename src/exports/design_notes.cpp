#include "exports/design_notes.hpp"

#include "common/number.hpp"

namespace quill {

std::string design_summary(const CouplerDesign& d) {
  std::string t = std::to_string(d.n) + (d.n == 1 ? " section" : " sections");
  t += ", Zo = " + plain_number(d.z0) + " ohms, Er = " + plain_number(d.er);
  t += ", centre frequency " + plain_number(d.f0) + " MHz";
  if (d.synthesised()) {
    t += d.ifunc == 1 ? ", symmetrical " : ", asymmetrical ";
    t += plain_number(d.coupler) + " dB +/- " + plain_number(d.ripple) + " dB from " + plain_number(d.flow) +
         " to " + plain_number(d.fhigh) + " MHz";
  }
  return t;
}

std::string settings_summary(const CouplerDesign& d) {
  // Every section carries the same settings: the first one speaks for all.
  const Section& s = d.sec(1);
  return "even-mode phase velocity " + plain_number(s.veloo) + " of the odd mode's, loss " +
         plain_number(s.oeloss) + " dB per inch at " + plain_number(d.f0) + " MHz";
}

}  // namespace quill
