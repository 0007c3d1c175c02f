#include "numeric/svd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numeric/arrays.h"

namespace dinc {
namespace {

constexpr double eps = std::numeric_limits<double>::epsilon();

// A one-based m x n matrix filled row by row, decomposed on request; releases all it made.
class decomposition {
 public:
  decomposition(int rows, int cols, const std::vector<double>& values)
      : m(rows), n(cols), u(matrix(1, m, 1, n)), w(vector(1, n)), v(matrix(1, n, 1, n)) {
    for (int i = 1; i <= m; ++i) {
      for (int j = 1; j <= n; ++j) u[i][j] = values[static_cast<size_t>((i - 1) * n + j - 1)];
    }
  }

  decomposition(const decomposition&) = delete;
  decomposition& operator=(const decomposition&) = delete;

  ~decomposition() {
    release_matrix(u, 1, m, 1, n);
    release_vector(w, 1, n);
    release_matrix(v, 1, n, 1, n);
  }

  void run() { svdcmp(u, m, n, w, v); }

  const int m;
  const int n;
  double** const u;  // A before run(), U after
  double* const w;
  double** const v;
};

TEST(hypot_safe, Cases) {
  struct row {
    double a, b, want;
  } rows[] = {
      {3.0, 4.0, 5.0},
      {-4.0, 3.0, 5.0},
      {0.0, 0.0, 0.0},
      {-3.0, 0.0, 3.0},
      {0.0, -3.0, 3.0},
      {1e200, 1e200, 1e200 * std::sqrt(2.0)},      // the squares would overflow
      {1e-200, -1e-200, 1e-200 * std::sqrt(2.0)},  // the squares would underflow to 0
  };

  for (const row& r : rows) {
    SCOPED_TRACE(std::to_string(r.a) + ", " + std::to_string(r.b));
    EXPECT_EQ(hypot_safe(r.a, r.b), r.want);
  }
}

// Small matrices whose decomposition is known to the last bit, including the signs of U and V
// and the unsorted order of w.
TEST(svdcmp, ExactSmallCases) {
  struct row {
    const char* name;
    int m, n;
    std::vector<double> a, w, u, v;
  } rows[] = {
      {"1x1 of 3", 1, 1, {3}, {3}, {-1}, {-1}},
      {"1x1 of -3", 1, 1, {-3}, {3}, {-1}, {1}},
      {"diag(1, 2), left unsorted", 2, 2, {1, 0, 0, 2}, {1, 2}, {-1, 0, 0, -1}, {-1, 0, 0, -1}},
      {"zero 2x3",
       2,
       3,
       {0, 0, 0, 0, 0, 0},
       {0, 0, 0},
       {1, 0, 0, 0, 1, 0},
       {1, 0, 0, 0, 1, 0, 0, 0, 1}},
      {"zero 3x2", 3, 2, {0, 0, 0, 0, 0, 0}, {0, 0}, {1, 0, 0, 1, 0, 0}, {1, 0, 0, 1}},
      // A zero pivot counts as non-negative, -0.0 included: the reflection uses g = -sqrt(s).
      {"zero pivot", 2, 2, {0, 1, 1, 0}, {1, 1}, {0, 1, -1, 0}, {-1, 0, 0, 1}},
      {"negative zero pivot", 2, 2, {-0.0, 1, 1, 0}, {1, 1}, {0, 1, -1, 0}, {-1, 0, 0, 1}},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    decomposition d(r.m, r.n, r.a);
    d.run();
    for (int j = 1; j <= r.n; ++j) EXPECT_EQ(d.w[j], r.w[static_cast<size_t>(j - 1)]) << j;
    for (int i = 1; i <= r.m; ++i) {
      for (int j = 1; j <= r.n; ++j) {
        EXPECT_EQ(d.u[i][j], r.u[static_cast<size_t>((i - 1) * r.n + j - 1)]) << i << "," << j;
      }
    }
    for (int i = 1; i <= r.n; ++i) {
      for (int j = 1; j <= r.n; ++j) {
        EXPECT_EQ(d.v[i][j], r.v[static_cast<size_t>((i - 1) * r.n + j - 1)]) << i << "," << j;
      }
    }
  }
}

// A random m x n matrix of the given rank (a product of m x rank and rank x n factors) times
// scale.
std::vector<double> random_matrix(std::mt19937_64& rng, int m, int n, int rank, double scale) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> left(static_cast<size_t>(m * rank));
  std::vector<double> right(static_cast<size_t>(rank * n));
  for (double& e : left) e = unit(rng);
  for (double& e : right) e = unit(rng);
  std::vector<double> a(static_cast<size_t>(m * n), 0.0);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) {
      double sum = 0.0;
      for (int k = 0; k < rank; ++k) {
        sum += left[static_cast<size_t>(i * rank + k)] * right[static_cast<size_t>(k * n + j)];
      }
      a[static_cast<size_t>(i * n + j)] = sum * scale;
    }
  }
  return a;
}

// The design matrix of a polynomial fit on the abscissae 1..m: the ill-conditioned matrices
// the tool actually decomposes.
std::vector<double> design_matrix(int m, int n) {
  std::vector<double> a;
  for (int i = 1; i <= m; ++i) {
    double p = 1.0;
    for (int j = 1; j <= n; ++j, p *= i) a.push_back(p);
  }
  return a;
}

// Checks the defining properties against the original matrix: A = U diag(w) V^T up to rounding
// relative to |A|, V orthogonal, U with orthonormal columns when m >= n, and w >= 0.
void expect_valid_decomposition(const std::vector<double>& a, const decomposition& d) {
  const int m = d.m;
  const int n = d.n;
  double norm = 0.0;
  for (double e : a) norm += e * e;
  norm = std::sqrt(norm);
  const double size = static_cast<double>(std::max(m, n));

  for (int j = 1; j <= n; ++j) EXPECT_GE(d.w[j], 0.0) << "w[" << j << "]";

  double worst = 0.0;
  for (int i = 1; i <= m; ++i) {
    for (int j = 1; j <= n; ++j) {
      double sum = 0.0;
      for (int k = 1; k <= n; ++k) sum += d.u[i][k] * d.w[k] * d.v[j][k];
      worst = std::max(worst, std::fabs(sum - a[static_cast<size_t>((i - 1) * n + j - 1)]));
    }
  }
  EXPECT_LE(worst, 16 * size * eps * norm) << "reconstruction";

  auto orthonormality_error = [](double** q, int rows, int cols) {
    double err = 0.0;
    for (int i = 1; i <= cols; ++i) {
      for (int j = 1; j <= cols; ++j) {
        double dot = 0.0;
        for (int k = 1; k <= rows; ++k) dot += q[k][i] * q[k][j];
        err = std::max(err, std::fabs(dot - (i == j ? 1.0 : 0.0)));
      }
    }
    return err;
  };
  EXPECT_LE(orthonormality_error(d.v, n, n), 16 * size * eps) << "V^T V";
  if (m >= n) {
    EXPECT_LE(orthonormality_error(d.u, m, n), 16 * size * eps) << "U^T U";
  }
}

TEST(svdcmp, ReproducesRandomMatricesOfEveryShapeAndRank) {
  struct row {
    int m, n, rank;
    double scale;
  } rows[] = {
      {1, 1, 1, 1.0},    {1, 5, 1, 1.0},   {5, 1, 1, 1.0},   {2, 2, 2, 1.0},    {3, 5, 3, 1.0},
      {3, 5, 2, 1.0},    {4, 4, 4, 1.0},   {4, 4, 2, 1.0},   {4, 4, 1, 1.0},    {6, 3, 3, 1.0},
      {8, 3, 1, 1.0},    {7, 20, 5, 1.0},  {20, 7, 7, 1.0},  {20, 7, 4, 1.0},   {32, 4, 4, 1.0},
      {12, 12, 12, 1.0}, {12, 12, 9, 1.0}, {5, 3, 3, 1e150}, {5, 3, 3, 1e-150}, {3, 5, 2, 1e150},
      {3, 5, 2, 1e-150},
  };

  std::mt19937_64 rng{12345};
  for (const row& r : rows) {
    for (int trial = 0; trial < 20; ++trial) {
      SCOPED_TRACE(std::to_string(r.m) + "x" + std::to_string(r.n) + " rank " +
                   std::to_string(r.rank) + " scale " + std::to_string(r.scale) + " trial " +
                   std::to_string(trial));
      const std::vector<double> a = random_matrix(rng, r.m, r.n, r.rank, r.scale);
      decomposition d(r.m, r.n, a);
      d.run();
      expect_valid_decomposition(a, d);
    }
  }
}

TEST(svdcmp, ReproducesPolynomialDesignMatrices) {
  const int shapes[][2] = {{4, 6}, {20, 2}, {20, 3}, {20, 7}, {20, 8}, {20, 10}, {512, 4}};
  for (const auto& shape : shapes) {
    SCOPED_TRACE(std::to_string(shape[0]) + "x" + std::to_string(shape[1]));
    const std::vector<double> a = design_matrix(shape[0], shape[1]);
    decomposition d(shape[0], shape[1], a);
    d.run();
    expect_valid_decomposition(a, d);
  }
}

// A NaN or infinity that reaches the bidiagonal norm makes nothing negligible: no singular
// value may be taken as converged, and the run must end, without reading outside the arrays.
TEST(svdcmp, NonFiniteMatricesEndTheRun) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();

  struct row {
    const char* name;
    int m, n;
    std::vector<double> a;
  } rows[] = {
      {"1x1 NaN", 1, 1, {nan}},
      {"2x2 NaN first", 2, 2, {nan, 1, 2, 3}},
      {"2x2 NaN last", 2, 2, {1, 2, 3, nan}},
      {"3x2 NaN", 3, 2, {1, 2, nan, 4, 5, 6}},
      {"2x3 NaN", 2, 3, {1, nan, 3, 4, 5, 6}},
      {"2x2 infinity", 2, 2, {inf, 1, 2, 3}},
      // Here the norm stays finite but a NaN superdiagonal element can never become negligible.
      {"1x3 NaN last", 1, 3, {1, 2, nan}},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EXIT(
        {
          decomposition d(r.m, r.n, r.a);
          d.run();
        },
        testing::ExitedWithCode(1), "no convergence in 30 svdcmp iterations");
  }
}

}  // namespace
}  // namespace dinc
