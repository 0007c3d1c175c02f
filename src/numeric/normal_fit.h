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

// fit_normal split in two, for many sets of values at the same abscissae. The normal matrix and
// its elimination depend on the abscissae alone; the plan forms them once, records what the
// elimination did to the right-hand side, and replays that on each new right-hand side. solve()
// gives the very bits fit_normal gives for the same x, y, P and K.
class normal_fit_plan {
 public:
  // Makes the work arrays in fit_normal's order and eliminates, so a refused allocation or a
  // singular normal matrix ends the process with the message fit_normal would write.
  // x[1..P] must outlive the plan.
  normal_fit_plan(const double* x, int P, int K);
  ~normal_fit_plan();
  normal_fit_plan(const normal_fit_plan&) = delete;
  normal_fit_plan& operator=(const normal_fit_plan&) = delete;

  // Writes the coefficients of the fit to y[1..P] into a[1..K].
  void solve(const double* y, double* a);

  // Sum over i of (y[i] - fitted)^2, fitted on the running-product basis.
  double residual_sum_of_squares(const double* y, const double* a);

 private:
  const double* x_;
  int P_;
  int K_;
  double** normal_rhs_;     // [1..K][1..1]
  double* basis_values_;    // [1..K]
  double** normal_matrix_;  // [1..K][1..K], its inverse once eliminated
  int* pass_pivot_row_;     // [1..K] the row exchanged with the pivot column in each pass
  int* pass_pivot_column_;  // [1..K]
  double** pass_factors_;   // [pass][1..K + 1]: the row factors, then the pivot's reciprocal
};

}  // namespace dinc
