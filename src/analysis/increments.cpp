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
  // Four positions at a time: each sum still runs over its own W samples in index order, but
  // the four independent chains of additions overlap in the processor instead of waiting on
  // one another.
  int m = 1;
  for (; m + 3 <= count; m += 4) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (int i = 0; i < W; ++i) {
      s0 += x[m + i];
      s1 += x[m + 1 + i];
      s2 += x[m + 2 + i];
      s3 += x[m + 3 + i];
    }
    increments[m] = s0;
    increments[m + 1] = s1;
    increments[m + 2] = s2;
    increments[m + 3] = s3;
  }
  for (; m <= count; ++m) {
    double sum = 0.0;
    for (int i = m; i <= m + W - 1; ++i) sum += x[i];
    increments[m] = sum;
  }
  return count;
}

}  // namespace dinc
