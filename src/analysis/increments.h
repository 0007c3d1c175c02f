// The first stages of the analysis: centring, the increments vector, plain increments.
#pragma once

namespace dinc {

// Subtracts the mean of x[1..n] from every sample; the sum runs in index order from 0.0 and
// is divided by n. With n = 0 nothing is touched.
void centre_series(double* x, int n);

// Returns the one-based increments vector with high bound 2(n - W + 1), room for what either
// path stores. A negative or unrepresentable bound (n <= W - 2, the empty series included)
// ends the process with "allocation failure in vector()".
double* reserve_increments(int n, int W);

// Writes "WITHOUT detrending\n" to standard error (when report is set) and stores in
// increments[1..n - W + 1] the sums of W consecutive centred samples, each formed afresh from 0.0
// in index order (a running sum would round differently). Returns the count n - W + 1 (0 when n = W
// - 1).
int plain_increments(const double* x, int n, int W, double* increments, bool report = true);

}  // namespace dinc
