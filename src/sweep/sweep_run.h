// The whole run of dinc-sweep, from the command line to the exit status.
#pragma once

namespace dinc {

// Parses the command line, reads the series once, checks the window fits, sweeps the scales
// on worker threads, writes the table to standard output and the exponent to standard error,
// and draws the plot when asked. Returns the exit status: 0 after a complete run, 1 for bad
// input (no data, no scale the series is long enough for) or a failed write, 2 for an invalid
// command line. The fatal conditions of the analysis end the process on the way with 1, with
// dinc's messages.
int run_sweep(int argc, char** argv);

}  // namespace dinc
