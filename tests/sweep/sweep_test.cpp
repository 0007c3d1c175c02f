#include "sweep/sweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "analysis/increments.h"
#include "fgn.h"
#include "sweep/scales.h"
#include "sweep/scaling_fit.h"

namespace dinc {
namespace {

// x[1..n] centred, with the spare element x[0] the one-based routines expect.
std::vector<double> centred(const std::vector<double>& samples) {
  std::vector<double> x(samples.size() + 1);
  std::copy(samples.begin(), samples.end(), x.begin() + 1);
  centre_series(x.data(), static_cast<int>(samples.size()));
  return x;
}

TEST(analyse_scale, MomentsOfIncrementsWorkedOutByHand) {
  // 3 1 4 1 5 9 2 6 5 3 at W = 4: the detrended increments are -40/7, 16/7, 2/7, 37/7 forward
  // and 22/7, 22/7, -13/7, 1/7 backward; the plain sums -6.6, -4.6, 3.4, 1.4, 6.4, 6.4, 0.4.
  // F and flatness below are those values' exact moments.
  std::vector<double> x = centred({3, 1, 4, 1, 5, 9, 2, 6, 5, 3});

  struct row {
    const char* what;
    increment_settings s;
    int count;
    double fluctuation, flatness;
  } rows[] = {
      {"order 1, both passes", {1, 1, 1}, 8, 3.230465231548685, 320906469.0 / 119006281.0},
      {"order 1, svd, both passes", {1, 2, 1}, 8, 3.230465231548685, 320906469.0 / 119006281.0},
      {"order 1, forward", {1, 1, 0}, 4, 4.02336923485777, 18691.0 / 9583.0},
      {"plain sums", {0, 1, 1}, 7, 4.686062704816207, 516359.0 / 289444.0},
  };

  std::vector<double> increments(2 * (10 - 4 + 1) + 1);
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const sweep_row got = analyse_scale(x.data(), 10, 4, r.s, increments.data());
    EXPECT_EQ(got.scale, 4);
    EXPECT_EQ(got.count, r.count);
    EXPECT_NEAR(got.fluctuation, r.fluctuation, 1e-13);
    EXPECT_NEAR(got.flatness, r.flatness, 1e-12);
  }
}

TEST(analyse_scale, ConstantSeriesHasNoFluctuationAndNoFlatness) {
  std::vector<double> x = centred(std::vector<double>(40, 2.5));
  std::vector<double> increments(2 * (40 - 5 + 1) + 1);
  const sweep_row got = analyse_scale(x.data(), 40, 5, {0, 1, 0}, increments.data());
  EXPECT_EQ(got.count, 36);
  EXPECT_EQ(got.fluctuation, 0.0);
  EXPECT_TRUE(std::isnan(got.flatness));
}

TEST(sweep_scales, SameBitsAndScaleOrderForAnyNumberOfThreads) {
  std::mt19937_64 rng{20261211};
  std::normal_distribution<double> step(0.0, 1.0);
  std::vector<double> walk(5003);
  double level = 0.0;
  for (double& v : walk) v = (level += 0.1 * step(rng)) + step(rng);
  std::vector<double> x = centred(walk);
  const int n = static_cast<int>(walk.size());
  const std::vector<int> scales = {4, 5, 9, 16, 33, 64, 100, 250, 600, 1200, 2501};

  for (const increment_settings s : {increment_settings{1, 1, 0}, increment_settings{2, 2, 1},
                                     increment_settings{3, 0, 1}, increment_settings{0, 1, 0}}) {
    SCOPED_TRACE("order " + std::to_string(s.order) + " method " + std::to_string(s.method) +
                 " backward " + std::to_string(s.backward));
    const std::vector<sweep_row> alone = sweep_scales(x.data(), n, scales, s, 1, nullptr);
    ASSERT_EQ(alone.size(), scales.size());
    std::vector<double> increments(2 * static_cast<std::size_t>(n) + 1);
    for (std::size_t i = 0; i < scales.size(); ++i) {
      EXPECT_EQ(alone[i].scale, scales[i]);
      // Every row is the scale's analysis on its own, as if no other scale had run.
      const sweep_row fresh = analyse_scale(x.data(), n, scales[i], s, increments.data());
      EXPECT_EQ(alone[i].fluctuation, fresh.fluctuation) << "scale " << scales[i];
    }
    for (int threads : {2, 3, 16}) {
      const std::vector<sweep_row> shared = sweep_scales(x.data(), n, scales, s, threads, nullptr);
      ASSERT_EQ(shared.size(), alone.size());
      for (std::size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(shared[i].scale, alone[i].scale);
        EXPECT_EQ(shared[i].count, alone[i].count);
        // Exact equality of the bits: NaN never appears here (no constant series).
        EXPECT_EQ(shared[i].fluctuation, alone[i].fluctuation) << threads << " threads";
        EXPECT_EQ(shared[i].flatness, alone[i].flatness) << threads << " threads";
      }
    }
  }
}

TEST(sweep_scales, ReportsProgressUpToTheTotal) {
  std::vector<double> x = centred(std::vector<double>{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7});
  int last_done = -1, calls = 0;
  sweep_scales(x.data(), 14, {4, 5, 6, 7}, {1, 1, 0}, 2, [&](int done, int total, double) {
    EXPECT_EQ(total, 4);
    EXPECT_GE(done, last_done);
    last_done = done;
    ++calls;
  });
  EXPECT_GE(calls, 1);
  EXPECT_EQ(last_done, 4);
}

// The profile of fractional Gaussian noise is fractional Brownian motion, whose detrended
// increments grow as W^H: the sweep's exponent over its default range must find H.
TEST(sweep_scales, ExponentOfFractionalGaussianNoiseIsItsHurstExponent) {
  constexpr std::size_t n = std::size_t{1} << 15;

  struct row {
    double H;
    std::uint64_t seed;
  } rows[] = {{0.3, 301}, {0.5, 502}, {0.7, 703}, {0.9, 904}};

  for (const row& r : rows) {
    SCOPED_TRACE("H = " + std::to_string(r.H));
    std::vector<double> x = centred(fgn::generate(n, r.H, r.seed));
    const int length = static_cast<int>(n);
    const scale_range range = default_scale_range(length, 2);
    const std::vector<int> scales = log_spaced_scales(range.low, range.high, 4);
    const std::vector<sweep_row> rows_out =
        sweep_scales(x.data(), length, scales, {2, 1, 0}, 2, nullptr);
    std::vector<scale_point> points;
    for (const sweep_row& s : rows_out) points.push_back({s.scale, s.fluctuation});
    const auto fit = fit_scaling(points, range.low, range.high);
    ASSERT_TRUE(fit);
    std::printf("H %.1f: exponent %.4f +/- %.4f over %d scales, %d to %d\n", r.H, fit->slope,
                fit->standard_error, fit->points, fit->low, fit->high);
    EXPECT_NEAR(fit->slope, r.H, 0.05);
  }
}

}  // namespace
}  // namespace dinc
