// The scales of a sweep: explicit lists, log-spaced ranges, the default range, and which scales
// a series is long enough for.
#pragma once

#include <vector>

namespace dinc {

// The smallest scale the analysis knows: dinc raises every smaller scale to it.
constexpr int smallest_scale = 4;

// The scales from a to b (smallest_scale <= a <= b) spaced evenly in log W: with
// m = round(log2(b / a) * per_octave) steps (per_octave > 0), the values a (b / a)^(k / m),
// k = 0..m, rounded to the nearest integer, ascending, each integer once. Both ends are always
// among them, whatever the ratio; steps closer than one at the small end collapse into one scale.
std::vector<int> log_spaced_scales(int a, int b, double per_octave);

// The range swept when none is given, for n samples and the given order: from smallest_scale
// (or order + 1, when that is larger, so that each window holds at least two points per
// coefficient) to n / 8, so that the largest scale still has seven windows per pass. A series
// too short for that range gets its lower end alone. Returns {low, high}.
struct scale_range {
  int low;
  int high;
};

scale_range default_scale_range(int n, int order);

// The fewest samples that give at least one increment at scale W: 2W (one window of 2W profile
// points) when detrending (order >= 1), W (one plain sum) otherwise.
long long samples_needed(int W, int order);

}  // namespace dinc
