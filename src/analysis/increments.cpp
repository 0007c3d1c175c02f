#include "analysis/increments.h"

#include <climits>
#include <cstdio>

#include "numeric/arrays.h"

namespace dinc {

void centre_series(double* x, int n) {
  if (n <= 0) return;
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += x[i];
  const double mean = sum / static_cast<double>(n);
  for (int i = 1; i <= n; ++i) x[i] -= mean;
}

double* reserve_increments(int n, int W) {
  const long long high = 2 * (static_cast<long long>(n) - W + 1);
  // A bound that does not fit the int of the one-based vector cannot be requested at all.
  if (high > INT_MAX || high < INT_MIN) fatal_error("allocation failure in vector()");
  return vector(1, static_cast<int>(high));
}

int plain_increments(const double* x, int n, int W, double* increments, bool report) {
  if (report) std::fprintf(stderr, "WITHOUT detrending\n");
  const int count = n - W + 1;
  for (int m = 1; m <= count; ++m) {
    double sum = 0.0;
    for (int i = m; i <= m + W - 1; ++i) sum += x[i];
    increments[m] = sum;
  }
  return count;
}

}  // namespace dinc
