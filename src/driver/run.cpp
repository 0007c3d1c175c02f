#include "driver/run.h"

#include <unistd.h>  // STDOUT_FILENO

#include <csignal>
#include <cstdio>
#include <cstring>

#include "analysis/detrend.h"
#include "analysis/increments.h"
#include "analysis/normalise.h"
#include "driver/options.h"
#include "driver/series_input.h"
#include "numeric/arrays.h"

namespace dinc {

int run(int argc, char** argv) {
  const command_line command = parse_command_line(argc, argv);
  const run_settings& s = command.settings;

  double* series = nullptr;
  const int n = read_series(command.data_path, &series);
  centre_series(series, n);
  std::fprintf(stderr, "data length: %ld\n", static_cast<long>(n));
  std::fprintf(stderr, "scale: %ld\n", static_cast<long>(s.scale));

  double* increments = reserve_increments(n, s.scale);
  const int count =
      s.order >= 1
          ? detrended_increments(series, n, {s.scale, s.order, s.method, s.backward}, increments)
          : plain_increments(series, n, s.scale, increments);

  // A closed pipe must show as a failed write, not as a silent death by signal.
  std::signal(SIGPIPE, SIG_IGN);
  const int write_error = write_increments(increments, count, s.norm_mode, s.scale, STDOUT_FILENO);

  release_vector(series, 1, n);
  release_vector(increments, 1, 2 * (n - s.scale + 1));
  if (write_error != 0) {
    std::fprintf(stderr, "%s: error writing standard output: %s\n", program_name,
                 std::strerror(write_error));
    return 1;
  }
  return 0;
}

}  // namespace dinc
