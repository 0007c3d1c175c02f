// The command line: five run settings, the data-file path and the usage text.
#pragma once

namespace dinc {

// The invocation name (argument 0): the usage text and the series input's truncation
// message show it. Set by parse_command_line before anything else.
extern const char* program_name;

struct run_settings {
  int scale = 10;     // W, at least 4 after parsing
  int order = 1;      // N: detrend with a polynomial of order N when N >= 1
  int method = 1;     // 0 or 1: normal equations; 2: singular value decomposition
  int norm_mode = 0;  // 0: none; 1: divide by the standard deviation; 2: divide by W
  int backward = 0;   // 1: append the backward pass
};

struct command_line {
  run_settings settings;
  const char* data_path;  // always the last argument, whatever the option loop did
};

// Parses argv as the tool always has: options first, each recognised by the single
// character after '-', the loop stopping at the first argument without '-'; the data file is
// the last argument. An option letter outside the table, or a value option with no argument
// after it, writes the usage text to standard error and ends the process with status 1.
command_line parse_command_line(int argc, char** argv);

// The integer value of an option argument: leading white space, an optional sign, decimal
// digits up to the first non-digit; 0 when there are no digits; saturated to the int range.
int integer_value(const char* text);

// Writes the nine lines of the usage text, in Shift_JIS, to standard error.
void print_usage();

}  // namespace dinc
