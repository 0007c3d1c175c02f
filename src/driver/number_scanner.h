// Reading decimal numbers out of text that arrives in blocks.
//
// The notation is the decimal part of what the C formatted input of a double ("%lf") reads,
// in the C locale: white space (space, \t, \n, \v, \f, \r) is skipped; a number is an
// optional sign, decimal digits with at most one point and at least one digit, and an
// optional exponent (e or E, an optional sign, digits). A number ends at the first character
// that cannot continue it, and the next number is read from that character on: "1-2" gives 1
// and -2, "1.5.3" gives 1.5 and 0.3, "0x10" gives 0 and then stops at the x.
//
// The reading stops for good at the first place where no number begins (a letter, a comma,
// a NUL byte, a lone sign, a lone point) and at an exponent without digits: "1e", "1e+" or
// "1e-" followed by anything but a digit, or by the end of the text, gives no value and stops
// the reading, because the formatted input consumes such a prefix and then fails to convert
// it. So "1 2 3e x" gives 1 and 2; "5e" at the end of the text gives nothing.
//
// Each value is the double that strtod gives for its token: correctly rounded to nearest,
// +-inf past the largest double, a subnormal or zero below the smallest normal, -0.0 for
// "-0". Short tokens are converted with one exact IEEE multiplication or division; all
// others go through strtod on a normalised copy of at most 800 significant digits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dinc {

class number_scanner {
 public:
  struct result {
    const char* next;   // the first byte not consumed
    std::size_t count;  // values stored in out[0 .. count - 1]
  };

  // Reads numbers from [first, last), as the continuation of the text given to the earlier
  // calls, and stores them in order in out[0 .. room - 1]. It returns early, with next at
  // the end of the last stored token, when out is full; it returns with next at the place
  // of the stop when the text holds no further number (stopped() is then true, and later
  // calls read nothing). Otherwise next == last, and a token that runs up to last is held
  // over: the next call continues it, so the text may be split anywhere, one byte per call
  // if need be. Never reads outside [first, last); holds no heap memory, its size is
  // fixed; time is linear in the length of the text, whatever the length of a token.
  result scan(const char* first, const char* last, double* out, std::size_t room);

  // Ends the text: a token held over from the last call is complete here. Returns true and
  // writes *value when that token is a number; returns false when there is none, or when
  // it is no number (a lone sign or point, an exponent without digits), which stops the
  // reading as in scan.
  bool finish(double* value);

  // True once the reading has stopped at a place where no number begins.
  bool stopped() const { return pending_.at == phase::stopped; }

 private:
  // Where the current token stands in the notation. Between tokens the scanner is at
  // space; a token that reaches the end of a block keeps its phase for the next block.
  enum class phase : std::uint8_t {
    space,       // between tokens
    sign,        // an optional sign read; a digit or a point must follow
    integer,     // digits before any point (a number so far)
    point,       // a point with no digit before it; a digit must follow
    fraction,    // a point and at least one digit (a number so far)
    exp_mark,    // e or E after a number; a sign or a digit must follow
    exp_sign,    // the exponent's sign; a digit must follow
    exp_digits,  // exponent digits (a number so far)
    done,        // the token ended before the end of the block and is a number
    stopped,     // no number begins here; nothing more is read
  };

  // The value of a token is (-1)^negative * significand * 10^(scale +- exponent), where
  // significand is the decimal integer made of its significant digits (leading zeros
  // dropped). Up to 19 of them are kept in mantissa; from the 20th on, the digits are kept
  // as text in kept_, of which at most max_kept are stored; a dropped digit left of the
  // point raises scale by one, and a dropped digit that is not zero sets sticky.
  struct token {
    phase at = phase::space;
    bool negative = false;
    bool exp_negative = false;
    bool long_form = false;  // more than 19 significant digits: the digits are in kept_
    bool sticky = false;     // a dropped digit was not zero
    int digits = 0;          // significant digits in mantissa; stays 19 once long_form
    std::uint64_t mantissa = 0;
    std::int64_t scale = 0;     // moves by at most one per byte, so it cannot overflow
    std::int64_t exponent = 0;  // the written exponent, saturated past max_exponent
  };

  // Every point where rounding to a double changes (a halfway point between two adjacent
  // doubles, or the overflow threshold) is written exactly with at most 767 significant
  // digits. So past max_kept digits, one non-zero digit can stand for all the dropped ones:
  // the shortened value lies on the same side of every such point as the full one.
  static constexpr int max_kept = 800;
  static constexpr std::int64_t max_exponent = 1'000'000'000'000'000;

  const char* advance(token& t, const char* p, const char* last);
  const char* long_digits(token& t, const char* p, const char* last, bool fraction);
  void enter_long_form(token& t);
  double to_double(const token& t) const;
  double slow_value(const token& t) const;

  token pending_;  // at space between tokens, stopped for good, or a held-over token
  int kept_count_ = 0;
  char kept_[max_kept];
};

}  // namespace dinc
