#include "analysis/detrend.h"

#include <climits>
#include <cstdio>

#include "numeric/arrays.h"
#include "numeric/normal_fit.h"
#include "numeric/poly.h"
#include "numeric/svd_fit.h"

namespace dinc {

namespace {

struct window_work {
  double* abscissae;      // [1..2W] = 1, 2, ..., 2W: every window in its own coordinates
  double* window_values;  // [1..2W] the window's profile, then its residuals
  double* coefficients;   // [1..K]
  int K;                  // N + 1
};

// Runs the windows s = 1, 1 + W, ... while s <= n - 2W + 1 over profile[1..n], appending W
// differences per window at increments[count + 1..]. Returns the new count.
int window_pass(const double* profile, int n, const detrend_settings& s, const window_work& work,
                double* increments, int count) {
  const int W = s.scale;
  const int points = 2 * W;
  const int K = work.K;
  double rss = 0.0;  // written by the fits, never read here
  for (long long start = 1; start <= static_cast<long long>(n) - points + 1; start += W) {
    const double* window = profile + start - 1;
    for (int j = 1; j <= points; ++j) work.window_values[j] = window[j];

    if (s.method <= 1) {
      fit_normal(work.abscissae, work.window_values, points, work.coefficients, K, &rss);
    } else {
      fit_svd(work.abscissae, work.window_values, points, work.coefficients, K, &rss);
    }

    for (int j = 1; j <= points; ++j) {
      work.window_values[j] -= poly_value(work.abscissae[j], work.coefficients, K);
    }
    for (int j = 1; j <= W; ++j) {
      increments[count + j] = work.window_values[W + j] - work.window_values[j];
    }
    count += W;
  }
  return count;
}

}  // namespace

int detrended_increments(const double* x, int n, const detrend_settings& s, double* increments) {
  const int W = s.scale;
  if (static_cast<long long>(n) < 2LL * W) fatal_error("The data length is not enough!\n");
  std::fprintf(stderr, "detrend using polynomial fits of order %d\n", s.order);

  const int points = 2 * W;  // n >= 2W, so this fits an int
  double* profile = vector(1, n);
  double* abscissae = vector(1, points);
  double* window_values = vector(1, points);
  // N + 1 does not fit an int for the largest order: a coefficient vector that cannot even be
  // requested is a failed allocation like any other.
  if (s.order == INT_MAX) fatal_error("allocation failure in vector()");
  const int K = s.order + 1;
  const window_work work{abscissae, window_values, vector(1, K), K};

  profile[1] = x[1];
  for (int i = 2; i <= n; ++i) profile[i] = profile[i - 1] + x[i];
  for (int j = 1; j <= points; ++j) work.abscissae[j] = j;

  int count = window_pass(profile, n, s, work, increments, 0);

  if (s.backward >= 1 && n % W >= 1) {
    std::fprintf(stderr, "including backward computation\n");
    // Accumulated afresh from the last sample: reversing the forward sums would round
    // differently.
    profile[1] = x[n];
    for (int i = 2; i <= n; ++i) profile[i] = profile[i - 1] + x[n - i + 1];
    count = window_pass(profile, n, s, work, increments, count);
  }

  release_vector(work.abscissae, 1, points);
  release_vector(work.window_values, 1, points);
  release_vector(work.coefficients, 1, K);
  release_vector(profile, 1, n);
  return count;
}

}  // namespace dinc
