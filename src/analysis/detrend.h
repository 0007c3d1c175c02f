// Detrended increments: windows of 2W profile points every W points, a polynomial of order N
// removed from each, and the W differences of residuals W points apart.
#pragma once

namespace dinc {

struct detrend_settings {
  int scale;           // W
  int order;           // N >= 1
  int method;          // <= 1: normal equations; >= 2: singular value decomposition
  int backward;        // >= 1: append the pass over the reversed profile when n % W != 0
  bool report = true;  // write the progress messages to standard error
};

// Input: the centred series x[1..n] and the reserved increments (high bound 2(n - W + 1)).
// Output: increments[1..count], the forward pass first, then the backward pass; returns count.
// Ends the process with "The data length is not enough!\n" when n < 2W, and through the fits'
// and the allocations' messages otherwise. Reports the order (and the backward pass) on
// standard error when s.report is set.
int detrended_increments(const double* x, int n, const detrend_settings& s, double* increments);

}  // namespace dinc
