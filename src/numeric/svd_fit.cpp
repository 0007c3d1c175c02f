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

void fit_svd(const double* x, const double* y, int P, double* a, int K, double* rss) {
  double* design_rhs = vector(1, P);
  double* basis_values = vector(1, K);
  double** design_matrix = matrix(1, P, 1, K);
  double** right_vectors = matrix(1, K, 1, K);
  double* singular_values = vector(1, K);

  for (int i = 1; i <= P; ++i) {
    poly_basis(x[i], basis_values, K);
    for (int j = 1; j <= K; ++j) design_matrix[i][j] = basis_values[j];
    design_rhs[i] = y[i];
  }
  svdcmp(design_matrix, P, K, singular_values, right_vectors);
  zero_small_singular_values(singular_values, K);
  svd_backsub(design_matrix, singular_values, right_vectors, P, K, design_rhs, a);

  // Fitted values from the same running-product basis as the design matrix, not poly_value.
  *rss = 0.0;
  for (int i = 1; i <= P; ++i) {
    poly_basis(x[i], basis_values, K);
    double fitted = 0.0;
    for (int j = 1; j <= K; ++j) fitted += a[j] * basis_values[j];
    const double d = y[i] - fitted;
    *rss += d * d;
  }

  release_vector(basis_values, 1, K);
  release_vector(design_rhs, 1, P);
  release_matrix(design_matrix, 1, P, 1, K);
  release_matrix(right_vectors, 1, K, 1, K);
  release_vector(singular_values, 1, K);
}

}  // namespace dinc
