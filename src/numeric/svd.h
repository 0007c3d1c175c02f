// Singular value decomposition A = U diag(w) V^T of a one-based m x n matrix, in place.
#pragma once

namespace dinc {

// Returns sqrt(a^2 + b^2), scaled by the larger magnitude so that neither square can overflow
// or underflow on its own. Exact for (3, 4) -> 5; 0 for (0, 0).
double hypot_safe(double a, double b);

// Input: a[1..m][1..n] holds A; m >= 1, n >= 1, fewer rows than columns allowed.
// Output: a[1..m][1..n] is overwritten by U; w[1..n] receives the singular values, all >= 0 and
// NOT sorted (the order in which diagonalisation leaves them); v[1..n][1..n] receives V itself,
// not its transpose, and its content on entry is never read. Column j of U and of V belong
// to w[j]. For m >= n the columns of U are orthonormal; for m < n columns m + 1..n of U are 0.
// No tolerance or machine epsilon is used: an element counts as zero when adding it to the
// largest |w[i]| + |superdiagonal[i]| of the bidiagonal form leaves that value unchanged.
// Rank-deficient matrices are decomposed like any other; infinities and NaNs pass unchecked.
// The only work array is made and released within the call.
// Ends the process through fatal_error with "no convergence in 30 svdcmp iterations" when a
// singular value has not converged after 29 sweeps; this is always the outcome when the
// bidiagonal norm is NaN (nothing can then be judged negligible). a, w and v are then left
// as the failure found them.
void svdcmp(double** a, int m, int n, double* w, double** v);

}  // namespace dinc
