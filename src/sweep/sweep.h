// The analysis of one scale reduced to a table row, and the worker threads that run a sweep.
#pragma once

#include <functional>
#include <vector>

namespace dinc {

// dinc's analysis options, with dinc's meanings.
struct increment_settings {
  int order = 1;     // N >= 1: detrend with a polynomial of order N; N <= 0: plain sums
  int method = 1;    // <= 1: normal equations; >= 2: singular value decomposition
  int backward = 0;  // >= 1: append the pass over the reversed profile
};

struct sweep_row {
  int scale;           // W
  int count;           // increments at W, both passes pooled
  double fluctuation;  // F(W) = sqrt(sum d^2 / count)
  double flatness;     // (sum d^4 / count) / (sum d^2 / count)^2; NaN when F(W) = 0
};

// Input: the centred series x[1..n]; a scale W with n >= samples_needed(W, s.order); the
// one-based increments vector with room for 2(n - W + 1) values (one reserved for a smaller
// scale has room too). Output: the row of W. Overwrites increments[1..]; writes no message.
// The centred increments d[i] are exactly the doubles dinc prints for W with the same settings,
// and F(W) is exactly the standard deviation dinc divides by under -v: the same calls, and the
// same sums in the same order. Ends the process as dinc does when a fit or an allocation fails.
sweep_row analyse_scale(const double* x, int n, int W, const increment_settings& s,
                        double* increments);

// Makes the window fit of every scale once, in the calling thread, and throws it away. Whether a
// fit fails (a singular normal matrix, a decomposition that does not converge, an impossible
// order) depends on W, the order and the method alone, never on the data; so this finds every
// such failure before any worker starts, and the run ends exactly as dinc would end for that
// scale, from one thread and always at the smallest failing scale. Nothing to do for N <= 0.
void check_window_fits(const std::vector<int>& scales, const increment_settings& s);

// Told how many of the total scales are done and how many seconds the sweep has taken; called
// in sweep_scales's own thread, about ten times a second while workers run, and once at the end.
using sweep_progress = std::function<void(int done, int total, double seconds)>;

// Input: the centred x[1..n]; scales with n >= samples_needed(W, s.order) each; threads >= 1.
// Output: one row per scale, in the order of scales. Up to threads workers (never more than
// there are scales) take the scales one at a time, the largest first so that a long one does
// not start last; every row is computed alone, so the result is the same, bit for bit, for any
// number of threads. Each worker reuses one increments vector sized for the smallest scale,
// reserved here before the workers start; the series is shared read-only.
std::vector<sweep_row> sweep_scales(const double* x, int n, const std::vector<int>& scales,
                                    const increment_settings& s, int threads,
                                    const sweep_progress& progress);

}  // namespace dinc
