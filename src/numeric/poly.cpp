#include "numeric/poly.h"

#include <cmath>

namespace dinc {

void poly_basis(double x, double* p, int K) {
  p[1] = 1.0;
  for (int j = 2; j <= K; ++j) p[j] = p[j - 1] * x;
}

double poly_value(double x, const double* a, int K) {
  double v = a[1];
  for (int i = 2; i <= K; ++i) v = std::pow(x, static_cast<double>(i - 1)) * a[i] + v;
  return v;
}

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

}  // namespace dinc
