// The pieces under the equal-ripple engine: the root finder, and layer
// peeling, which must give back sections whose coupling is exactly the
// response it was handed.

#include "synthesis/ripple_response.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

#include "synthesis/polynomial_roots.hpp"

namespace quill {
namespace {

using cd = std::complex<double>;

/// Coefficients (lowest first) of prod (z - r) for real or conjugate-paired roots.
std::vector<double> from_roots(const std::vector<cd>& roots) {
  std::vector<cd> p{1.0};
  for (cd r : roots) {
    p.push_back(0.0);
    for (std::size_t i = p.size() - 1; i > 0; --i) p[i] = p[i - 1] - r * p[i];
    p[0] = -r * p[0];
  }
  std::vector<double> c;
  for (cd v : p) c.push_back(v.real());
  return c;
}

/// Largest distance from each wanted root to the nearest found one.
double worst_miss(const std::vector<cd>& wanted, const std::vector<cd>& found) {
  double worst = 0;
  for (cd w : wanted) {
    double best = 1e300;
    for (cd f : found) best = std::min(best, std::abs(f - w) / std::max(1.0, std::abs(w)));
    worst = std::max(worst, best);
  }
  return worst;
}

TEST(PolynomialRoots, FindsKnownRootsOfSpreadModuli) {
  const std::vector<std::vector<cd>> sets = {
      {2.0},
      {1.0, -3.0},
      {cd{0.5, 1.5}, cd{0.5, -1.5}, 4.0},
      {cd{-2.0, 0.1}, cd{-2.0, -0.1}, 0.01, 30.0, cd{3.0, 7.0}, cd{3.0, -7.0}},
      {1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, -1.5, -2.5, cd{0, 2}, cd{0, -2}, 0.3, -0.3, 9.0, -9.0},
  };
  for (const auto& roots : sets) {
    const std::vector<double> c = from_roots(roots);
    const std::vector<cd> found = polynomial_roots(c);
    ASSERT_EQ(found.size(), roots.size());
    EXPECT_LT(worst_miss(roots, found), 1e-9) << roots.size();
    // The same bits on a second run.
    const std::vector<cd> again = polynomial_roots(c);
    EXPECT_EQ(std::memcmp(found.data(), again.data(), found.size() * sizeof(cd)), 0);
  }
}

TEST(PolynomialRoots, RefusesWhatHasNoRoots) {
  EXPECT_TRUE(polynomial_roots(std::vector<double>{1.0}).empty());
  EXPECT_TRUE(polynomial_roots(std::vector<double>{1.0, 2.0, 0.0}).empty());
  EXPECT_TRUE(polynomial_roots(std::vector<double>{1.0, NAN}).empty());
}

/// Q(x) = |reflection / transmission|^2 of the sections at x = cos^2(theta).
double q_of(const SectionImpedances& zoe, int n, double x) {
  const double ratio = 2.0 / M_PI * std::acos(std::sqrt(x));
  return 1.0 / (std::pow(10.0, coupling_db(zoe, n, ratio) / 10.0) - 1.0);
}

TEST(LayerPeeling, ChebyshevSectionsHaveExactlyTheirPolynomial) {
  // Q = b (tau - T_n(2x/x_b - 1)): compare with the peeled sections' Q.
  for (int n : {2, 5, 8, 12})
    for (double x_b : {0.05, 0.4, 0.8}) {
      const ripple::Response r = ripple::asymmetrical_equal_ripple(n, 6.0, x_b);
      SectionImpedances zoe{};
      ASSERT_TRUE(ripple::realise(r, false, zoe)) << n << ' ' << x_b;
      const double tau = std::cosh(n * std::acosh(2.0 / x_b - 1.0));
      const double b = r.q_centre / (tau - (n % 2 == 0 ? 1.0 : -1.0));
      for (double x : {0.0, 0.3 * x_b, x_b, 0.5 * (1.0 + x_b), 0.97}) {
        const double u = 2.0 * x / x_b - 1.0;
        const double t = std::fabs(u) <= 1.0 ? std::cos(n * std::acos(u)) : std::cosh(n * std::acosh(u));
        EXPECT_NEAR(q_of(zoe, n, x) / (b * (tau - t)), 1.0, 1e-7) << n << ' ' << x_b << ' ' << x;
      }
    }
}

TEST(LayerPeeling, SymmetricalSectionsHaveExactlyTheirPolynomial) {
  // Maximally flat: Q = (1 - x) K0^2 (sum_k binom(2k, k)/4^k x^k)^2.
  for (int m : {0, 1, 3, 7}) {
    const int n = 2 * m + 1;
    const ripple::Response r = ripple::symmetrical_flat(m, 10.0);
    SectionImpedances zoe{};
    ASSERT_TRUE(ripple::realise(r, true, zoe)) << n;
    const double k0 = ripple::k_of_db(10.0);
    for (double x : {0.0, 0.2, 0.6, 0.9}) {
      double p = 0, a = 1, xk = 1;
      for (int k = 0; k <= m; ++k) {
        p += a * xk;
        a *= (2.0 * k + 1.0) / (2.0 * k + 2.0);
        xk *= x;
      }
      EXPECT_NEAR(q_of(zoe, n, x) / ((1.0 - x) * k0 * k0 * p * p), 1.0, 1e-8) << n << ' ' << x;
    }
  }
}

TEST(SymmetricalFit, EquioscillatesAndShrinksWithTheBand) {
  double prev = 1.0;
  for (double x_b : {0.9, 0.5, 0.1, 0.01}) {
    const ripple::SymmetricalFit f = ripple::symmetrical_fit(3, x_b);
    const double e = (f.k_max - f.k_min) / (f.k_max + f.k_min);
    EXPECT_LT(e, prev);
    prev = e;
    // The error of the fit reaches +e and -e about 1 alternately at m + 2 points:
    // its extremes straddle 1 symmetrically.
    EXPECT_NEAR(0.5 * (f.k_max + f.k_min), 1.0, 1e-9);
  }
  // More freedom, smaller error.
  EXPECT_LT(ripple::symmetrical_fit(4, 0.5).k_max, ripple::symmetrical_fit(3, 0.5).k_max);
}

}  // namespace
}  // namespace quill
