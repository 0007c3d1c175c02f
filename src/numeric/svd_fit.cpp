#include "numeric/svd_fit.h"

#include "numeric/arrays.h"
#include "numeric/poly.h"
#include "numeric/svd.h"

namespace dinc {

void svd_backsub(const double* const* u, const double* w, const double* const* v, int m, int n,
                 const double* b, double* a) {
  double* projection = vector(1, n);
  for (int j = 1; j <= n; ++j) {
    if (w[j] != 0.0) {
      double sum = 0.0;
      for (int i = 1; i <= m; ++i) sum += u[i][j] * b[i];
      projection[j] = sum / w[j];
    } else {
      projection[j] = 0.0;
    }
  }
  for (int j = 1; j <= n; ++j) {
    double sum = 0.0;
    for (int jj = 1; jj <= n; ++jj) sum += v[j][jj] * projection[jj];
    a[j] = sum;
  }
  release_vector(projection, 1, n);
}

int zero_small_singular_values(double* w, int n) {
  double wmax = 0.0;
  for (int j = 1; j <= n; ++j) {
    if (w[j] > wmax) wmax = w[j];
  }
  const double t = wmax * 1e-10;
  int zeroed = 0;
  for (int j = 1; j <= n; ++j) {
    if (w[j] < t) {
      w[j] = 0.0;
      ++zeroed;
    }
  }
  return zeroed;
}

svd_fit_plan::svd_fit_plan(const double* x, int P, int K)
    : x_(x),
      P_(P),
      K_(K),
      design_rhs_(vector(1, P)),
      basis_values_(vector(1, K)),
      design_matrix_(matrix(1, P, 1, K)),
      right_vectors_(matrix(1, K, 1, K)),
      singular_values_(vector(1, K)) {
  for (int i = 1; i <= P; ++i) {
    poly_basis(x[i], basis_values_, K);
    for (int j = 1; j <= K; ++j) design_matrix_[i][j] = basis_values_[j];
  }
  svdcmp(design_matrix_, P, K, singular_values_, right_vectors_);
  zero_small_singular_values(singular_values_, K);
}

svd_fit_plan::~svd_fit_plan() {
  release_vector(basis_values_, 1, K_);
  release_vector(design_rhs_, 1, P_);
  release_matrix(design_matrix_, 1, P_, 1, K_);
  release_matrix(right_vectors_, 1, K_, 1, K_);
  release_vector(singular_values_, 1, K_);
}

void svd_fit_plan::solve(const double* y, double* a) const {
  // The back-substitution only reads its right-hand side, so y serves as is.
  svd_backsub(design_matrix_, singular_values_, right_vectors_, P_, K_, y, a);
}

double svd_fit_plan::residual_sum_of_squares(const double* y, const double* a) {
  return dinc::residual_sum_of_squares(x_, y, P_, a, K_, basis_values_);
}

void fit_svd(const double* x, const double* y, int P, double* a, int K, double* rss) {
  svd_fit_plan plan(x, P, K);
  plan.solve(y, a);
  *rss = plan.residual_sum_of_squares(y, a);
}

}  // namespace dinc
