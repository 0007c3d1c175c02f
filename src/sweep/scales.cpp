#include "sweep/scales.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace dinc {

std::vector<int> log_spaced_scales(int a, int b, double per_octave) {
  const double ratio = static_cast<double>(b) / a;
  const double steps = std::round(std::log2(ratio) * per_octave);
  std::vector<int> scales{a};
  if (steps >= 1.0) {
    const auto m = static_cast<long long>(steps);
    for (long long k = 1; k < m; ++k) {
      // pow of the whole ratio, not a running product, so that no error piles up along the way.
      const double w = std::round(a * std::pow(ratio, static_cast<double>(k) / steps));
      const int scale = static_cast<int>(std::clamp(w, static_cast<double>(a), double{INT_MAX}));
      if (scale != scales.back()) scales.push_back(scale);
    }
  }
  if (b != scales.back()) scales.push_back(b);
  return scales;
}

scale_range default_scale_range(int n, int order) {
  const int low = order >= smallest_scale ? order + 1 : smallest_scale;
  return {low, std::max(low, n / 8)};
}

long long samples_needed(int W, int order) { return order >= 1 ? 2LL * W : W; }

}  // namespace dinc
