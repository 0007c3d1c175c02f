#include "numeric/normal_fit.h"

#include <cmath>
#include <utility>

#include "numeric/arrays.h"
#include "numeric/poly.h"

namespace dinc {

namespace {

// What one elimination did to its right-hand sides: per pass, the rows exchanged, the pivot's
// reciprocal and the factor of every row.
struct elimination_record {
  int* row;
  int* column;
  double** factors;  // [pass][q] for q = 1..n, [pass][n + 1] the reciprocal
};

// Gauss-Jordan elimination of a[1..n][1..n] with the right-hand sides b[1..n][1..m] (m may be
// 0), recording into *record when it is not null.
void eliminate(double** a, int n, double** b, int m, const elimination_record* record) {
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
      if (record != nullptr) record->factors[i][q] = f;
    }
    if (record != nullptr) {
      record->row[i] = r;
      record->column[i] = c;
      record->factors[i][n + 1] = inv;
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

}  // namespace

void gaussj(double** a, int n, double** b, int m) { eliminate(a, n, b, m, nullptr); }

normal_fit_plan::normal_fit_plan(const double* x, int P, int K)
    : x_(x),
      P_(P),
      K_(K),
      normal_rhs_(matrix(1, K, 1, 1)),
      basis_values_(vector(1, K)),
      normal_matrix_(matrix(1, K, 1, K)),
      pass_pivot_row_(nullptr),
      pass_pivot_column_(nullptr),
      pass_factors_(nullptr) {
  for (int j = 1; j <= K; ++j) {
    for (int k = 1; k <= K; ++k) normal_matrix_[j][k] = 0.0;
  }
  // Only the lower triangle is accumulated; the matrix is symmetric and mirrored below.
  for (int i = 1; i <= P; ++i) {
    poly_basis(x[i], basis_values_, K);
    for (int j = 1; j <= K; ++j) {
      const double w = basis_values_[j];
      for (int k = 1; k <= j; ++k) normal_matrix_[j][k] += w * basis_values_[k];
    }
  }
  for (int j = 2; j <= K; ++j) {
    for (int k = 1; k < j; ++k) normal_matrix_[k][j] = normal_matrix_[j][k];
  }

  pass_pivot_row_ = ivector(1, K);
  pass_pivot_column_ = ivector(1, K);
  pass_factors_ = matrix(1, K, 1, K + 1);
  const elimination_record record{pass_pivot_row_, pass_pivot_column_, pass_factors_};
  eliminate(normal_matrix_, K, nullptr, 0, &record);
}

normal_fit_plan::~normal_fit_plan() {
  release_vector(basis_values_, 1, K_);
  release_matrix(normal_rhs_, 1, K_, 1, 1);
  release_matrix(normal_matrix_, 1, K_, 1, K_);
  release_matrix(pass_factors_, 1, K_, 1, K_ + 1);
  release_ivector(pass_pivot_column_, 1, K_);
  release_ivector(pass_pivot_row_, 1, K_);
}

void normal_fit_plan::solve(const double* y, double* a) {
  const int K = K_;
  double** b = normal_rhs_;
  for (int j = 1; j <= K; ++j) b[j][1] = 0.0;
  for (int i = 1; i <= P_; ++i) {
    poly_basis(x_[i], basis_values_, K);
    for (int j = 1; j <= K; ++j) b[j][1] += y[i] * basis_values_[j];
  }

  // The elimination's operations on its right-hand side, in its order, with its numbers.
  for (int i = 1; i <= K; ++i) {
    const int r = pass_pivot_row_[i];
    const int c = pass_pivot_column_[i];
    const double* f = pass_factors_[i];
    if (r != c) std::swap(b[r][1], b[c][1]);
    b[c][1] *= f[K + 1];
    for (int q = 1; q <= K; ++q) {
      if (q != c) b[q][1] -= b[c][1] * f[q];
    }
  }
  for (int j = 1; j <= K; ++j) a[j] = b[j][1];
}

double normal_fit_plan::residual_sum_of_squares(const double* y, const double* a) {
  return dinc::residual_sum_of_squares(x_, y, P_, a, K_, basis_values_);
}

void fit_normal(const double* x, const double* y, int P, double* a, int K, double* rss) {
  normal_fit_plan plan(x, P, K);
  plan.solve(y, a);
  *rss = plan.residual_sum_of_squares(y, a);
}

}  // namespace dinc
