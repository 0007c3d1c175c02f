#include "numeric/normal_fit.h"

#include <cmath>
#include <utility>

#include "numeric/arrays.h"
#include "numeric/poly.h"

namespace dinc {

namespace {

// Sum over i of (y[i] - fitted)^2, the fit evaluated on the running-product basis (the same
// basis the coefficients were computed from), each sum from 0.0 in ascending order.
double residual_sum_of_squares(const double* x, const double* y, int P, const double* a, int K,
                               double* basis) {
  double sum = 0.0;
  for (int i = 1; i <= P; ++i) {
    poly_basis(x[i], basis, K);
    double fitted = 0.0;
    for (int j = 1; j <= K; ++j) fitted += a[j] * basis[j];
    const double d = y[i] - fitted;
    sum += d * d;
  }
  return sum;
}

}  // namespace

void gaussj(double** a, int n, double** b, int m) {
  int* pivot_column = ivector(1, n);
  int* pivot_row = ivector(1, n);
  int* pivot_count = ivector(1, n);
  for (int k = 1; k <= n; ++k) pivot_count[k] = 0;

  for (int i = 1; i <= n; ++i) {
    // Full pivot search over the rows and columns not yet used. ">=" lets the last of equal
    // candidates win; a NaN never qualifies, so r stays 0 when every candidate is one.
    double big = 0.0;
    int r = 0;
    int c = 0;
    for (int j = 1; j <= n; ++j) {
      if (pivot_count[j] == 1) continue;
      for (int k = 1; k <= n; ++k) {
        if (pivot_count[k] == 0) {
          if (std::fabs(a[j][k]) >= big) {
            big = std::fabs(a[j][k]);
            r = j;
            c = k;
          }
        } else if (pivot_count[k] > 1) {
          fatal_error("gaussj: Singular Matrix-1");
        }
      }
    }
    // No pivot at all means nothing usable is left to eliminate with: as singular as a zero.
    if (c == 0) fatal_error("gaussj: Singular Matrix-2");
    ++pivot_count[c];

    if (r != c) {
      for (int l = 1; l <= n; ++l) std::swap(a[r][l], a[c][l]);
      for (int l = 1; l <= m; ++l) std::swap(b[r][l], b[c][l]);
    }
    pivot_row[i] = r;
    pivot_column[i] = c;
    if (a[c][c] == 0.0) fatal_error("gaussj: Singular Matrix-2");

    // Storing 1.0 first makes the pivot's own slot come out as its reciprocal, building the
    // inverse in place.
    const double inv = 1.0 / a[c][c];
    a[c][c] = 1.0;
    for (int l = 1; l <= n; ++l) a[c][l] *= inv;
    for (int l = 1; l <= m; ++l) b[c][l] *= inv;

    for (int q = 1; q <= n; ++q) {
      if (q == c) continue;
      const double f = a[q][c];
      a[q][c] = 0.0;
      for (int l = 1; l <= n; ++l) a[q][l] -= a[c][l] * f;
      for (int l = 1; l <= m; ++l) b[q][l] -= b[c][l] * f;
    }
  }

  // Undo the column permutation that the row interchanges imposed on the inverse.
  for (int l = n; l >= 1; --l) {
    if (pivot_row[l] != pivot_column[l]) {
      for (int k = 1; k <= n; ++k) std::swap(a[k][pivot_row[l]], a[k][pivot_column[l]]);
    }
  }

  release_ivector(pivot_count, 1, n);
  release_ivector(pivot_row, 1, n);
  release_ivector(pivot_column, 1, n);
}

void fit_normal(const double* x, const double* y, int P, double* a, int K, double* rss) {
  double** normal_rhs = matrix(1, K, 1, 1);
  double* basis_values = vector(1, K);
  double** normal_matrix = matrix(1, K, 1, K);

  for (int j = 1; j <= K; ++j) {
    for (int k = 1; k <= K; ++k) normal_matrix[j][k] = 0.0;
    normal_rhs[j][1] = 0.0;
  }

  // Only the lower triangle is accumulated; the matrix is symmetric and mirrored below.
  for (int i = 1; i <= P; ++i) {
    poly_basis(x[i], basis_values, K);
    for (int j = 1; j <= K; ++j) {
      const double w = basis_values[j];
      for (int k = 1; k <= j; ++k) normal_matrix[j][k] += w * basis_values[k];
      normal_rhs[j][1] += y[i] * w;
    }
  }
  for (int j = 2; j <= K; ++j) {
    for (int k = 1; k < j; ++k) normal_matrix[k][j] = normal_matrix[j][k];
  }

  gaussj(normal_matrix, K, normal_rhs, 1);
  for (int j = 1; j <= K; ++j) a[j] = normal_rhs[j][1];

  *rss = residual_sum_of_squares(x, y, P, a, K, basis_values);

  release_vector(basis_values, 1, K);
  release_matrix(normal_rhs, 1, K, 1, 1);
  release_matrix(normal_matrix, 1, K, 1, K);
}

}  // namespace dinc
