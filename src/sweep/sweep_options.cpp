#include "sweep/sweep_options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>  // from_chars
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "sweep/scales.h"

namespace dinc {

namespace {

constexpr const char* name = "dinc-sweep";
constexpr double max_per_octave = 1000.0;

enum long_only { per_octave_option = 256, fit_range_option };

const option long_options[] = {
    {"order", required_argument, nullptr, 'd'},
    {"method", required_argument, nullptr, 'm'},
    {"backward", no_argument, nullptr, 'b'},
    {"scales", required_argument, nullptr, 's'},
    {"per-octave", required_argument, nullptr, per_octave_option},
    {"fit-range", required_argument, nullptr, fit_range_option},
    {"threads", required_argument, nullptr, 't'},
    {"plot", required_argument, nullptr, 'p'},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

constexpr const char* help_text =
    "Usage: dinc-sweep [OPTION]... FILE\n"
    "Run dinc's analysis of a series over many scales W at once and tabulate, for each\n"
    "scale, the fluctuation F(W) of the increments and their flatness; then fit the scaling\n"
    "exponent, the slope of log F(W) against log W. FILE holds the series in dinc's notation;\n"
    "with FILE -, the series is read from standard input.\n"
    "\n"
    "  -d, --order=N        detrend with polynomials of order N; 0 takes plain sums (default 1)\n"
    "  -m, --method=M       least squares by the normal equations (0 or 1) or by singular\n"
    "                       value decomposition (2) (default 1)\n"
    "  -b, --backward       add the pass over the profile summed from the end\n"
    "  -s, --scales=LIST    the scales: a list such as 4,8,16, or a range A:B spaced evenly in\n"
    "                       log W (default: 4 to n/8 for a series of n samples)\n"
    "      --per-octave=P   scales per doubling in a range (default 4)\n"
    "      --fit-range=A:B  fit the exponent over the scales from A to B only (default: all)\n"
    "  -t, --threads=K      worker threads (default: one per core)\n"
    "  -p, --plot=FILE.svg  also draw F(W) against W on log-log axes, with the fitted line\n"
    "  -h, --help           show this help and exit\n"
    "\n"
    "Standard output is a tab-separated table with a header line and one row per scale, in\n"
    "ascending order: scale, count (of increments), fluctuation (the root mean square of the\n"
    "centred increments: the standard deviation of dinc's output at that scale) and flatness\n"
    "(fourth moment over squared second moment). Its last line, after '#', gives the exponent\n"
    "and its standard error, which also go to standard error. Scales too large for the series\n"
    "are skipped with a warning.\n"
    "\n"
    "Exit status: 0 on success, 1 for bad input or failed output, 2 for invalid options.\n";

// A whole decimal number in [low, high], and nothing else.
bool parse_int(const char* text, long long low, long long high, int* value) {
  const char* const end = text + std::strlen(text);
  long long v = 0;
  const auto [stop, error] = std::from_chars(text, end, v);
  if (error != std::errc() || stop != end || stop == text || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

// "A:B" with low <= A <= B, both whole numbers.
bool parse_range(const char* text, long long low, int* a, int* b) {
  const char* colon = std::strchr(text, ':');
  if (colon == nullptr) return false;
  const std::string first(text, colon);
  return parse_int(first.c_str(), low, INT_MAX, a) && parse_int(colon + 1, *a, INT_MAX, b);
}

// "4,8,16" (sorted, each scale once) or "A:B"; false for anything else.
bool parse_scales(const char* text, sweep_settings* s) {
  s->scale_list.clear();
  s->range_low = s->range_high = 0;
  if (std::strchr(text, ':') != nullptr) {
    return parse_range(text, smallest_scale, &s->range_low, &s->range_high);
  }
  const char* p = text;
  for (;;) {
    const char* comma = std::strchr(p, ',');
    const std::string item = comma != nullptr ? std::string(p, comma) : std::string(p);
    int W = 0;
    if (!parse_int(item.c_str(), smallest_scale, INT_MAX, &W)) return false;
    s->scale_list.push_back(W);
    if (comma == nullptr) break;
    p = comma + 1;
  }
  std::sort(s->scale_list.begin(), s->scale_list.end());
  s->scale_list.erase(std::unique(s->scale_list.begin(), s->scale_list.end()), s->scale_list.end());
  return true;
}

bool parse_per_octave(const char* text, double* value) {
  const char* const end = text + std::strlen(text);
  double v = 0.0;
  const auto [stop, error] = std::from_chars(text, end, v);
  if (error != std::errc() || stop != end || stop == text) return false;
  if (!(v > 0.0 && v <= max_per_octave)) return false;
  *value = v;
  return true;
}

sweep_command invalid_value(const char* option_name, const char* value, const char* expected) {
  std::fprintf(stderr, "%s: invalid value '%s' for %s: expected %s\n", name, value, option_name,
               expected);
  return {sweep_request::invalid, {}};
}

}  // namespace

sweep_command parse_sweep_command_line(int argc, char** argv) {
  // getopt_long reorders the pointers it is given and names the program after argv[0] in its
  // messages: it gets a copy, with the tool's own name.
  std::vector<char*> args(argv, argv + argc);
  std::string program(name);
  if (!args.empty()) args[0] = program.data();
  args.push_back(nullptr);

  sweep_settings s;
  optind = 0;  // glibc: start afresh, whatever an earlier parse left
  opterr = 1;
  for (;;) {
    const int c = getopt_long(argc, args.data(), "d:m:bs:t:p:h", long_options, nullptr);
    if (c == -1) break;
    switch (c) {
      case 'd':
        if (!parse_int(optarg, 0, INT_MAX - 1, &s.analysis.order)) {
          return invalid_value("--order (-d)", optarg, "a whole number, 0 or more");
        }
        break;
      case 'm':
        if (!parse_int(optarg, 0, 2, &s.analysis.method)) {
          return invalid_value("--method (-m)", optarg,
                               "0 or 1 (normal equations) or 2 (singular value decomposition)");
        }
        break;
      case 'b':
        s.analysis.backward = 1;
        break;
      case 's':
        if (!parse_scales(optarg, &s)) {
          return invalid_value("--scales (-s)", optarg,
                               "scales of 4 or more, as a list such as 4,8,16 or a range A:B "
                               "with A <= B");
        }
        break;
      case per_octave_option:
        if (!parse_per_octave(optarg, &s.per_octave)) {
          return invalid_value("--per-octave", optarg, "a number above 0, at most 1000");
        }
        break;
      case fit_range_option:
        if (!parse_range(optarg, 1, &s.fit_low, &s.fit_high)) {
          return invalid_value("--fit-range", optarg, "A:B, whole numbers with 1 <= A <= B");
        }
        break;
      case 't':
        if (!parse_int(optarg, 1, INT_MAX, &s.threads)) {
          return invalid_value("--threads (-t)", optarg, "a whole number, 1 or more");
        }
        break;
      case 'p':
        if (*optarg == '\0') return invalid_value("--plot (-p)", optarg, "a file name");
        s.plot_path = optarg;
        break;
      case 'h':
        return {sweep_request::help, s};
      default:  // getopt_long has named the option on standard error
        return {sweep_request::invalid, {}};
    }
  }

  if (optind >= argc) {
    std::fprintf(stderr, "%s: missing data file (a file name, or - for standard input)\n", name);
    return {sweep_request::invalid, {}};
  }
  if (optind + 1 < argc) {
    std::fprintf(stderr, "%s: extra operand '%s'\n", name,
                 args[static_cast<std::size_t>(optind) + 1]);
    return {sweep_request::invalid, {}};
  }
  s.data_path = args[static_cast<std::size_t>(optind)];
  return {sweep_request::run, s};
}

bool print_sweep_help() { return std::fputs(help_text, stdout) >= 0 && std::fflush(stdout) == 0; }

}  // namespace dinc
