#include "analysis/normalise.h"

#include <cmath>

#include "analysis/output_writer.h"

namespace dinc {

int write_increments(const double* increments, int count, int norm_mode, int W, int fd) {
  output_writer out(fd);
  if (count > 0) {
    double sum = 0.0;
    for (int i = 1; i <= count; ++i) sum += increments[i];
    const double mean = sum / static_cast<double>(count);

    if (norm_mode < 1) {
      for (int i = 1; i <= count; ++i) out.put_line(increments[i] - mean);
    } else if (norm_mode == 1) {
      double squares = 0.0;
      for (int i = 1; i <= count; ++i) {
        const double d = increments[i] - mean;
        squares += d * d;
      }
      const double sd = std::sqrt(squares / static_cast<double>(count));
      for (int i = 1; i <= count; ++i) out.put_line((increments[i] - mean) / sd);
    } else {
      const double scale = W;
      for (int i = 1; i <= count; ++i) out.put_line((increments[i] - mean) / scale);
    }
  }
  out.finish();
  return out.error();
}

}  // namespace dinc
