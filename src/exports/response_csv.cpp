#include "exports/response_csv.hpp"

#include "common/number.hpp"

namespace quill {

std::string response_csv_header() {
  return "frequency_mhz,s11_db,s11_deg,coupled_s21_db,s21_deg,isolated_s31_db,s31_deg,"
         "through_s41_db,s41_deg,vswr,phi2_minus_phi4_deg,deviation_from_90_deg\n";
}

void append_response_csv_row(std::string& out, float freq, const PortResponse& r) {
  const float values[] = {freq,        r.rl,        r.angle[0], r.cpld,     r.angle[1], r.iso,
                          r.angle[2],  r.loss,      r.angle[3], r.vswr,     r.phi,      r.error};
  bool first = true;
  for (float v : values) {
    if (!first) out += ',';
    first = false;
    append_shortest(out, v);
  }
  out += '\n';
}

}  // namespace quill
