#include "driver/number_scanner.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace dinc {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

struct scanned {
  std::vector<double> values;
  bool stopped = false;
};

// Feeds text to a fresh scanner in blocks of the given lengths (the last one repeated until
// the text is used up), each block copied into a heap allocation of exactly its size so that
// the address sanitizer sees any read past a block's end. room is the output capacity of
// each call.
scanned scan_blocks(std::string_view text, const std::vector<std::size_t>& lengths,
                    std::size_t room = 64) {
  number_scanner scanner;
  scanned result;
  std::vector<double> out(room);
  std::size_t at = 0;
  for (std::size_t b = 0; at < text.size() && !scanner.stopped(); ++b) {
    const std::size_t length = std::min(lengths[std::min(b, lengths.size() - 1)], text.size() - at);
    auto block = std::make_unique<char[]>(length);
    std::memcpy(block.get(), text.data() + at, length);
    const char* p = block.get();
    const char* const end = p + length;
    for (;;) {
      const auto [next, count] = scanner.scan(p, end, out.data(), room);
      EXPECT_LE(count, room);
      result.values.insert(result.values.end(), out.begin(),
                           out.begin() + static_cast<std::ptrdiff_t>(count));
      p = next;
      if (count < room) break;
    }
    at += length;
  }
  double last;
  if (scanner.finish(&last)) result.values.push_back(last);
  result.stopped = scanner.stopped();
  return result;
}

scanned scan_whole(std::string_view text) { return scan_blocks(text, {text.size() + 1}); }

std::string hex(double x) {
  char text[64];
  std::snprintf(text, sizeof text, "%a", x);
  return text;
}

// Hex text compares the bits (the sign of zero included) and shows them when it fails.
std::vector<std::string> hex(const std::vector<double>& values) {
  std::vector<std::string> texts;
  for (double x : values) texts.push_back(hex(x));
  return texts;
}

struct row {
  std::string_view text;
  std::vector<double> want;
  bool stops;  // reading ends at a non-number rather than at the end of the text
};

const row rows[] = {
    // Separators, signs and the forms of the mantissa.
    {"", {}, false},
    {" \t\n\v\f\r", {}, false},
    {"1 2 3", {1, 2, 3}, false},
    {" \t\n\v\f\r1\r\n2\n", {1, 2}, false},
    {"-2.5e-3", {-0x1.47ae147ae147bp-9}, false},
    {"+7 .5 5. 5.e3 1E2", {7, 0.5, 5, 5000, 100}, false},
    {"-0", {-0.0}, false},
    {"-0.000e-999 +0", {-0.0, 0.0}, false},
    {"00000000000000000000000001.5", {1.5}, false},
    {"0.0000000000000000000000000000001", {0x1.039d665896880p-103}, false},
    // A number ends where it cannot go on; the next one starts there.
    {"1-2", {1, -2}, false},
    {"1+2", {1, 2}, false},
    {"1.5.3", {1.5, 0x1.3333333333333p-2}, false},
    {"1e5.3", {1e5, 0x1.3333333333333p-2}, false},
    {"1e-2-3", {0x1.47ae147ae147bp-7, -3}, false},
    // Where no number begins, the reading stops for good.
    {"1 2 3 x 4", {1, 2, 3}, true},
    {"0x10", {0}, true},
    {"1,000", {1}, true},
    {"inf nan", {}, true},
    {"-inf", {}, true},
    {std::string_view("1\0 2", 4), {1}, true},
    {"-", {}, true},
    {".", {}, true},
    {"-.", {}, true},
    {"- 1", {}, true},
    {"1 -", {1}, true},
    {"2 .", {2}, true},
    {".e1", {}, true},
    {"+.e5", {}, true},
    // An exponent mark without digits spoils its token: no value, and the reading stops.
    {"1 2 3e x", {1, 2}, true},
    {"5e", {}, true},
    {"1e+", {}, true},
    {"1e- 2", {}, true},
    {"1e+-2", {}, true},
    {"1e5e3", {1e5}, true},
    // Rounding: exact products, ties to even, and the slow path.
    {"9007199254740992", {0x1p53}, false},
    {"9007199254740993", {0x1p53}, false},
    {"9007199254740995", {0x1.0000000000002p+53}, false},
    {"1e22", {0x1.0f0cf064dd592p+73}, false},
    {"1e23", {0x1.52d02c7e14af6p+76}, false},
    {"8.5e-23", {0x1.9b08e7413dd76p-74}, false},
    {"123456789012345678901234567890", {0x1.8ee90ff6c373ep+96}, false},
    {"123456789012345678901234567890.123e-5", {0x1.056e0f36a6444p+80}, false},
    {"0.000001234567890123456789e+25", {0x1.56a95319d63e1p+63}, false},
    {"1.00000000000000011102230246251565404236316680908203125", {1}, false},
    {"1.00000000000000011102230246251565404236316680908203126", {0x1.0000000000001p+0}, false},
    // The ends of the range.
    {"1.7976931348623157e308", {0x1.fffffffffffffp+1023}, false},
    {"1.7976931348623159e308", {inf}, false},
    {"-1e400", {-inf}, false},
    {"2.2250738585072011e-308", {0x0.fffffffffffffp-1022}, false},
    {"2.4703282292062327e-324", {0}, false},
    {"2.4703282292062328e-324", {0x1p-1074}, false},
    {"-1e-400", {-0.0}, false},
    {"1e99999999999999999999", {inf}, false},
    {"1e-99999999999999999999", {0}, false},
    {"0e99999999999999999999", {0}, false},
    {"1e0000000000000000000000000005", {1e5}, false},
};

TEST(number_scanner, notation_cases) {
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.text));
    const scanned got = scan_whole(r.text);
    EXPECT_EQ(hex(got.values), hex(r.want));
    EXPECT_EQ(got.stopped, r.stops);
  }
}

// A token split anywhere must give what it gives whole: every two-block split, one byte per
// block, and a full output buffer after every value.
TEST(number_scanner, block_boundaries_anywhere) {
  const std::string_view mixed =
      "  -12.5e+3\t.5 7. 1e-2-3 0.000001234567890123456789e+25 9007199254740993\n"
      "1.00000000000000011102230246251565404236316680908203126 -0 1e+-2 4";
  std::vector<std::string_view> texts{mixed};
  for (const row& r : rows) texts.push_back(r.text);
  for (std::string_view text : texts) {
    SCOPED_TRACE(std::string(text));
    const scanned whole = scan_whole(text);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      SCOPED_TRACE(cut);
      const scanned split = scan_blocks(text, {cut, text.size()});
      EXPECT_EQ(hex(split.values), hex(whole.values));
      EXPECT_EQ(split.stopped, whole.stopped);
    }
    const scanned bytes = scan_blocks(text, {1}, 1);
    EXPECT_EQ(hex(bytes.values), hex(whole.values));
    EXPECT_EQ(bytes.stopped, whole.stopped);
  }
}

TEST(number_scanner, reports_where_it_stopped) {
  const std::string_view text = "12 34 x 5";
  const char* const first = text.data();
  const char* const last = first + text.size();
  number_scanner scanner;
  double out[2];

  auto got = scanner.scan(first, last, out, 1);
  EXPECT_EQ(got.count, 1u);
  EXPECT_EQ(got.next, first + 2);  // just after "12": the output was full
  EXPECT_EQ(out[0], 12);

  got = scanner.scan(got.next, last, out, 2);
  EXPECT_EQ(got.count, 1u);
  EXPECT_EQ(got.next, first + 6);  // at the x
  EXPECT_EQ(out[0], 34);
  EXPECT_TRUE(scanner.stopped());

  got = scanner.scan(got.next, last, out, 2);
  EXPECT_EQ(got.count, 0u);
  double value;
  EXPECT_FALSE(scanner.finish(&value));
}

TEST(number_scanner, holds_a_token_over_to_the_next_block) {
  const std::string_view text = "12";
  number_scanner scanner;
  double out[1];
  const auto got = scanner.scan(text.data(), text.data() + 1, out, 1);
  EXPECT_EQ(got.count, 0u);
  EXPECT_EQ(got.next, text.data() + 1);
  EXPECT_FALSE(scanner.stopped());
  EXPECT_EQ(scanner.scan(text.data() + 1, text.data() + 2, out, 1).count, 0u);
  double value = 0;
  EXPECT_TRUE(scanner.finish(&value));
  EXPECT_EQ(value, 12);
}

// head, then n copies of c, then tail.
std::string repeated(std::string_view head, std::size_t n, char c, std::string_view tail = "") {
  std::string s(head);
  s.append(n, c);
  s.append(tail);
  return s;
}

double strtod_of(const std::string& token) { return std::strtod(token.c_str(), nullptr); }

// Tokens past the kept digits: what lies beyond them may only matter through whether it is
// zero, and a tie broken by a far digit must still be broken.
TEST(number_scanner, long_tokens_round_like_strtod) {
  const std::string tie = "1.00000000000000011102230246251565404236316680908203125";
  const std::string tie_above_2p53 = "9007199254740993.";

  const struct {
    std::string text;
    double want;
  } cases[] = {
      {repeated(tie, 1000, '0'), 1},
      {repeated(tie, 1000, '0', "1"), 0x1.0000000000001p+0},
      {repeated(tie_above_2p53, 900, '0'), 0x1p53},
      {repeated(tie_above_2p53, 900, '0', "1"), 0x1.0000000000001p+53},
      {repeated("1", 999, '0', "e-999"), 1},
      {repeated("1", 999, '0', "1e-1000"), 1},
      {repeated("0.", 400, '0', "1e400"), 0x1.999999999999ap-4},
      {repeated("1", 400, '0'), inf},
      {repeated("-0.", 1200, '0', "1"), -0.0},
      {repeated("", 2000, '0', ".") + std::string(2000, '0'), 0},
      {std::string(1000, '9') + "e-1000", 1},
  };

  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60) + "...");
    const scanned whole = scan_whole(c.text);
    ASSERT_EQ(whole.values.size(), 1u);
    EXPECT_EQ(hex(whole.values[0]), hex(c.want));
    EXPECT_EQ(hex(whole.values[0]), hex(strtod_of(c.text)));
    EXPECT_EQ(hex(scan_blocks(c.text, {7}).values), hex(whole.values));
  }
}

// Millions of digits in one token, read in the blocks a file would come in.
TEST(number_scanner, token_of_millions_of_digits) {
  // The scanner carries its kept digits inline and nothing on the heap, whatever it reads.
  EXPECT_LE(sizeof(number_scanner), 1024u);

  const std::string third = repeated("0.", 5'000'000, '3');
  const std::string tie_up =
      repeated("1.00000000000000011102230246251565404236316680908203125", 3'000'000, '0', "1");
  const std::string big_exact = repeated("1", 4'000'000, '0', "e-4000000");
  for (const std::string* text : {&third, &tie_up, &big_exact}) {
    const scanned got = scan_blocks(*text, {256 * 1024});
    ASSERT_EQ(got.values.size(), 1u);
    EXPECT_EQ(hex(got.values[0]), hex(strtod_of(*text)));
  }
  EXPECT_EQ(hex(scan_whole(third).values[0]), hex(0x1.5555555555555p-2));
  EXPECT_EQ(hex(scan_whole(tie_up).values[0]), hex(0x1.0000000000001p+0));
  EXPECT_EQ(hex(scan_whole(big_exact).values[0]), hex(1.0));
}

// Random tokens of every shape the notation allows, checked bit for bit against strtod.
class token_maker {
 public:
  explicit token_maker(std::uint64_t seed) : rng_(seed) {}

  std::string next() {
    const int kind = pick(100);
    if (kind < 15) return near_tie();
    std::string t;
    if (pick(3) == 0) t += pick(2) == 0 ? '-' : '+';
    const int leading_zeros = pick(8) == 0 ? pick(30) : 0;
    t.append(static_cast<std::size_t>(leading_zeros), '0');
    const int integer_digits = digit_count();
    const bool point = pick(3) != 0;
    const int fraction_digits = point ? digit_count() : 0;
    t += digits(integer_digits);
    if (point) t += '.';
    t += digits(fraction_digits);
    if (leading_zeros + integer_digits + fraction_digits == 0) t += digits(1 + pick(3));
    if (pick(2) == 0) t += exponent();
    return t;
  }

 private:
  int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

  // Mostly short, as real data are; now and then past 19 digits, past 40, past the 800 kept.
  int digit_count() {
    const int r = pick(1000);
    if (r < 700) return pick(10);
    if (r < 900) return pick(21);
    if (r < 998) return pick(46);
    return 780 + pick(120);
  }

  std::string digits(int n) {
    std::string s;
    const bool zeros = pick(10) == 0;  // runs of zeros reach the tie cases and exact powers
    for (int i = 0; i < n; ++i)
      s += zeros && pick(4) != 0 ? '0' : static_cast<char>('0' + pick(10));
    return s;
  }

  std::string exponent() {
    std::string e = pick(2) == 0 ? "e" : "E";
    const int sign = pick(3);
    if (sign == 1) e += '+';
    if (sign == 2) e += '-';
    if (pick(10) == 0) e.append(static_cast<std::size_t>(1 + pick(20)), '0');
    const int r = pick(100);
    if (r < 60) return e + std::to_string(pick(25));
    if (r < 95) return e + std::to_string(pick(340));
    if (r < 98) return e + std::to_string(300 + pick(800));
    return e + digits(15 + pick(10));
  }

  // The exact midpoint between a random double and the next one up, written to a random
  // number of digits (near the tie on either side) or in full (on it). The midpoint of two
  // adjacent doubles needs 54 bits, so the x87 long double holds it exactly.
  std::string near_tie() {
    double x;
    do {
      std::uint64_t bits = rng_() >> 1;
      // A quarter of them in the subnormal and lowest normal range.
      if (pick(4) == 0) bits &= (std::uint64_t{1} << 54) - 1;
      x = std::bit_cast<double>(bits);
    } while (!std::isfinite(x) || !std::isfinite(std::nextafter(x, inf)));
    const long double mid =
        (static_cast<long double>(x) + static_cast<long double>(std::nextafter(x, inf))) / 2;
    const int precision = pick(5) == 0 ? 800 : 14 + pick(30);
    char text[1000];
    std::snprintf(text, sizeof text, "%.*Le", precision, mid);
    std::string t = text;
    if (pick(2) == 0) t.insert(0, "-");
    return t;
  }

  std::mt19937_64 rng_;
};

static_assert(std::numeric_limits<long double>::digits >= 54, "the ties need a wider type");

TEST(number_scanner, random_tokens_match_strtod) {
  token_maker maker(12345);
  constexpr int rounds = 10;
  constexpr int tokens_per_round = 100'000;
  const char* const separators[] = {" ", "\n", "\t", "\r\n", "  \n"};
  std::mt19937_64 rng(777);
  int failures = 0;
  for (int round = 0; round < rounds && failures < 10; ++round) {
    std::vector<std::string> tokens;
    std::string text;
    for (int i = 0; i < tokens_per_round; ++i) {
      tokens.push_back(maker.next());
      text += tokens.back();
      text += separators[rng() % std::size(separators)];
    }
    // Big blocks cut tokens at arbitrary places; the first round also goes through
    // blocks of one to eight bytes for a part of its text.
    scanned got = scan_blocks(text, {65'521}, 997);
    ASSERT_EQ(got.values.size(), tokens.size());
    ASSERT_FALSE(got.stopped);
    if (round == 0) {
      std::vector<std::size_t> tiny;
      for (int i = 0; i < 200'000; ++i) tiny.push_back(1 + rng() % 8);
      const std::string_view part(text.data(), text.find('\n', 400'000) + 1);
      const scanned small = scan_blocks(part, tiny, 3);
      ASSERT_LE(small.values.size(), got.values.size());
      for (std::size_t i = 0; i < small.values.size(); ++i) {
        ASSERT_EQ(hex(small.values[i]), hex(got.values[i])) << tokens[i];
      }
    }
    for (std::size_t i = 0; i < tokens.size() && failures < 10; ++i) {
      const double want = strtod_of(tokens[i]);
      if (std::bit_cast<std::uint64_t>(got.values[i]) != std::bit_cast<std::uint64_t>(want)) {
        ADD_FAILURE() << tokens[i] << " gives " << hex(got.values[i]) << ", strtod " << hex(want);
        ++failures;
      }
    }
  }
}

}  // namespace
}  // namespace dinc
