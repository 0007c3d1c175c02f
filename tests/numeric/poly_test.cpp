#include "numeric/poly.h"

#include <gtest/gtest.h>

namespace dinc {
namespace {

TEST(poly_basis, RunningProductsAndUntouchedTail) {
  double p[6] = {0, 0, 0, 0, 0, 99};
  poly_basis(-2.0, p, 4);
  EXPECT_EQ(p[1], 1.0);
  EXPECT_EQ(p[2], -2.0);
  EXPECT_EQ(p[3], 4.0);
  EXPECT_EQ(p[4], -8.0);
  EXPECT_EQ(p[5], 99.0);  // beyond K
  poly_basis(0.0, p, 3);
  EXPECT_EQ(p[1], 1.0);
  EXPECT_EQ(p[2], 0.0);
  EXPECT_EQ(p[3], 0.0);
}

TEST(poly_value, ConstantTermFirst) {
  struct row {
    double x;
    double a[5];  // a[0] unused
    int K;
    double want;
  } rows[] = {
      {7.5, {0, 4.25}, 1, 4.25},       {0.0, {0, 1, 5, 6}, 3, 1.0},
      {1.0, {0, 1, 2, 3, 4}, 4, 10.0}, {-2.0, {0, 1, 1, 1, 1}, 4, -5.0},
      {3.0, {0, 1, 2, 3}, 3, 34.0},
  };

  for (const row& r : rows) {
    SCOPED_TRACE(r.want);
    EXPECT_EQ(poly_value(r.x, r.a, r.K), r.want);
  }
}

TEST(poly_value, SumsFromTheConstantUpwardsNotHorner) {
  // 1e16 + x*(1) + x^2*(-1e16) at x = 1: ascending order gives (1e16 + 1) - 1e16 = 0 because
  // 1e16 + 1 rounds to 1e16; Horner's scheme would give 1.
  const double a[] = {0, 1e16, 1.0, -1e16};
  EXPECT_EQ(poly_value(1.0, a, 3), 0.0);
}

}  // namespace
}  // namespace dinc
