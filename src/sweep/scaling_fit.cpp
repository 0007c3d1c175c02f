#include "sweep/scaling_fit.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace dinc {

std::optional<scaling_fit> fit_scaling(const std::vector<scale_point>& points, int low, int high) {
  std::vector<double> x, y;
  int first = 0, last = 0;
  for (const scale_point& p : points) {
    if (p.scale < low || p.scale > high) continue;
    // Written this way round so that a NaN fails the test too.
    if (!(p.fluctuation > 0.0 && std::isfinite(p.fluctuation))) continue;
    if (x.empty()) first = p.scale;
    last = p.scale;
    x.push_back(std::log(static_cast<double>(p.scale)));
    y.push_back(std::log(p.fluctuation));
  }
  const std::size_t m = x.size();
  if (m < 2) return std::nullopt;
  const auto count = static_cast<double>(m);

  double x_mean = 0.0, y_mean = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    x_mean += x[i];
    y_mean += y[i];
  }
  x_mean /= count;
  y_mean /= count;
  double sxx = 0.0, sxy = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    const double dx = x[i] - x_mean;
    sxx += dx * dx;
    sxy += dx * (y[i] - y_mean);
  }
  const double slope = sxy / sxx;
  const double intercept = y_mean - slope * x_mean;

  double standard_error = std::numeric_limits<double>::quiet_NaN();
  if (m > 2) {
    double rss = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
      const double e = y[i] - (intercept + slope * x[i]);
      rss += e * e;
    }
    standard_error = std::sqrt(rss / (count - 2.0) / sxx);
  }
  return scaling_fit{static_cast<int>(m), first, last, slope, intercept, standard_error};
}

}  // namespace dinc
