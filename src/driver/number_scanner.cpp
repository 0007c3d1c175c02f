#include "driver/number_scanner.h"

#include <algorithm>
#include <charconv>  // to_chars
#include <cstdlib>   // strtod
#include <cstring>

namespace dinc {

namespace {

// Every power of ten up to 10^22 is a double exactly, so a significand of at most 2^53
// times or divided by one of them is a single correctly rounded IEEE operation.
constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::int64_t max_exact_power = 22;
constexpr std::uint64_t max_exact_significand = std::uint64_t{1} << 53;

// With at most 801 significant digits, a power of ten beyond +-10^6 lies far past both the
// largest double and half the smallest subnormal, so clamping it changes no result.
constexpr std::int64_t max_power = 1'000'000;

// 19 decimal digits always fit in 64 bits.
constexpr int mantissa_digits = 19;

// 0..9 for a decimal digit, above 9 for anything else (the conversion wraps negatives).
inline unsigned digit_value(char c) { return static_cast<unsigned char>(c - '0'); }

inline bool is_digit(char c) { return digit_value(c) <= 9; }

// The white space of the C locale: space, \t, \n, \v, \f, \r.
inline bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline bool is_exponent_mark(char c) { return c == 'e' || c == 'E'; }

// Appends the digits at p to a mantissa of n significant digits while it has room for them
// (leading zeros leave it at 0 and are not counted); returns the first byte not taken.
inline const char* take_digits(std::uint64_t& mantissa, int& n, const char* p, const char* last) {
  std::uint64_t m = mantissa;
  int k = n;
  for (; p != last && is_digit(*p); ++p) {
    if (k == mantissa_digits) break;
    m = m * 10 + digit_value(*p);
    k += m != 0;
  }
  mantissa = m;
  n = k;
  return p;
}

// The common token, read in one pass: it lies wholly before last, has at most 19 digits and
// an exponent of at most 4, and its value is one exact operation away. Returns the end of
// the token after writing *value, or null for any other token, which the general path then
// reads again from its start. p < last and *p is not white space.
inline const char* scan_short(const char* p, const char* last, double* value) {
  bool negative = false;
  if (*p == '-' || *p == '+') {
    negative = *p == '-';
    ++p;
  }
  // Past 19 digits m wraps; the token is then refused below, so the wrapped value is unused.
  std::uint64_t m = 0;
  const char* const integer_start = p;
  for (; p != last && is_digit(*p); ++p) m = m * 10 + digit_value(*p);
  std::ptrdiff_t digits = p - integer_start;
  std::int64_t power = 0;
  if (p != last && *p == '.') {
    const char* const fraction_start = ++p;
    for (; p != last && is_digit(*p); ++p) m = m * 10 + digit_value(*p);
    digits += p - fraction_start;
    power = -(p - fraction_start);
  }
  if (digits == 0 || digits > mantissa_digits || p == last) return nullptr;
  if (is_exponent_mark(*p)) {
    ++p;
    bool exp_negative = false;
    if (p != last && (*p == '-' || *p == '+')) {
      exp_negative = *p == '-';
      ++p;
    }
    const char* const exp_start = p;
    std::int64_t e = 0;
    for (; p != last && is_digit(*p) && p - exp_start < 4; ++p) e = e * 10 + digit_value(*p);
    if (p == exp_start || p == last || is_digit(*p)) return nullptr;
    power += exp_negative ? -e : e;
  }
  if (m > max_exact_significand || power < -max_exact_power || power > max_exact_power) {
    return nullptr;
  }
  // Both operands are exact, so the one rounding is that of the true value; the sign is
  // applied last because round-to-nearest is symmetric (and 0 gives -0.0 as strtod does).
  double v = static_cast<double>(m);
  v = power < 0 ? v / exact_powers_of_ten[-power] : v * exact_powers_of_ten[power];
  *value = negative ? -v : v;
  return p;
}

}  // namespace

number_scanner::result number_scanner::scan(const char* first, const char* last, double* out,
                                            std::size_t room) {
  token t = pending_;
  const char* p = first;
  std::size_t count = 0;
  if (t.at == phase::stopped || room == 0) return {first, 0};
  for (;;) {
    if (t.at == phase::space) {
      while (p != last && is_space(*p)) ++p;
      if (p == last) break;
      if (const char* end = scan_short(p, last, out + count)) {
        p = end;
        if (++count == room) break;
        continue;
      }
      t = token{};
      if (*p == '+' || *p == '-') {
        t.negative = *p == '-';
        ++p;
      }
      t.at = phase::sign;
    }
    p = advance(t, p, last);
    if (t.at != phase::done) break;  // stopped, or the block ended inside the token
    out[count++] = to_double(t);
    t.at = phase::space;
    if (count == room) break;
  }
  pending_ = t;
  return {p, count};
}

bool number_scanner::finish(double* value) {
  switch (pending_.at) {
    case phase::integer:
    case phase::fraction:
    case phase::exp_digits:
      *value = to_double(pending_);
      pending_.at = phase::space;
      return true;
    case phase::sign:
    case phase::point:
    case phase::exp_mark:
    case phase::exp_sign:
      pending_.at = phase::stopped;
      return false;
    default:
      return false;
  }
}

// Moves the token on through [p, last) until it ends or the text does. On return either
// t.at is done (a number ends just before the returned place), or stopped (no number: the
// reading stops at the returned place), or p == last and t.at tells where to go on.
const char* number_scanner::advance(token& t, const char* p, const char* last) {
  for (;;) {
    switch (t.at) {
      case phase::sign:
        if (p == last) return p;
        if (is_digit(*p)) {
          t.at = phase::integer;
        } else if (*p == '.') {
          ++p;
          t.at = phase::point;
        } else {
          t.at = phase::stopped;
          return p;
        }
        break;

      case phase::integer: {
        p = take_digits(t.mantissa, t.digits, p, last);
        if (p != last && is_digit(*p)) p = long_digits(t, p, last, false);
        if (p == last) return p;
        if (*p == '.') {
          ++p;
          t.at = phase::fraction;
        } else if (is_exponent_mark(*p)) {
          ++p;
          t.at = phase::exp_mark;
        } else {
          t.at = phase::done;
          return p;
        }
        break;
      }

      case phase::point:
        if (p == last) return p;
        if (!is_digit(*p)) {
          t.at = phase::stopped;
          return p;
        }
        t.at = phase::fraction;
        break;

      case phase::fraction: {
        // Every digit right of the point, leading zeros included, lowers the scale by one.
        const char* start = p;
        p = take_digits(t.mantissa, t.digits, p, last);
        t.scale -= p - start;
        if (p != last && is_digit(*p)) p = long_digits(t, p, last, true);
        if (p == last) return p;
        if (is_exponent_mark(*p)) {
          ++p;
          t.at = phase::exp_mark;
        } else {
          t.at = phase::done;
          return p;
        }
        break;
      }

      case phase::exp_mark:
        if (p == last) return p;
        if (*p == '+' || *p == '-') {
          t.exp_negative = *p == '-';
          ++p;
          t.at = phase::exp_sign;
        } else if (is_digit(*p)) {
          t.at = phase::exp_digits;
        } else {
          t.at = phase::stopped;
          return p;
        }
        break;

      case phase::exp_sign:
        if (p == last) return p;
        if (!is_digit(*p)) {
          t.at = phase::stopped;
          return p;
        }
        t.at = phase::exp_digits;
        break;

      case phase::exp_digits:
        // Saturating keeps a thousand-digit exponent finite; any value past max_exponent
        // already means infinity or zero.
        for (; p != last && is_digit(*p); ++p) {
          if (t.exponent < max_exponent) t.exponent = t.exponent * 10 + digit_value(*p);
        }
        if (p == last) return p;
        t.at = phase::done;
        return p;

      case phase::space:
      case phase::done:
      case phase::stopped:
        return p;
    }
  }
}

// Takes the digits from the 20th significant one on. The first max_kept are kept as text;
// after them only two facts matter for the value: how many lay left of the point (each
// one multiplies the value by ten) and whether any of them was not zero.
const char* number_scanner::long_digits(token& t, const char* p, const char* last, bool fraction) {
  if (!t.long_form) enter_long_form(t);
  for (; p != last && is_digit(*p) && kept_count_ < max_kept; ++p) {
    kept_[kept_count_++] = *p;
    if (fraction) --t.scale;
  }
  const char* start = p;
  bool sticky = false;
  for (; p != last && is_digit(*p); ++p) sticky |= *p != '0';
  t.sticky = t.sticky || sticky;
  if (!fraction) t.scale += p - start;
  return p;
}

void number_scanner::enter_long_form(token& t) {
  // The mantissa holds exactly mantissa_digits significant digits here.
  kept_count_ = static_cast<int>(std::to_chars(kept_, kept_ + max_kept, t.mantissa).ptr - kept_);
  t.long_form = true;
}

double number_scanner::to_double(const token& t) const {
  if (!t.long_form) {
    if (t.mantissa == 0) return t.negative ? -0.0 : 0.0;
    const std::int64_t power = t.scale + (t.exp_negative ? -t.exponent : t.exponent);
    if (t.mantissa <= max_exact_significand && power >= -max_exact_power &&
        power <= max_exact_power) {
      // Exact, as in scan_short.
      double v = static_cast<double>(t.mantissa);
      v = power < 0 ? v / exact_powers_of_ten[-power] : v * exact_powers_of_ten[power];
      return t.negative ? -v : v;
    }
  }
  return slow_value(t);
}

// Writes the token as "[-]digits e power" with no point, which strtod reads the same in
// every locale, and lets strtod round it.
double number_scanner::slow_value(const token& t) const {
  char text[1 + max_kept + 1 + 1 + 24 + 1];
  char* const end = text + sizeof text;
  char* q = text;
  if (t.negative) *q++ = '-';
  std::int64_t power = t.scale + (t.exp_negative ? -t.exponent : t.exponent);
  if (t.long_form) {
    std::memcpy(q, kept_, static_cast<std::size_t>(kept_count_));
    q += kept_count_;
    if (t.sticky) {
      // One non-zero digit below every kept one stands for all the dropped digits: no
      // boundary of rounding lies between this text and the full token, so both round alike.
      *q++ = '1';
      --power;
    }
  } else {
    q = std::to_chars(q, end, t.mantissa).ptr;
  }
  power = std::clamp(power, -max_power, max_power);
  *q++ = 'e';
  q = std::to_chars(q, end - 1, power).ptr;
  *q = '\0';
  return std::strtod(text, nullptr);
}

}  // namespace dinc
