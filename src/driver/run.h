// The whole run of the dinc command, from the command line to the exit status.
#pragma once

namespace dinc {

// Parses the command line, reads the series, centres it, forms the plain or the detrended
// increments, and writes them to standard output. Returns the exit status (0 after a complete
// run, 1 when output was lost); every fatal condition ends the process on the way with 1.
int run(int argc, char** argv);

}  // namespace dinc
