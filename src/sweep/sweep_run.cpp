#include "sweep/sweep_run.h"

#include <unistd.h>  // isatty

#include <algorithm>
#include <cerrno>
#include <charconv>  // to_chars
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>  // hardware_concurrency

#include "analysis/increments.h"
#include "driver/options.h"  // program_name
#include "driver/series_input.h"
#include "numeric/arrays.h"
#include "sweep/scales.h"
#include "sweep/scaling_fit.h"
#include "sweep/svg_plot.h"
#include "sweep/sweep_options.h"

namespace dinc {

namespace {

constexpr const char* name = "dinc-sweep";

// A sweep shorter than this shows no progress line: it would only flicker.
constexpr double progress_delay_seconds = 0.5;

// The shortest text that reads back as the same double: the table loses nothing. A NaN (the
// flatness of a zero fluctuation) is plain "nan": the sign the hardware gives it means nothing.
std::string exact_text(double v) {
  if (std::isnan(v)) return "nan";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::vector<int> requested_scales(const sweep_settings& s, int n) {
  if (!s.scale_list.empty()) return s.scale_list;
  if (s.range_high > 0) return log_spaced_scales(s.range_low, s.range_high, s.per_octave);
  const scale_range range = default_scale_range(n, s.analysis.order);
  return log_spaced_scales(range.low, range.high, s.per_octave);
}

// The scales the series is long enough for; the others are named in one warning.
std::vector<int> scales_that_fit(const std::vector<int>& scales, int n, int order) {
  std::vector<int> kept;
  std::string skipped;
  int skipped_count = 0;
  for (const int W : scales) {
    if (n >= samples_needed(W, order)) {
      kept.push_back(W);
    } else {
      skipped += (skipped.empty() ? "" : ", ") + std::to_string(W);
      ++skipped_count;
    }
  }
  if (skipped_count > 0) {
    std::fprintf(stderr, "%s: warning: skipping scale%s %s: the series has %d samples, and %s\n",
                 name, skipped_count > 1 ? "s" : "", skipped.c_str(), n,
                 order >= 1 ? "detrending at scale W needs 2W" : "plain sums at scale W need W");
  }
  return kept;
}

// "\r" rewrites the line in place; it is drawn only on a terminal, only after a moment, and
// erased at the end, so that nothing of it stays in the user's scrollback or in a log file.
class progress_line {
 public:
  explicit progress_line(bool terminal) : terminal_(terminal) {}

  void operator()(int done, int total, double seconds) {
    if (!terminal_ || seconds < progress_delay_seconds || done == last_done_) return;
    std::fprintf(stderr, "\r%s: %d of %d scales done", name, done, total);
    last_done_ = done;
  }

  void clear() {
    if (last_done_ >= 0) std::fputs("\r\033[K", stderr);
  }

 private:
  bool terminal_;
  int last_done_ = -1;
};

std::string fit_summary(const std::optional<scaling_fit>& fit) {
  char text[200];
  if (!fit) {
    std::snprintf(text, sizeof text, "exponent: none, fewer than two scales with F(W) > 0");
  } else if (std::isnan(fit->standard_error)) {
    std::snprintf(text, sizeof text, "exponent %.4f from 2 scales, %d to %d (no standard error)",
                  fit->slope, fit->low, fit->high);
  } else {
    std::snprintf(text, sizeof text, "exponent %.4f +/- %.4f from %d scales, %d to %d", fit->slope,
                  fit->standard_error, fit->points, fit->low, fit->high);
  }
  return text;
}

std::string plot_title(const sweep_settings& s) {
  std::string title =
      std::strcmp(s.data_path, "-") == 0 ? std::string("standard input") : std::string(s.data_path);
  const std::size_t slash = title.rfind('/');
  if (slash != std::string::npos && slash + 1 < title.size()) title.erase(0, slash + 1);
  const increment_settings& a = s.analysis;
  title += a.order >= 1 ? ": detrending order " + std::to_string(a.order) : ": plain sums";
  if (a.order >= 1 && a.method >= 2) title += ", SVD";
  if (a.backward >= 1) title += ", both directions";
  return title;
}

// Writes the table; returns 0 or the errno of the failed write.
int write_table(const std::vector<sweep_row>& rows, const std::string& summary) {
  errno = 0;
  std::fputs("scale\tcount\tfluctuation\tflatness\n", stdout);
  for (const sweep_row& r : rows) {
    std::fprintf(stdout, "%d\t%d\t%s\t%s\n", r.scale, r.count, exact_text(r.fluctuation).c_str(),
                 exact_text(r.flatness).c_str());
  }
  std::fprintf(stdout, "# %s\n", summary.c_str());
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return errno != 0 ? errno : EIO;
  return 0;
}

// Returns 0 or the errno of the failure.
int write_file(const char* path, const std::string& text) {
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return errno;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int error = errno;
  if (std::fclose(f) != 0) return errno;
  return written ? 0 : error;
}

}  // namespace

int run_sweep(int argc, char** argv) {
  program_name = name;
  const sweep_command command = parse_sweep_command_line(argc, argv);
  if (command.request == sweep_request::help) return print_sweep_help() ? 0 : 1;
  if (command.request == sweep_request::invalid) {
    std::fprintf(stderr, "Try '%s --help' for more information.\n", name);
    return 2;
  }
  const sweep_settings& s = command.settings;

  double* series = nullptr;
  const bool from_stdin = std::strcmp(s.data_path, "-") == 0;
  const int n = read_series(from_stdin ? "/dev/stdin" : s.data_path, &series);
  if (n == 0) {  // read_series has said why
    if (series != nullptr) release_vector(series, 1, 0);
    return 1;
  }
  centre_series(series, n);

  const std::vector<int> scales = scales_that_fit(requested_scales(s, n), n, s.analysis.order);
  if (scales.empty()) {
    std::fprintf(stderr, "%s: no scale to analyse in a series of %d samples\n", name, n);
    release_vector(series, 1, n);
    return 1;
  }
  check_window_fits(scales, s.analysis);

  const int threads = s.threads > 0
                          ? s.threads
                          : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  progress_line progress(isatty(STDERR_FILENO) == 1);
  const std::vector<sweep_row> rows =
      sweep_scales(series, n, scales, s.analysis, threads, std::ref(progress));
  progress.clear();
  release_vector(series, 1, n);

  std::vector<scale_point> points;
  for (const sweep_row& r : rows) points.push_back({r.scale, r.fluctuation});
  const std::optional<scaling_fit> fit = fit_scaling(points, s.fit_low, s.fit_high);
  const std::string summary = fit_summary(fit);

  // A closed pipe must show as a failed write, not as a silent death by signal.
  std::signal(SIGPIPE, SIG_IGN);
  int status = 0;
  if (const int error = write_table(rows, summary); error != 0) {
    std::fprintf(stderr, "%s: error writing standard output: %s\n", name, std::strerror(error));
    status = 1;
  }
  std::fprintf(stderr, "%s: %s\n", name, summary.c_str());

  if (s.plot_path != nullptr) {
    if (const int error = write_file(s.plot_path, plot_svg(points, fit, plot_title(s)));
        error != 0) {
      std::fprintf(stderr, "%s: cannot write the plot to %s: %s\n", name, s.plot_path,
                   std::strerror(error));
      status = 1;
    }
  }
  return status;
}

}  // namespace dinc
