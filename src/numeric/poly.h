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

// Input: points (x[i], y[i]), i = 1..P, coefficients a[1..K], work vector basis[1..K].
// Returns the sum over i of (y[i] - fitted)^2 with fitted = a[1] p[1] + ... + a[K] p[K] on the
// running-product basis p of x[i] (the basis the fits solve on, not poly_value), every sum
// from 0.0 in ascending order. Overwrites basis; x, y and a are unchanged.
double residual_sum_of_squares(const double* x, const double* y, int P, const double* a, int K,
                               double* basis);

}  // namespace dinc
