#include "analysis/fixed_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>  // abs
#include <limits>
#include <random>
#include <string>
#include <string_view>

namespace dinc {
namespace {

std::string formatted(double x) {
  char buffer[fixed_format_max_chars];
  return std::string(buffer, format_fixed6(x, buffer));
}

constexpr double inf = std::numeric_limits<double>::infinity();

double from_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

// The double n representable steps above x (below it for negative n).
double step_ulps(double x, int n) {
  for (int i = 0; i < std::abs(n); ++i) x = std::nextafter(x, n > 0 ? inf : -inf);
  return x;
}

// Expectations worked out from the exact binary values, not taken from printf.
TEST(format_fixed6, exact_cases) {
  struct row {
    double x;
    const char* want;
  } rows[] = {
      {0.0, "0.000000"},
      {-0.0, "-0.000000"},
      {0.5, "0.500000"},
      {1.5, "1.500000"},
      {123.456, "123.456000"},
      // Odd multiples of 2^-7 are the only exact ties of the sixth decimal.
      {0x1p-7, "0.007812"},
      {0x3p-7, "0.023438"},
      {-0x5p-7, "-0.039062"},
      {0x1.0000000000001p+45, "35184372088832.007812"},
      {0x1.0000000000003p+45, "35184372088832.023438"},
      {0x1.fffffffffffffp-8, "0.007812"},
      {0x1.0000000000001p-7, "0.007813"},
      // Decimal ties that binary cannot hold: the stored value decides the direction.
      {5e-7, "0.000000"},  // 0x1.0c6f7a0b5ed8dp-21, just below the tie
      {2.5e-7, "0.000000"},
      {1.5e-6, "0.000002"},  // just above
      {2.5e-6, "0.000003"},
      {999999.9999995, "999999.999999"},
      {0x1.0000000000001p-21, "0.000000"},
      {0x1.0000000000001p-20, "0.000001"},
      // Rounding that carries into the integer part.
      {0x1.fffffffffffffp-1, "1.000000"},
      {0.9999995, "1.000000"},
      {-1e-9, "-0.000000"},
      {0x1p-1074, "0.000000"},
      {-0x1p-1074, "-0.000000"},
      {-DBL_MIN, "-0.000000"},
      // Around 2^53 and 2^64, where the integer paths change.
      {0x1.fffffffffffffp+51, "4503599627370495.500000"},
      {-0x1.fffffffffffffp+52, "-9007199254740991.000000"},
      {0x1.0000000000001p+53, "9007199254740994.000000"},
      {0x1.fffffffffffffp+63, "18446744073709549568.000000"},
      {0x1p64, "18446744073709551616.000000"},
      {1e20, "100000000000000000000.000000"},
      {-DBL_MAX,
       "-17976931348623157081452742373170435679807056752584499659891747680315726078002853876058955"
       "863276687817154045895351438246423432132688946418276846754670353751698604991057655128207"
       "624549009038932894407586850845513394230458323690322294816580855933212334827479782620414"
       "4723168738177180919299881250404026184124858368.000000"},
      {inf, "inf"},
      {-inf, "-inf"},
      {from_bits(0x7ff8000000000000), "nan"},
      {from_bits(0xfff8000000000000), "-nan"},
      {from_bits(0x7ff0000000000001), "nan"},  // signalling, smallest payload
      {from_bits(0xffffffffffffffff), "-nan"},
  };

  for (const row& r : rows) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "%a", r.x);
    SCOPED_TRACE(hex);
    EXPECT_EQ(formatted(r.x), r.want);
  }
}

// Compares format_fixed6 with glibc's "%lf" on count values drawn by next(rng), and lists
// the first few that differ.
template <typename generator>
void expect_same_as_printf(std::uint64_t seed, long count, generator next) {
  std::mt19937_64 rng{seed};
  long mismatches = 0;
  std::string examples;
  for (long i = 0; i < count; ++i) {
    const double x = next(rng);
    char mine[fixed_format_max_chars];
    const char* end = format_fixed6(x, mine);
    char want[fixed_format_max_chars + 16];
    const int n = std::snprintf(want, sizeof want, "%lf", x);
    const std::string_view got(mine, static_cast<std::size_t>(end - mine));
    if (got != std::string_view(want, static_cast<std::size_t>(n))) {
      if (++mismatches <= 10) {
        char hex[64];
        std::snprintf(hex, sizeof hex, "%a", x);
        examples += std::string(hex) + ": got " + std::string(got) + ", want " + want + "\n";
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << examples;
}

// Over ten million values in all, spread where a formatter is likely to go wrong.

TEST(format_fixed6, matches_printf_on_random_bit_patterns) {
  // Every class at once: about half are beyond 2^64, a third print as zero, 1 in 2048 is
  // an infinity or a NaN.
  expect_same_as_printf(1, 3'000'000, [](std::mt19937_64& rng) { return from_bits(rng()); });
}

TEST(format_fixed6, matches_printf_on_typical_increments) {
  // What the tool prints: centred increments of magnitude 1e-4 .. 1e3.
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> decade(-4, 2);
  expect_same_as_printf(2, 2'000'000, [&](std::mt19937_64& rng) {
    const double x = mantissa(rng) * std::pow(10.0, decade(rng));
    return (rng() & 1) != 0 ? -x : x;
  });
}

TEST(format_fixed6, matches_printf_near_decimal_ties) {
  // The double nearest to (j + 1/2) * 10^-6 and its neighbours: the sixth decimal is then
  // decided by bits far below those that double arithmetic on x * 1e6 would keep.
  std::uniform_int_distribution<int> bits(1, 52);
  long step = 0;
  double tie = 0.0;
  expect_same_as_printf(3, 2'500'000, [&](std::mt19937_64& rng) {
    if (step % 5 == 0) {
      const std::uint64_t j = rng() >> (64 - bits(rng));
      tie = (2.0 * static_cast<double>(j) + 1.0) / 2e6;  // correctly rounded division
      if ((rng() & 1) != 0) tie = -tie;
    }
    constexpr int offsets[] = {0, 1, -1, 2, -2};
    return step_ulps(tie, offsets[step++ % 5]);
  });
}

TEST(format_fixed6, matches_printf_on_dyadic_fractions) {
  // k / 2^p for p up to 80, with exact ties at p = 7, and the neighbours of each.
  std::uniform_int_distribution<int> power(1, 80);
  std::uniform_int_distribution<int> width(1, 53);
  std::uniform_int_distribution<int> neighbour(-2, 2);
  expect_same_as_printf(4, 1'500'000, [&](std::mt19937_64& rng) {
    const std::uint64_t k = (rng() >> (64 - width(rng))) | 1;
    const double x = step_ulps(std::ldexp(static_cast<double>(k), -power(rng)), neighbour(rng));
    return (rng() & 1) != 0 ? -x : x;
  });
}

TEST(format_fixed6, matches_printf_on_large_integers) {
  // Integers and near-integers around 2^50 .. 2^70, where the fast integer path hands over
  // to the wide one at 2^64.
  std::uniform_int_distribution<int> power(50, 70);
  std::uniform_int_distribution<int> neighbour(-64, 64);
  expect_same_as_printf(5, 500'000, [&](std::mt19937_64& rng) {
    double x = step_ulps(std::ldexp(1.0, power(rng)), neighbour(rng));
    if ((rng() & 3) == 0) x = std::ldexp(static_cast<double>(rng() >> 11), power(rng) - 53);
    return (rng() & 1) != 0 ? -x : x;
  });
}

TEST(format_fixed6, matches_printf_on_special_values) {
  // Signed zeros, subnormals, infinities and NaNs of either sign with random payloads.
  expect_same_as_printf(6, 500'000, [](std::mt19937_64& rng) {
    const std::uint64_t r = rng();
    const std::uint64_t sign = r & (std::uint64_t{1} << 63);
    const std::uint64_t payload = (r >> 8) & ((std::uint64_t{1} << 52) - 1);
    switch (r & 3) {
      case 0:
        return from_bits(sign);
      case 1:
        return from_bits(sign | payload);
      case 2:
        return from_bits(sign | 0x7ff0000000000000);
      default:
        return from_bits(sign | 0x7ff0000000000000 | (payload == 0 ? 1 : payload));
    }
  });
}

TEST(format_fixed6, matches_printf_across_magnitudes) {
  // Log-uniform from 1e-10 to 1e25: every binary exponent where the decimals or the integer
  // digits change their character, with random significands.
  std::uniform_real_distribution<double> exponent(-10.0 * std::log2(10.0), 25.0 * std::log2(10.0));
  expect_same_as_printf(7, 500'000, [&](std::mt19937_64& rng) {
    const double x = std::exp2(exponent(rng));
    return (rng() & 1) != 0 ? -x : x;
  });
}

}  // namespace
}  // namespace dinc
