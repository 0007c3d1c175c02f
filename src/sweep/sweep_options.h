// The command line of dinc-sweep: ordinary getopt_long options, an English help text.
#pragma once

#include <climits>
#include <vector>

#include "sweep/sweep.h"

namespace dinc {

struct sweep_settings {
  increment_settings analysis;  // -d, -m, -b with dinc's defaults
  std::vector<int> scale_list;  // --scales 4,8,16: ascending, each once; empty otherwise
  int range_low = 0;            // --scales A:B; 0 when no range was given
  int range_high = 0;
  double per_octave = 4.0;  // --per-octave P
  int fit_low = 1;          // --fit-range A:B; every scale by default
  int fit_high = INT_MAX;
  int threads = 0;  // --threads K; 0: one per core
  const char* plot_path = nullptr;
  const char* data_path = nullptr;  // the one operand; "-" is standard input
};

enum class sweep_request { run, help, invalid };

struct sweep_command {
  sweep_request request;
  sweep_settings settings;
};

// Parses argv with getopt_long (options and the operand in any order, "--" ends the options).
// An invalid command line gets one line on standard error naming the option, "dinc-sweep: "
// first, and the request invalid; the caller adds the pointer to --help. Values are checked
// here: orders 0 or more, methods 0 to 2, scales 4 or more, 0 < P <= 1000, threads 1 or more.
// Resets getopt's state first, so it may be called more than once in a process.
sweep_command parse_sweep_command_line(int argc, char** argv);

// Writes the help text to standard output; returns false when it could not be written.
bool print_sweep_help();

}  // namespace dinc
