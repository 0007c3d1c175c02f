#include "sweep/scaling_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace dinc {
namespace {

TEST(fit_scaling, ExactPowerLawHasItsExponentAndNoError) {
  std::vector<scale_point> points;
  for (int W : {4, 8, 16, 32, 64, 1000}) points.push_back({W, 3.0 * std::pow(W, 0.7)});
  const auto fit = fit_scaling(points, 1, 1 << 30);
  ASSERT_TRUE(fit);
  EXPECT_NEAR(fit->slope, 0.7, 1e-14);
  EXPECT_NEAR(fit->intercept, std::log(3.0), 1e-13);
  EXPECT_NEAR(fit->standard_error, 0.0, 1e-14);
  EXPECT_EQ(fit->points, 6);
  EXPECT_EQ(fit->low, 4);
  EXPECT_EQ(fit->high, 1000);
}

// log2 F = 0, 1, 1, 3 at log2 W = 0, 1, 2, 3: slope 0.9, intercept -0.1 (in log2 units),
// residuals 0.1, 0.2, -0.7, 0.4, so the standard error is sqrt(0.70 / 2 / 5).
const std::vector<scale_point> by_hand = {{1, 1.0}, {2, 2.0}, {4, 2.0}, {8, 8.0}};

TEST(fit_scaling, StandardErrorOfAFitByHand) {
  const auto fit = fit_scaling(by_hand, 1, 8);
  ASSERT_TRUE(fit);
  EXPECT_NEAR(fit->slope, 0.9, 1e-14);
  EXPECT_NEAR(fit->intercept, -0.1 * std::log(2.0), 1e-14);
  EXPECT_NEAR(fit->standard_error, std::sqrt(0.07), 1e-14);
}

TEST(fit_scaling, LeavesOutScalesOutsideTheRangeAndFluctuationsWithoutALogarithm) {
  std::vector<scale_point> points = by_hand;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  points.insert(points.begin(), {{3, 0.0}, {5, nan}, {6, inf}, {7, -1.0}});
  points.push_back({16, 1e6});
  const auto fit = fit_scaling(points, 1, 15);
  ASSERT_TRUE(fit);
  EXPECT_EQ(fit->points, 4);
  EXPECT_EQ(fit->high, 8);
  EXPECT_NEAR(fit->slope, 0.9, 1e-14);
  EXPECT_NEAR(fit->standard_error, std::sqrt(0.07), 1e-14);
}

TEST(fit_scaling, TwoPointsGiveASlopeWithoutErrorFewerGiveNothing) {
  const auto two = fit_scaling(by_hand, 2, 4);
  ASSERT_TRUE(two);
  EXPECT_EQ(two->slope, 0.0);
  EXPECT_TRUE(std::isnan(two->standard_error));
  EXPECT_FALSE(fit_scaling(by_hand, 3, 4));
  EXPECT_FALSE(fit_scaling({}, 1, 100));
  EXPECT_FALSE(fit_scaling({{4, 0.0}, {8, 0.0}, {16, 0.0}}, 1, 100));  // a constant series
}

}  // namespace
}  // namespace dinc
