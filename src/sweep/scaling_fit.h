// The scaling exponent: the least-squares slope of log F(W) against log W.
#pragma once

#include <optional>
#include <vector>

namespace dinc {

// One point of the fit: a scale and its fluctuation.
struct scale_point {
  int scale;
  double fluctuation;
};

struct scaling_fit {
  int points;  // scales that entered the fit
  int low;     // smallest and largest of them
  int high;
  double slope;           // the exponent
  double intercept;       // of ln F = intercept + slope ln W
  double standard_error;  // of the slope; NaN with two points, which leave no residual freedom
};

// Fits ln F = c + alpha ln W by ordinary least squares over the points with
// low <= scale <= high and a finite fluctuation above zero (a zero or overflowing F has no
// logarithm; such scales are left out rather than poisoning the fit). Sums run over centred
// logarithms, which keeps the slope accurate when the logarithms are large and close together.
// The standard error is sqrt(residual sum of squares / (points - 2) / sum (ln W - mean)^2).
// Returns nothing when fewer than two points qualify. The points must have distinct scales.
std::optional<scaling_fit> fit_scaling(const std::vector<scale_point>& points, int low, int high);

}  // namespace dinc
