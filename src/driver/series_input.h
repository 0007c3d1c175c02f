// Reading the data file into the one-based series.
#pragma once

namespace dinc {

// Reads every number of the file at path, in file order, into (*series)[1..n] and returns n.
// The notation is decimal only: optional sign, digits with at most one point, optional
// exponent; reading stops silently at the first text that is not a number. Each value is
// the correctly rounded double of its token (what strtod gives for it).
// Messages on standard error: "File %s not found!\n" (then returns 0, *series stays null),
// "Input file: %s.\n", "No data was read!\n", and the truncation message with
// program_name when memory runs out. *series grows in steps of 10,000 doubles.
// Ends the process through fatal_error only when the first block is refused.
int read_series(const char* path, double** series);

}  // namespace dinc
