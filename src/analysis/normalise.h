// The last stage: centre the increments, scale them and write them one per line.
#pragma once

namespace dinc {

// Writes (increments[i] - mean) / divisor for i = 1..count to fd, each as "%lf\n" text, where
// the divisor is 1 (norm_mode < 1), the standard deviation with divisor count (norm_mode 1) or
// W (otherwise). Means and variances are summed in index order from 0.0. A zero standard
// deviation is not guarded: 0/0 prints as glibc prints a NaN. Returns 0 when every byte was
// written, otherwise the errno of the first failed write.
int write_increments(const double* increments, int count, int norm_mode, int W, int fd);

}  // namespace dinc
