// The polynomial model shared by both least-squares fits: a[1..K], a[j] multiplying
// x^(j-1), constant term first. Neither routine allocates, reports or keeps state.
#pragma once

namespace dinc {

// Input: abscissa x, K >= 1. Output: p[1..K] = 1, x, x^2, ..., x^(K-1), each power the
// running product of the one before with x (no power function). p beyond K is untouched.
void poly_basis(double x, double* p, int K);

// Input: abscissa x, coefficients a[1..K], K >= 1. Returns a[1] + a[2] x + ... + a[K] x^(K-1),
// summed from the constant term upwards, each term pow(x, i - 1) * a[i] formed afresh.
// This is deliberately not Horner's scheme: the residuals that reach the output are
// defined by this order of rounding.
double poly_value(double x, const double* a, int K);

}  // namespace dinc
