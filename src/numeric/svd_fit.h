// Least squares through the singular value decomposition of the design matrix, with a relative
// cut-off for small singular values.
#pragma once

namespace dinc {

// Input: u[1..m][1..n], w[1..n], v[1..n][1..n] as left by svdcmp (w possibly with zeros), and
// b[1..m]. Output: a[1..n] = V diag(1/w) U^T b, where 1/w counts as 0 wherever w[j] == 0 (the
// inner product with b is then not formed, so a NaN in that column of u does not reach a):
// the minimum-length least-squares solution within the directions the non-zero singular values
// span. Every sum runs from 0.0 in ascending index order. u, w, v and b are unchanged; the one
// work vector is made and released within the call.
void svd_backsub(const double* const* u, const double* w, const double* const* v, int m, int n,
                 const double* b, double* a);

// Input: w[1..n]. Sets to 0 every w[j] below 1e-10 times the largest w[j]; a value equal to that
// threshold stays. NaNs are passed over by the maximum and are never zeroed; there is no
// absolute floor, and nothing is sorted. Returns how many values it set to 0.
int zero_small_singular_values(double* w, int n);

// Fits a[1..K] (a[j] multiplies x^(j-1)) to the points (x[i], y[i]), i = 1..P, every point with
// weight 1, through the SVD of the P x K design matrix, singular values cut off by
// zero_small_singular_values. K > P is accepted: the surplus directions get no weight. Writes
// the residual sum of squares, from the running-product basis, to *rss; leaves x and y
// unchanged. Every work array is made and released within the call; ends the process through
// fatal_error on a refused allocation or when svdcmp does not converge.
void fit_svd(const double* x, const double* y, int P, double* a, int K, double* rss);

// fit_svd split in two, for many sets of values at the same abscissae. The decomposition of the
// design matrix and its cut-off depend on the abscissae alone; the plan does them once, and
// solve() then gives the very bits fit_svd gives for the same x, y, P and K.
class svd_fit_plan {
 public:
  // Makes the work arrays in fit_svd's order and decomposes, so a refused allocation or a
  // decomposition that does not converge ends the process with the message fit_svd would
  // write. x[1..P] must outlive the plan.
  svd_fit_plan(const double* x, int P, int K);
  ~svd_fit_plan();
  svd_fit_plan(const svd_fit_plan&) = delete;
  svd_fit_plan& operator=(const svd_fit_plan&) = delete;

  // Writes the coefficients of the fit to y[1..P] into a[1..K].
  void solve(const double* y, double* a) const;

  // Sum over i of (y[i] - fitted)^2, fitted on the running-product basis.
  double residual_sum_of_squares(const double* y, const double* a);

 private:
  const double* x_;
  int P_;
  int K_;
  double* design_rhs_;       // [1..P], kept for fit_svd's order of allocation
  double* basis_values_;     // [1..K]
  double** design_matrix_;   // [1..P][1..K], U once decomposed
  double** right_vectors_;   // [1..K][1..K], V
  double* singular_values_;  // [1..K], the small ones set to 0
};

}  // namespace dinc
