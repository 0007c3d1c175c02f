// Least squares through the normal equations, solved by Gauss-Jordan elimination.
#pragma once

namespace dinc {

// Gauss-Jordan elimination with full pivoting.
// Input: a[1..n][1..n], b[1..n][1..m]. Output: a holds the inverse of the matrix passed in;
// column l of b holds the solution for the l-th right-hand side. Rows are scaled by the
// reciprocal of the pivot, never divided by it. Of equal candidates the last visited pivot
// wins (highest row, then highest column). Ends the process with
// "gaussj: Singular Matrix-1" when a column is chosen twice and "gaussj: Singular Matrix-2"
// on an exactly zero pivot, or when no candidate qualifies (all remaining are NaN).
void gaussj(double** a, int n, double** b, int m);

// Fits a[1..K] (a[j] multiplies x^(j-1)) to the points (x[i], y[i]), i = 1..P, every point with
// weight 1, through the normal equations. Writes the residual sum of squares to *rss; leaves x
// and y unchanged; ends the process through gaussj's messages on a singular normal matrix.
// Every work array is made and released within the call.
void fit_normal(const double* x, const double* y, int P, double* a, int K, double* rss);

}  // namespace dinc
