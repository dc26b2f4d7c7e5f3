#include "exports/touchstone.hpp"

#include "common/fixed.hpp"
#include "common/number.hpp"
#include "exports/design_notes.hpp"

namespace quill {

std::string touchstone_header(const CouplerDesign& d, std::string_view source, std::string_view board) {
  std::string t = "! Quillomate four-port scattering parameters: ";
  t.append(source);
  t += "\n! " + design_summary(d) + "\n";
  t += "! Sections from port 1, Zoe / Zoo in ohms:";
  for (int i = 1; i <= d.n; ++i) {
    t += (i - 1) % 6 == 0 ? "\n!  " : ",";
    t += " " + decimals(d.sec(i).zoe * d.z0, 3) + " / " + decimals(d.sec(i).zoo * d.z0, 3);
  }
  if (board.empty()) {
    t += "\n! " + settings_summary(d) + " (loss grows as the square root of frequency)\n";
  } else {
    t += "\n! As built in " + std::string(board) + "\n";
    t += "! Field-solved impedances; each mode's own phase velocity and loss (conductor loss grows as the\n";
    t += "! square root of frequency, dielectric loss as frequency); each section a quarter wave at its\n";
    t += "! centre frequency for the mean of the two modes\n";
  }
  t += "! Ports: 1 input, 2 coupled, 3 isolated, 4 through; rows of S[i,1..4], real and imaginary\n";
  t += "# MHZ S RI R " + shortest(d.z0) + "\n";
  return t;
}

void append_touchstone_point(std::string& out, float freq, const FourPort& s) {
  append_shortest(out, freq);
  for (int i = 0; i < 4; ++i) {
    if (i > 0) out += "\n   ";
    for (int j = 0; j < 4; ++j) {
      out += ' ';
      append_shortest(out, s.s[i][j][0]);
      out += ' ';
      append_shortest(out, s.s[i][j][1]);
    }
  }
  out += '\n';
}

}  // namespace quill
