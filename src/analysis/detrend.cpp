#include "analysis/detrend.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>

#include "numeric/arrays.h"
#include "numeric/normal_fit.h"
#include "numeric/poly.h"
#include "numeric/svd_fit.h"

namespace dinc {

namespace {

// Largest table of powers kept for the residuals; beyond it (absurd orders) each window calls
// poly_value afresh, which gives the same bits more slowly.
constexpr long long max_power_entries = 1LL << 22;

// The fit of every window: one of the two plans, made once for the shared abscissae.
class window_fitter {
 public:
  window_fitter(const double* abscissae, int points, int K, int method) {
    if (method <= 1) {
      normal_.emplace(abscissae, points, K);
    } else {
      svd_.emplace(abscissae, points, K);
    }
  }

  void fit(const double* y, double* a) {
    if (normal_) {
      normal_->solve(y, a);
    } else {
      svd_->solve(y, a);
    }
  }

 private:
  std::optional<normal_fit_plan> normal_;
  std::optional<svd_fit_plan> svd_;
};

struct window_work {
  const double* abscissae;  // [1..2W] = 1, 2, ..., 2W: every window in its own coordinates
  double* window_values;    // [1..2W] the window's profile, then its residuals
  double* coefficients;     // [1..K]
  int K;                    // N + 1
  // powers[(j - 1) * (K - 1) + (i - 1)] = pow(abscissae[j], i - 1) for i = 2..K, or null:
  // the very values poly_value asks pow for in every window.
  double* powers;
};

// poly_value(abscissae[j], a, K) from the table: the same products added in the same order.
double fitted_value(const window_work& work, int j) {
  const double* a = work.coefficients;
  const double* pw = work.powers + static_cast<std::ptrdiff_t>(j - 1) * (work.K - 1);
  double v = a[1];
  for (int i = 2; i <= work.K; ++i) v = pw[i - 1] * a[i] + v;
  return v;
}

// Runs the windows s = 1, 1 + W, ... while s <= n - 2W + 1 over profile[1..n], appending W
// differences per window at increments[count + 1..]. Returns the new count.
int window_pass(const double* profile, int n, int W, window_fitter& fitter, window_work& work,
                double* increments, int count) {
  const int points = 2 * W;
  for (long long start = 1; start <= static_cast<long long>(n) - points + 1; start += W) {
    const double* window = profile + start - 1;
    for (int j = 1; j <= points; ++j) work.window_values[j] = window[j];

    fitter.fit(work.window_values, work.coefficients);

    if (work.powers == nullptr) {
      for (int j = 1; j <= points; ++j) {
        work.window_values[j] -= poly_value(work.abscissae[j], work.coefficients, work.K);
      }
    } else {
      for (int j = 1; j <= points; ++j) work.window_values[j] -= fitted_value(work, j);
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
  if (s.report) std::fprintf(stderr, "detrend using polynomial fits of order %d\n", s.order);

  const int points = 2 * W;  // n >= 2W, so this fits an int
  double* profile = vector(1, n);
  double* abscissae = vector(1, points);
  double* window_values = vector(1, points);
  // N + 1 does not fit an int for the largest order: a coefficient vector that cannot even be
  // requested is a failed allocation like any other.
  if (s.order == INT_MAX) fatal_error("allocation failure in vector()");
  const int K = s.order + 1;
  window_work work{abscissae, window_values, vector(1, K), K, nullptr};

  profile[1] = x[1];
  for (int i = 2; i <= n; ++i) profile[i] = profile[i - 1] + x[i];
  for (int j = 1; j <= points; ++j) abscissae[j] = j;

  // Every window has the same abscissae, so what depends on them alone is done once: the
  // factorisation of the fit and the powers of the residuals. Each window still gets exactly
  // the numbers a complete fit call and fresh pow calls would give it.
  window_fitter fitter(abscissae, points, K, s.method);
  const long long power_entries = static_cast<long long>(points) * (K - 1);
  if (power_entries <= max_power_entries) {
    work.powers = vector(1, static_cast<int>(power_entries));
    for (int j = 1; j <= points; ++j) {
      for (int i = 2; i <= K; ++i) {
        work.powers[(j - 1) * (K - 1) + (i - 1)] =
            std::pow(abscissae[j], static_cast<double>(i - 1));
      }
    }
  }

  int count = window_pass(profile, n, W, fitter, work, increments, 0);

  if (s.backward >= 1 && n % W >= 1) {
    if (s.report) std::fprintf(stderr, "including backward computation\n");
    // Accumulated afresh from the last sample: reversing the forward sums would round
    // differently.
    profile[1] = x[n];
    for (int i = 2; i <= n; ++i) profile[i] = profile[i - 1] + x[n - i + 1];
    count = window_pass(profile, n, W, fitter, work, increments, count);
  }

  if (work.powers != nullptr) release_vector(work.powers, 1, static_cast<int>(power_entries));
  release_vector(abscissae, 1, points);
  release_vector(work.window_values, 1, points);
  release_vector(work.coefficients, 1, K);
  release_vector(profile, 1, n);
  return count;
}

}  // namespace dinc
