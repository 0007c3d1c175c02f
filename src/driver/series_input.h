// Reading the data file into the one-based series.
#pragma once

namespace dinc {

// Reads every number of the file at path, in file order, into (*series)[1..n] and returns n.
// The notation is decimal only: optional sign, digits with at most one point, optional
// exponent; reading stops silently at the first text that is not a number, and at an
// exponent mark with no digits after it ("1e x": that token gives no value). Each value is
// the correctly rounded double of its token (what strtod gives for it). The file may be a
// pipe: it is read in blocks of bounded size, never mapped or read whole.
// Messages on standard error: "File %s not found!\n" (then returns 0, *series stays null),
// "Input file: %s.\n", "No data was read!\n", and the truncation message with
// program_name when memory runs out or the count would pass the largest int. *series grows
// in steps of 10,000 doubles; the caller releases it with release_vector(*series, 1, n).
// Ends the process through fatal_error when the first block is refused, and when reading
// the opened file fails ("read error on input file: " and the system's reason, e.g. for a
// directory), since going on would analyse part of the data as if it were all.
int read_series(const char* path, double** series);

}  // namespace dinc
