#include "analysis/fixed_format.h"

#include <bit>       // bit_cast
#include <charconv>  // to_chars
#include <cstdint>
#include <cstring>  // memcpy

namespace dinc {

namespace {

// __extension__ keeps -Wpedantic quiet about the one non-standard type this file needs: the
// scaled fraction of a double takes up to 73 bits.
__extension__ typedef unsigned __int128 uint128;

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr std::uint32_t one_million = 1000000;

// Copies the two digits of v < 100 to p.
void put_pair(char* p, std::uint64_t v) { std::memcpy(p, digit_pairs + 2 * v, 2); }

int digit_count(std::uint64_t v) {
  int n = 1;
  for (;;) {
    if (v < 10) return n;
    if (v < 100) return n + 1;
    if (v < 1000) return n + 2;
    if (v < 10000) return n + 3;
    v /= 10000;
    n += 4;
  }
}

// Writes v in decimal without leading zeros ("0" for 0); returns one past the last digit.
char* put_integer(std::uint64_t v, char* out) {
  char* const end = out + digit_count(v);
  char* p = end;
  while (v >= 100) {
    p -= 2;
    put_pair(p, v % 100);
    v /= 100;
  }
  if (v >= 10) {
    put_pair(p - 2, v);
  } else {
    p[-1] = static_cast<char>('0' + v);
  }
  return end;
}

// Writes '.' and the six digits of q < 10^6, leading zeros kept.
char* put_fraction(std::uint32_t q, char* out) {
  out[0] = '.';
  put_pair(out + 1, q / 10000);
  put_pair(out + 3, q / 100 % 100);
  put_pair(out + 5, q % 100);
  return out + 7;
}

}  // namespace

// Input: any double, out with room for fixed_format_max_chars bytes.
// Output: the "%lf" text of x at out; the result is one past its last byte.
//
// The value of a finite x is exactly m * 2^e with an integer m < 2^53. For e >= 0 it is an
// integer; for e < 0 its integer part is m >> -e, and the six decimals are the remaining
// fraction bits times 10^6, shifted right by -e with the dropped bits deciding the rounding.
// Both steps are exact integer arithmetic, so the digits are those of the exact binary value,
// rounded half to even as glibc does in the default rounding mode. Magnitudes of 2^64 and
// above are rare in this tool's output and go to to_chars, which is also exact.
char* format_fixed6(double x, char* out) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  constexpr std::uint64_t sign_bit = std::uint64_t{1} << 63;
  constexpr std::uint64_t hidden_bit = std::uint64_t{1} << 52;
  const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & (hidden_bit - 1);

  // Tested on the bit, not with x < 0: -0.0, tiny negatives and NaNs with the sign set all
  // keep their '-'.
  if ((bits & sign_bit) != 0) *out++ = '-';

  if (biased == 0x7ff) {
    std::memcpy(out, fraction == 0 ? "inf" : "nan", 3);
    return out + 3;
  }

  const std::uint64_t m = biased == 0 ? fraction : fraction | hidden_bit;
  const int e = biased == 0 ? -1074 : biased - 1075;

  if (e >= 0) {
    // m < 2^53, so m << 11 still fits in 64 bits.
    if (e > 11) {
      // At most 309 digits and ".000000": the fixed_format_max_chars - 1 bytes left after
      // the sign are always enough, so to_chars cannot fail here.
      const double magnitude = std::bit_cast<double>(bits & ~sign_bit);
      return std::to_chars(out, out + (fixed_format_max_chars - 1), magnitude,
                           std::chars_format::fixed, 6)
          .ptr;
    }
    out = put_integer(m << e, out);
    std::memcpy(out, ".000000", 7);
    return out + 7;
  }

  const int s = -e;  // 1 .. 1074
  std::uint64_t integer = 0;
  std::uint64_t rest = m;  // the fraction bits: the value's fractional part is rest / 2^s
  if (s < 64) {
    integer = m >> s;
    rest = m & ((std::uint64_t{1} << s) - 1);
  }

  // For s >= 128 the shift below would be undefined; there rest * 10^6 < 2^73 is below half
  // of 2^s, so the six decimals round to zero and q stays 0.
  std::uint32_t q = 0;
  if (s < 128) {
    const uint128 scaled = uint128{rest} * one_million;
    uint128 quotient = scaled >> s;
    const uint128 dropped = scaled - (quotient << s);
    const uint128 half = uint128{1} << (s - 1);
    if (dropped > half || (dropped == half && (quotient & 1) != 0)) ++quotient;
    // rest < 2^s keeps the quotient below 10^6 before rounding, so at most 10^6 after it.
    q = static_cast<std::uint32_t>(quotient);
  }
  if (q == one_million) {
    ++integer;
    q = 0;
  }
  return put_fraction(q, put_integer(integer, out));
}

}  // namespace dinc
