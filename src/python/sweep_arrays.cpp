#include "python/sweep_arrays.hpp"

#include <cstring>

#include "analysis/sweep.hpp"

namespace quill::py_front {

// The four-port matrix is sixteen (re, im) float pairs, as complex<float> is.
static_assert(sizeof(FourPort) == 16 * sizeof(std::complex<float>));

std::size_t sweep_size(float start, float stop, float step) {
  return static_cast<std::size_t>(sweep_points(start, stop, step));
}

void fill_sweep(float start, float stop, float step, float* out) {
  AnalysisSettings s;
  s.fstart = start;
  s.fstop = stop;
  s.deltaf = step;
  for_each_frequency(s, [&out](float freq) { *out++ = freq; });
}

void fill_four_port(const CouplerDesign& d, const float* freq, std::size_t n, std::complex<float>* s) {
  for (std::size_t k = 0; k < n; ++k) {
    const FourPort f = four_port(d, freq[k]);
    std::memcpy(static_cast<void*>(s + 16 * k), f.s.data(), sizeof f.s);
  }
}

void fill_response(const std::complex<float>* s, std::size_t n, const ResponseColumns& out) {
  for (std::size_t k = 0; k < n; ++k) {
    // Only the first column: the waves for a unit wave into port 1.
    FourPort f;
    for (int i = 0; i < 4; ++i) {
      const std::complex<float> v = s[16 * k + 4 * static_cast<std::size_t>(i)];
      f.s[static_cast<size_t>(i)][0] = {v.real(), v.imag()};
    }
    const PortResponse r = port_response(f);
    out.s11_db[k] = r.rl;
    for (int i = 0; i < 4; ++i) out.phase_deg[4 * k + static_cast<std::size_t>(i)] = r.angle[static_cast<size_t>(i)];
    out.coupled_db[k] = r.cpld;
    out.isolated_db[k] = r.iso;
    out.through_db[k] = r.loss;
    out.vswr[k] = r.vswr;
    out.quadrature_deg[k] = r.phi;
    out.quadrature_error_deg[k] = r.error;
  }
}

}  // namespace quill::py_front
