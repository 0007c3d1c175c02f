// Exact "%lf" formatting of doubles, without stdio.
#pragma once

namespace dinc {

// Enough room for any double: 309 integer digits, sign, point and six decimals.
inline constexpr int fixed_format_max_chars = 320;

// Writes to out exactly the bytes that glibc's printf("%lf", x) writes in the C locale
// (fixed point, six decimals rounded half-even on the exact binary value, "-0.000000" for
// negative values that round to zero, "inf", "-inf", "nan", "-nan"), with no NUL.
// out must have room for fixed_format_max_chars bytes. Returns one past the last byte.
// Reads neither the locale nor the floating-point environment (glibc would follow a changed
// rounding mode; this tool never changes it), does not allocate and does not throw.
char* format_fixed6(double x, char* out);

}  // namespace dinc
