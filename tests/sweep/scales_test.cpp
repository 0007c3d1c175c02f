#include "sweep/scales.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dinc {
namespace {

TEST(log_spaced_scales, EvenInLogBothEndsKeptEachIntegerOnce) {
  struct row {
    int a, b;
    double per_octave;
    std::vector<int> want;
  } rows[] = {
      {4, 32, 4, {4, 5, 6, 7, 8, 10, 11, 13, 16, 19, 23, 27, 32}},
      {4, 8, 16, {4, 5, 6, 7, 8}},  // 17 steps collapse to the 5 integers between
      {10, 1000, 1, {10, 19, 37, 72, 139, 268, 518, 1000}},  // 6.6 octaves: 7 steps
      {100, 150, 4, {100, 122, 150}},
      {4, 8, 0.1, {4, 8}},  // less than one step: the two ends
      {64, 64, 4, {64}},
      {4, 4096, 2.4, {4,   5,   7,   10,  13,  17,  23,  30,   40,   54,   72,   96,  128,
                      171, 228, 304, 406, 542, 724, 967, 1290, 1722, 2299, 3069, 4096}},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(std::to_string(r.a) + ":" + std::to_string(r.b) + " per octave " +
                 std::to_string(r.per_octave));
    EXPECT_EQ(log_spaced_scales(r.a, r.b, r.per_octave), r.want);
  }
}

TEST(log_spaced_scales, LargestRangeStaysInRange) {
  const std::vector<int> s = log_spaced_scales(4, 2147483647, 8);
  ASSERT_GE(s.size(), 2u);
  EXPECT_EQ(s.front(), 4);
  EXPECT_EQ(s.back(), 2147483647);
  for (std::size_t i = 1; i < s.size(); ++i) ASSERT_LT(s[i - 1], s[i]);
}

TEST(default_scale_range, FourToAnEighthOfTheSeries) {
  struct row {
    int n, order, low, high;
  } rows[] = {
      {4096, 1, 4, 512},   {1000000, 2, 4, 125000},
      {100, 1, 4, 12},     {20, 1, 4, 4},  // too short for a range: the lower end alone
      {4096, 10, 11, 512},                 // two points per coefficient in the smallest window
      {100, 20, 21, 21},   {4096, 0, 4, 512},
  };

  for (const row& r : rows) {
    SCOPED_TRACE("n " + std::to_string(r.n) + " order " + std::to_string(r.order));
    const scale_range got = default_scale_range(r.n, r.order);
    EXPECT_EQ(got.low, r.low);
    EXPECT_EQ(got.high, r.high);
  }
}

}  // namespace
}  // namespace dinc
