#pragma once
/// The analysis over many frequencies into arrays a caller allocated once:
/// the scattering matrix at every point, and the report's quantities derived
/// from it afterwards, only when they are asked for. Plain C++ on plain
/// memory, so the bindings can run it with the interpreter's lock released.

#include <complex>
#include <cstddef>

#include "common/design.hpp"

namespace quill::py_front {

/// Number of points of the command line's sweep (0: none).
std::size_t sweep_size(float start, float stop, float step);

/// The command line's sweep: start, then each step added to the last
/// frequency in single precision. `out` has room for sweep_size points.
void fill_sweep(float start, float stop, float step, float* out);

/// S of `d` at each of the `n` frequencies (MHz), row-major n x 4 x 4:
/// element [k][i][j] is the wave leaving port i+1 for a unit wave into port
/// j+1 at frequency k, ports as the report numbers them.
void fill_four_port(const CouplerDesign& d, const float* freq, std::size_t n, std::complex<float>* s);

/// Where the report's quantities go, one value a point (`phase_deg` four:
/// S11, S21, S31, S41).
struct ResponseColumns {
  float* s11_db;
  float* phase_deg;
  float* coupled_db;   ///< floored at -90 dB, as the report and the CSV
  float* isolated_db;  ///< floored at -90 dB
  float* through_db;
  float* vswr;
  float* quadrature_deg;        ///< phase of S21 less that of S41, folded into [0, 180)
  float* quadrature_error_deg;  ///< its departure from 90 degrees
};

/// The report's quantities from the matrices `fill_four_port` made.
void fill_response(const std::complex<float>* s, std::size_t n, const ResponseColumns& out);

}  // namespace quill::py_front
