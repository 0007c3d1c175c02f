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

}  // namespace dinc
