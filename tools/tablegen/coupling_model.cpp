#include "coupling_model.hpp"

#include <cmath>
#include <complex>

namespace tablegen {

double coupling_db(const Impedances& zoe, int n, double x) {
  using cd = std::complex<double>;
  const double theta = 0.5 * M_PI * x;
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  // Even-mode cascade, section 1 at the input.
  cd a{1, 0}, b{0, 0}, cc{0, 0}, d{1, 0};
  for (int i = 0; i < n; ++i) {
    const cd sa{c, 0}, sb{0, zoe[i] * s}, sc{0, s / zoe[i]}, sd{c, 0};
    const cd na = a * sa + b * sc, nb = a * sb + b * sd;
    const cd nc = cc * sa + d * sc, nd = cc * sb + d * sd;
    a = na; b = nb; cc = nc; d = nd;
  }
  const cd gamma_e = (a + b - cc - d) / (a + b + cc + d);
  // With zoo = 1/zoe the odd-mode network is the dual of the even-mode one,
  // so its reflection is -gamma_e and the coupled wave 0.5 (ge - go) = ge.
  return -20.0 * std::log10(std::abs(gamma_e));
}

}  // namespace tablegen
