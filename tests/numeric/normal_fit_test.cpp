#include "numeric/normal_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "numeric/arrays.h"
#include "numeric/poly.h"

namespace dinc {
namespace {

// A one-based n x m matrix filled row by row from values.
double** make_matrix(int n, int m, std::initializer_list<double> values) {
  double** a = matrix(1, n, 1, m);
  auto it = values.begin();
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= m; ++j) a[i][j] = *it++;
  }
  return a;
}

TEST(gaussj, DiagonalAndAntiDiagonal) {
  double** a = make_matrix(3, 3, {2, 0, 0, 0, 2, 0, 0, 0, 2});
  double** b = make_matrix(3, 1, {1, 2, 3});
  gaussj(a, 3, b, 1);
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(a[i][j], i == j ? 0.5 : 0.0);
    EXPECT_EQ(b[i][1], 0.5 * i);
  }
  release_matrix(a, 1, 3, 1, 3);
  release_matrix(b, 1, 3, 1, 1);

  // The first pivot is (2, 1), the later of two equal maxima: rows exchange, and the final
  // column exchange restores the matrix, which is its own inverse.
  a = make_matrix(2, 2, {0, 1, 1, 0});
  b = make_matrix(2, 1, {5, 7});
  gaussj(a, 2, b, 1);
  EXPECT_EQ(a[1][1], 0.0);
  EXPECT_EQ(a[1][2], 1.0);
  EXPECT_EQ(a[2][1], 1.0);
  EXPECT_EQ(a[2][2], 0.0);
  EXPECT_EQ(b[1][1], 7.0);
  EXPECT_EQ(b[2][1], 5.0);
  release_matrix(a, 1, 2, 1, 2);
  release_matrix(b, 1, 2, 1, 1);
}

TEST(gaussj, SingularSystemsEndTheRun) {
  EXPECT_EXIT(
      {
        double** a = make_matrix(2, 2, {1, 2, 2, 4});
        double** b = make_matrix(2, 1, {1, 1});
        gaussj(a, 2, b, 1);
      },
      testing::ExitedWithCode(1), "gaussj: Singular Matrix-2");
  // No qualifying candidate at all (every one a NaN) is treated as a zero pivot.
  EXPECT_EXIT(
      {
        double** a = make_matrix(2, 2, {NAN, NAN, NAN, NAN});
        double** b = make_matrix(2, 1, {1, 1});
        gaussj(a, 2, b, 1);
      },
      testing::ExitedWithCode(1), "gaussj: Singular Matrix-2");
  // P = 0: an all-zero normal matrix.
  EXPECT_EXIT(
      {
        double a[3];
        double rss;
        fit_normal(nullptr, nullptr, 0, a, 2, &rss);
      },
      testing::ExitedWithCode(1), "gaussj: Singular Matrix-2");
}

TEST(gaussj, RandomSystemSolvesAndInverts) {
  std::mt19937_64 rng{12345};
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n : {1, 2, 3, 5, 8}) {
    SCOPED_TRACE(n);
    double** a = matrix(1, n, 1, n);
    double** a0 = matrix(1, n, 1, n);
    double** b = matrix(1, n, 1, 2);
    double** b0 = matrix(1, n, 1, 2);
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) a[i][j] = a0[i][j] = u(rng) + (i == j ? n : 0);
      for (int l = 1; l <= 2; ++l) b[i][l] = b0[i][l] = u(rng);
    }
    gaussj(a, n, b, 2);
    for (int i = 1; i <= n; ++i) {
      for (int l = 1; l <= 2; ++l) {  // A x - b = 0
        double r = -b0[i][l];
        for (int k = 1; k <= n; ++k) r += a0[i][k] * b[k][l];
        EXPECT_NEAR(r, 0.0, 1e-13);
      }
      for (int j = 1; j <= n; ++j) {  // A A^-1 = I
        double e = 0.0;
        for (int k = 1; k <= n; ++k) e += a0[i][k] * a[k][j];
        EXPECT_NEAR(e, i == j ? 1.0 : 0.0, 1e-13);
      }
    }
    release_matrix(a, 1, n, 1, n);
    release_matrix(a0, 1, n, 1, n);
    release_matrix(b, 1, n, 1, 2);
    release_matrix(b0, 1, n, 1, 2);
  }
}

TEST(fit_normal, MeanAndStraightLine) {
  const double x[] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  const double y[] = {0, 1, 2, 3, 4, 4, 3, 2, 1};
  double a[4];
  double rss = -1.0;
  fit_normal(x, y, 8, a, 1, &rss);
  EXPECT_EQ(a[1], 2.5);  // (sum y) * (1 / 8)
  EXPECT_EQ(rss, 10.0);

  double line[9];
  for (int i = 1; i <= 8; ++i) line[i] = 3 + 2 * x[i];
  fit_normal(x, line, 8, a, 2, &rss);
  EXPECT_NEAR(a[1], 3.0, 1e-12);
  EXPECT_NEAR(a[2], 2.0, 1e-12);
  EXPECT_NEAR(rss, 0.0, 1e-20);
  EXPECT_EQ(line[8], 19.0);  // inputs unchanged
  EXPECT_EQ(x[8], 8.0);
}

TEST(normal_fit_plan, ReplayedEliminationGivesTheBitsOfGaussj) {
  // The plan eliminates the normal matrix once and replays the recorded operations on every
  // right-hand side; the coefficients must be bit for bit those of gaussj run on the matrix
  // and that right-hand side together.
  std::mt19937_64 rng{777};
  std::uniform_real_distribution<double> u(-3.0, 3.0);
  for (int K = 1; K <= 6; ++K) {
    for (int P : {K, 2 * K + 3, 40}) {
      double x[41];
      double y[41];
      for (int i = 1; i <= P; ++i) x[i] = i <= P / 2 ? u(rng) : i * 0.37;
      normal_fit_plan plan(x, P, K);
      for (int trial = 0; trial < 5; ++trial) {
        for (int i = 1; i <= P; ++i) y[i] = u(rng) * 1e3;
        double** a = matrix(1, K, 1, K);
        double** b = matrix(1, K, 1, 1);
        double p[8];
        for (int j = 1; j <= K; ++j) {
          b[j][1] = 0.0;
          for (int k = 1; k <= K; ++k) a[j][k] = 0.0;
        }
        for (int i = 1; i <= P; ++i) {
          poly_basis(x[i], p, K);
          for (int j = 1; j <= K; ++j) {
            for (int k = 1; k <= j; ++k) a[j][k] += p[j] * p[k];
            b[j][1] += y[i] * p[j];
          }
        }
        for (int j = 2; j <= K; ++j) {
          for (int k = 1; k < j; ++k) a[k][j] = a[j][k];
        }
        gaussj(a, K, b, 1);
        double coefficients[8];
        plan.solve(y, coefficients);
        for (int j = 1; j <= K; ++j) {
          EXPECT_EQ(coefficients[j], b[j][1]) << "K " << K << " P " << P << " j " << j;
        }
        release_matrix(a, 1, K, 1, K);
        release_matrix(b, 1, K, 1, 1);
      }
    }
  }
}

TEST(fit_normal, ManyCallsKeepNothing) {
  // LeakSanitizer, in the sanitizer build, reports anything a call leaves allocated.
  double x[33];
  double y[33];
  for (int i = 1; i <= 32; ++i) x[i] = i, y[i] = std::sin(i);
  double a[5];
  double rss;
  for (int k = 0; k < 1000; ++k) fit_normal(x, y, 32, a, 4, &rss);
  EXPECT_TRUE(std::isfinite(rss));
}

}  // namespace
}  // namespace dinc
