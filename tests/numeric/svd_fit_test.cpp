#include "numeric/svd_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numeric/arrays.h"
#include "numeric/normal_fit.h"
#include "numeric/poly.h"
#include "numeric/svd.h"

namespace dinc {
namespace {

// One-based copies of plain vectors, released on scope exit.
class one_based {
 public:
  explicit one_based(const std::vector<double>& values)
      : n(static_cast<int>(values.size())), p(vector(1, n)) {
    for (int i = 1; i <= n; ++i) p[i] = values[static_cast<size_t>(i - 1)];
  }

  explicit one_based(int count) : n(count), p(vector(1, n)) {
    for (int i = 1; i <= n; ++i) p[i] = 0.0;
  }

  one_based(const one_based&) = delete;
  one_based& operator=(const one_based&) = delete;

  ~one_based() { release_vector(p, 1, n); }

  const int n;
  double* const p;
};

std::vector<double> one_to(int P) {
  std::vector<double> x;
  for (int i = 1; i <= P; ++i) x.push_back(i);
  return x;
}

TEST(fit_svd, RecoversPolynomialsAndLeavesInputsUnchanged) {
  struct row {
    const char* name;
    std::vector<double> x, y, want;
    double want_rss;
  } rows[] = {
      {"K = 1 gives the mean", one_to(8), {1, 2, 3, 4, 4, 3, 2, 1}, {2.5}, 10.0},
      {"straight line", one_to(8), {5, 7, 9, 11, 13, 15, 17, 19}, {3, 2}, 0.0},
      {"parabola on 1..20", one_to(20), {}, {3, -2, 0.5}, 0.0},
      {"cubic on 1..32", one_to(32), {}, {-1, 0.25, -0.125, 0.0625}, 0.0},
  };

  for (row& r : rows) {
    SCOPED_TRACE(r.name);
    const int P = static_cast<int>(r.x.size());
    const int K = static_cast<int>(r.want.size());
    if (r.y.empty()) {
      for (double xi : r.x) r.y.push_back(poly_value(xi, r.want.data() - 1, K));
    }
    one_based x(r.x), y(r.y), a(K);
    double rss = -1.0;
    fit_svd(x.p, y.p, P, a.p, K, &rss);

    double y_norm = 0.0;
    for (double e : r.y) y_norm += e * e;
    for (int j = 1; j <= K; ++j) {
      const double want = r.want[static_cast<size_t>(j - 1)];
      EXPECT_NEAR(a.p[j], want, 1e-9 * std::fabs(want)) << "a[" << j << "]";
    }
    EXPECT_NEAR(rss, r.want_rss, 1e-20 * y_norm + 1e-12 * r.want_rss);
    for (int i = 1; i <= P; ++i) {
      EXPECT_EQ(x.p[i], r.x[static_cast<size_t>(i - 1)]);
      EXPECT_EQ(y.p[i], r.y[static_cast<size_t>(i - 1)]);
    }
  }
}

// Recorded from this implementation, the same in the optimised and the sanitizer builds: the
// bits pin the order of every operation, which the tolerance tests cannot see, and a change here
// means the printed digits of the tool may change. The first row is a real window (W = 10, order
// 7, one singular value cut); in the second the cubes of the abscissae round differently through
// the running product and through pow, so the residuals must come from the basis.
TEST(fit_svd, ResultsArePinnedToTheBit) {
  const std::vector<double> y20 = {0.5, 1.25, 0.75,  -0.5,  -1.5, -1.0, 0.25, 1.75, 2.5, 2.0,
                                   1.0, 0.5,  -0.25, -1.25, -2.0, -1.5, -0.5, 0.75, 1.5, 1.0};

  struct row {
    const char* name;
    int P;
    double x_step;
    std::vector<double> want;
    double want_rss;
  } rows[] = {
      {"x = 1..20, K = 8",
       20,
       1.0,
       {0x1.66d8516adda38p+0, 0x1.2f03c24964b73p-1, -0x1.857407c84f886p-1, 0x1.404b134ae6a02p-3,
        -0x1.def7560dbd5e8p-8, -0x1.2f3f2d89c321p-11, 0x1.e6f988d1ed2bp-15, -0x1.5af3e7216ae8bp-20},
       0x1.3bb92dc191063p+2},
      {"x = 0.1..0.8, K = 4",
       8,
       0.1,
       {-0x1.9b6db6db6dbf8p-1, 0x1.66ac24f0dab18p+4, -0x1.48c9b26c9b272p+6, 0x1.24ede62433b7ep+6},
       0x1.a896b7f7225c7p-1},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const int K = static_cast<int>(r.want.size());
    one_based x(r.P), y(std::vector<double>(y20.begin(), y20.begin() + r.P)), a(K);
    for (int i = 1; i <= r.P; ++i) x.p[i] = r.x_step * i;
    double rss = -1.0;
    fit_svd(x.p, y.p, r.P, a.p, K, &rss);
    for (int j = 1; j <= K; ++j) EXPECT_EQ(a.p[j], r.want[static_cast<size_t>(j - 1)]) << j;
    EXPECT_EQ(rss, r.want_rss);
  }
}

// With more coefficients than points the surplus directions are cut off and the polynomial
// interpolates.
TEST(fit_svd, MoreCoefficientsThanPointsInterpolates) {
  one_based x(one_to(4)), y(std::vector<double>{2.0, -1.0, 3.0, 0.5}), a(6);
  double rss = -1.0;
  fit_svd(x.p, y.p, 4, a.p, 6, &rss);
  for (int i = 1; i <= 4; ++i) EXPECT_NEAR(poly_value(x.p[i], a.p, 6), y.p[i], 1e-12) << i;
  EXPECT_LT(rss, 1e-24);
}

// The cut-off on the design matrices of the tool's own windows: how many singular values fall
// below 1e-10 of the largest depends only on the abscissae and K.
TEST(fit_svd, CutOffCountsOnWindowDesignMatrices) {
  struct row {
    int P, K, zeroed;
  } rows[] = {
      {20, 7, 0},   // smallest about 2e-9 of the largest
      {20, 8, 1},   // smallest about 6e-11 of the largest
      {20, 10, 4},  // order 9
      {4, 6, 2},    // K > P: two directions have nothing to fit
  };

  for (const row& r : rows) {
    SCOPED_TRACE("P = " + std::to_string(r.P) + ", K = " + std::to_string(r.K));
    double** u = matrix(1, r.P, 1, r.K);
    double** v = matrix(1, r.K, 1, r.K);
    double* w = vector(1, r.K);
    for (int i = 1; i <= r.P; ++i) poly_basis(i, u[i], r.K);
    svdcmp(u, r.P, r.K, w, v);
    EXPECT_EQ(zero_small_singular_values(w, r.K), r.zeroed);
    release_matrix(u, 1, r.P, 1, r.K);
    release_matrix(v, 1, r.K, 1, r.K);
    release_vector(w, 1, r.K);
  }
}

TEST(zero_small_singular_values, ThresholdIsRelativeAndStrict) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double t = 4.0 * 1e-10;  // the threshold for a largest value of 4
  const double below = std::nextafter(t, 0.0);
  const double above = std::nextafter(t, 1.0);

  struct row {
    const char* name;
    std::vector<double> w, want;
    int zeroed;
  } rows[] = {
      {"equal to the threshold stays", {below, 4.0, t, above}, {0.0, 4.0, t, above}, 1},
      {"no absolute floor", {1e-300, 1e-311}, {1e-300, 0.0}, 1},
      {"NaN is passed over and kept", {nan, 2.0, 1e-11}, {nan, 2.0, 0.0}, 1},
      {"all zero stays", {0.0, 0.0}, {0.0, 0.0}, 0},
      {"unsorted, several cut", {1e-12, 1.0, 0.0, 1e-10, 3e-11}, {0.0, 1.0, 0.0, 1e-10, 0.0}, 3},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    one_based w(r.w);
    EXPECT_EQ(zero_small_singular_values(w.p, w.n), r.zeroed);
    for (int j = 1; j <= w.n; ++j) {
      const double want = r.want[static_cast<size_t>(j - 1)];
      if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(w.p[j])) << j;
      } else {
        EXPECT_EQ(w.p[j], want) << j;
      }
    }
  }
}

// A zero singular value drops its column of U without forming the product, so even a NaN in
// that column stays out of the solution; the inputs are left as they were.
TEST(svd_backsub, SkipsZeroSingularValuesAndLeavesInputsUnchanged) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double** u = matrix(1, 3, 1, 2);
  double** v = matrix(1, 2, 1, 2);
  const double u_rows[3][2] = {{1.0, nan}, {0.0, nan}, {0.0, nan}};
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 2; ++j) u[i][j] = u_rows[i - 1][j - 1];
  }
  v[1][1] = 0.0;  // V swaps the coordinates
  v[1][2] = 1.0;
  v[2][1] = 1.0;
  v[2][2] = 0.0;
  one_based w(std::vector<double>{4.0, 0.0}), b(std::vector<double>{2.0, 5.0, 7.0}), a(2);

  svd_backsub(u, w.p, v, 3, 2, b.p, a.p);
  EXPECT_EQ(a.p[1], 0.0);
  EXPECT_EQ(a.p[2], 0.5);
  EXPECT_EQ(w.p[1], 4.0);
  EXPECT_EQ(w.p[2], 0.0);
  EXPECT_EQ(b.p[1], 2.0);
  EXPECT_EQ(b.p[2], 5.0);
  EXPECT_EQ(b.p[3], 7.0);
  EXPECT_EQ(u[1][1], 1.0);
  EXPECT_TRUE(std::isnan(u[1][2]));
  EXPECT_EQ(v[1][2], 1.0);
  release_matrix(u, 1, 3, 1, 2);
  release_matrix(v, 1, 2, 1, 2);
}

// Two independent solvers of the same least-squares problem must agree on well-conditioned
// windows: the fitted values and the residual sum of squares.
TEST(fit_svd, AgreesWithNormalEquations) {
  std::mt19937_64 rng{12345};
  std::normal_distribution<double> step(0.0, 1.0);
  for (int W : {5, 16, 64}) {
    for (int K : {2, 3, 4}) {
      SCOPED_TRACE("W = " + std::to_string(W) + ", K = " + std::to_string(K));
      const int P = 2 * W;
      std::vector<double> profile;
      double level = 0.0;
      for (int i = 0; i < P; ++i) profile.push_back(level += step(rng));
      one_based x(one_to(P)), y(profile), a_svd(K), a_normal(K);
      double rss_svd = -1.0;
      double rss_normal = -1.0;
      fit_svd(x.p, y.p, P, a_svd.p, K, &rss_svd);
      fit_normal(x.p, y.p, P, a_normal.p, K, &rss_normal);
      EXPECT_NEAR(rss_svd, rss_normal, 1e-8 * rss_normal);
      for (int i = 1; i <= P; ++i) {
        EXPECT_NEAR(poly_value(x.p[i], a_svd.p, K), poly_value(x.p[i], a_normal.p, K),
                    1e-8 * (1.0 + std::fabs(y.p[i])))
            << i;
      }
    }
  }
}

}  // namespace
}  // namespace dinc
