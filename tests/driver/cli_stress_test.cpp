// Randomised runs of the real binary on hostile command lines and hostile files. Whatever it is
// given, a run ends with status 0 or 1, never by a signal or with a sanitizer report; a run
// that fails writes nothing on standard output and says why on standard error; a complete run
// reports the length of the series a plain reading of the file gives, and writes exactly the
// lines its options and that length imply.
//
// Fixed seed; DINC_STRESS_SEED picks another, DINC_STRESS_RUNS another count, and
// DINC_STRESS_RUN=i repeats run i alone. A failure prints the seed, the run, the arguments and
// the path of a copy of the data file that it keeps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>  // rusage
#include <sys/stat.h>      // mkfifo, mkdir
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr auto run_time_limit = std::chrono::seconds(60);

std::uint64_t env_number(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The number of samples in a text, read the plain way: white space, then an optional sign,
// digits with at most one point (one digit at least) and an optional exponent that must have
// digits; the reading stops where no number begins or an exponent has none.
long long sample_count(std::string_view text) {
  const std::size_t size = text.size();
  long long n = 0;
  std::size_t i = 0;
  for (;;) {
    while (i < size && is_space(text[i])) ++i;
    if (i == size) return n;
    if (text[i] == '+' || text[i] == '-') ++i;
    std::size_t digits = 0;
    for (; i < size && is_digit(text[i]); ++i) ++digits;
    if (i < size && text[i] == '.') {
      for (++i; i < size && is_digit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return n;
    if (i < size && (text[i] == 'e' || text[i] == 'E')) {
      ++i;
      if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
      if (i == size || !is_digit(text[i])) return n;
      while (i < size && is_digit(text[i])) ++i;
    }
    ++n;
  }
}

// An option value as C's atoi reads it, saturated to the int range.
int option_value(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    v = std::min(v * 10 + (text[i] - '0'), 1LL << 40);
  }
  v = negative ? -v : v;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// What a data path holds for the run: a readable text, nothing that opens, or something that
// opens and fails to read.
struct data_source {
  enum { text, missing, unreadable } kind = missing;

  std::string content;  // for text: what a reader gets
};

struct expectation {
  enum { usage, fatal, ok, ok_or_fatal } outcome;

  long long n = -1;     // the series length it must report, when it reads one
  long long lines = 0;  // for ok and ok_or_fatal
};

// The run the tool must make of args, given what each path holds.
expectation expect(const std::vector<std::string>& args,
                   const std::function<data_source(const std::string&)>& source_of) {
  long long W = 10, N = 1;
  bool backward = false;
  const std::size_t argc = args.size();
  for (std::size_t i = 1; i < argc; ++i) {
    const std::string& a = args[i];
    if (a.empty() || a[0] != '-') break;
    const char letter = a.size() > 1 ? a[1] : '\0';
    if (letter == 'a' || letter == 'v' || letter == 'b') {
      backward = backward || letter == 'b';
      continue;
    }
    if (letter != 's' && letter != 'd' && letter != 'm') return {expectation::usage};
    if (i + 1 >= argc) return {expectation::usage};
    const int v = option_value(args[++i]);
    if (letter == 's') W = std::max(v, 4);
    if (letter == 'd') N = v;
  }

  const data_source data = source_of(args[argc - 1]);
  if (data.kind == data_source::missing) return {expectation::fatal, 0};
  if (data.kind == data_source::unreadable) return {expectation::fatal};
  const long long n = sample_count(data.content);
  if (n <= W - 2) return {expectation::fatal, n};
  if (N <= 0) return {expectation::ok, n, n - W + 1};
  if (n < 2 * W || N == INT_MAX) return {expectation::fatal, n};
  const long long per_pass = W * (n / W - 1);
  const long long lines = backward && n % W != 0 ? 2 * per_pass : per_pass;
  // Whether a fit is singular or does not converge depends on W and N alone: low orders on
  // windows of modest length always succeed.
  return {N <= 3 && W <= 4096 ? expectation::ok : expectation::ok_or_fatal, n, lines};
}

struct outcome {
  bool exited = false;
  int status = -1;
  int signal = 0;
  bool timed_out = false;
  long max_rss_kib = 0;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

// Offers content on the FIFO at path until a reader has taken it all, the reader has gone or
// stop is set. Neither the open nor the writes wait, so a run that never opens the FIFO, or
// stops reading it, holds nothing up.
void offer_on_fifo(const std::string& path, const std::string& content,
                   const std::atomic<bool>& stop) {
  int fd = -1;
  while (!stop && (fd = open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // no reader yet
  }
  std::size_t at = 0;
  while (fd >= 0 && !stop && at < content.size()) {
    const ssize_t n = write(fd, content.data() + at, content.size() - at);
    if (n > 0) {
      at += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      break;  // the reader has closed it
    }
  }
  if (fd >= 0) close(fd);
}

// Runs the binary with args in dir, standard input from /dev/null and SIGPIPE at its default.
// When fifo is not empty, fifo_content is offered on it for as long as the run lasts.
outcome run_binary(const std::string& dir, const std::vector<std::string>& args,
                   const std::string& fifo, const std::string& fifo_content) {
  const std::string out_path = dir + "/run.stdout", err_path = dir + "/run.stderr";
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  // posix_spawn, not fork: forking the sanitizer build's huge address space costs far more
  // than the run itself.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  outcome r;
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, DINC_BINARY, &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    r.err = std::string("posix_spawn: ") + std::strerror(spawned);
    return r;
  }

  std::atomic<bool> stop{false};
  std::thread writer;
  if (!fifo.empty()) {
    writer = std::thread(offer_on_fifo, dir + "/" + fifo, std::cref(fifo_content), std::cref(stop));
  }

  const auto deadline = std::chrono::steady_clock::now() + run_time_limit;
  int raw = 0;
  rusage usage{};
  for (;;) {
    if (wait4(pid, &raw, WNOHANG, &usage) == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      r.timed_out = true;
      kill(pid, SIGKILL);
      wait4(pid, &raw, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stop = true;
  if (writer.joinable()) writer.join();
  r.exited = WIFEXITED(raw);
  r.status = r.exited ? WEXITSTATUS(raw) : -1;
  r.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
  r.max_rss_kib = usage.ru_maxrss;
  r.out = slurp(out_path);
  r.err = slurp(err_path);
  return r;
}

// Every line as "%lf" prints a double: fixed point with six decimals, or inf or nan.
bool well_formed_lines(const std::string& out, long long* lines) {
  *lines = 0;
  std::size_t at = 0;
  while (at < out.size()) {
    const std::size_t end = out.find('\n', at);
    if (end == std::string::npos) return false;
    std::string_view line(out.data() + at, end - at);
    if (!line.empty() && line[0] == '-') line.remove_prefix(1);
    const std::size_t point = line.find('.');
    const bool fixed =
        point != std::string_view::npos && point > 0 && line.size() == point + 7 &&
        std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(point), is_digit) &&
        std::all_of(line.begin() + static_cast<std::ptrdiff_t>(point) + 1, line.end(), is_digit);
    if (!fixed && line != "inf" && line != "nan") return false;
    ++*lines;
    at = end + 1;
  }
  return true;
}

// The usage text's first line, as Shift_JIS bytes, for the program name "dinc".
constexpr std::string_view usage_start = "\x8eg\x97p\x96@: dinc [OPTIONS ...]";

// Empty when the run kept every promise; otherwise what it broke.
std::string judge(const outcome& r, const expectation& e) {
  if (r.timed_out) return "did not end within the time limit";
  if (!r.exited && r.signal == 0) return "did not start: " + r.err;
  if (!r.exited) return "ended by signal " + std::to_string(r.signal);
  if (r.status != 0 && r.status != 1) return "exit status " + std::to_string(r.status);
  if (r.err.find("Sanitizer") != std::string::npos ||
      r.err.find("runtime error:") != std::string::npos) {
    return "sanitizer report";
  }
  const std::size_t reported = r.err.find("data length: ");
  if (reported != std::string::npos && e.n >= 0 &&
      std::strtoll(r.err.c_str() + reported + 13, nullptr, 10) != e.n) {
    return "reported a data length other than " + std::to_string(e.n);
  }
  if (r.status == 1) {
    if (!r.out.empty()) return "status 1 with output on standard output";
    if (e.outcome == expectation::ok) return "status 1 where a complete run was due";
    if (e.outcome == expectation::usage) {
      return r.err.rfind(usage_start, 0) == 0 ? "" : "status 1 without the usage text";
    }
    return r.err.find("Run-time error...\n") != std::string::npos ? "" : "status 1 with no message";
  }
  if (e.outcome == expectation::usage || e.outcome == expectation::fatal) {
    return "status 0 where the run had to fail";
  }
  if (reported == std::string::npos) return "status 0 without the data length report";
  long long lines = 0;
  if (!well_formed_lines(r.out, &lines)) return "a line that is not a %lf value";
  if (lines != e.lines) {
    return std::to_string(lines) + " lines, expected " + std::to_string(e.lines);
  }
  return "";
}

// A private directory, removed with its files at the end unless a failure keeps it.
class scratch {
 public:
  scratch() {
    std::string pattern = testing::TempDir() + "cli_stress_XXXXXX";
    dir_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
  }

  ~scratch() {
    if (keep_) return;
    for (const std::string& name : names_) unlink((dir_ + "/" + name).c_str());
    for (const char* name : {"run.stdout", "run.stderr"}) unlink((dir_ + "/" + name).c_str());
    rmdir((dir_ + "/dir").c_str());
    rmdir(dir_.c_str());
  }

  const std::string& dir() const { return dir_; }

  void keep() { keep_ = true; }

  void file(const std::string& name, const std::string& content) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
    if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
  }

  void fifo(const std::string& name) {
    ASSERT_EQ(mkfifo((dir_ + "/" + name).c_str(), 0600), 0);
    names_.push_back(name);
  }

  void directory() { ASSERT_EQ(mkdir((dir_ + "/dir").c_str(), 0700), 0); }

 private:
  std::string dir_;
  std::vector<std::string> names_;
  bool keep_ = false;
};

class generator {
 public:
  explicit generator(std::uint64_t seed) : rng_(seed) {}

  int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

  template <typename T, std::size_t size>
  const T& one_of(const T (&items)[size]) {
    return items[static_cast<std::size_t>(pick(static_cast<int>(size)))];
  }

  // Numbers of every shape, huge exponents now and then, in any white space; then, often, the
  // kind of text that ends a reading: a word, a NUL byte, a lone sign, an exponent with no
  // digits, binary bytes.
  std::string numbers(int count) {
    static const char* const separators[] = {" ", "\n", "\t", "\r\n", "  ", "\v", "\f", "\n\n"};
    std::string s;
    for (int i = 0; i < count; ++i) {
      s += token();
      s += one_of(separators);
    }
    static const char* const endings[] = {"",  "",  "",   "x 1 2 3", "nan 1",   "inf",   ",5",
                                          "-", ".", "1e", "2e+ 3",   "1e5e3 7", "0x10 9"};
    s += one_of(endings);
    if (pick(8) == 0) s += std::string("4\0 5 6", 6);
    if (pick(10) == 0) s += binary(1 + pick(64));
    return s;
  }

  std::string binary(int length) {
    std::string s;
    for (int i = 0; i < length; ++i) s += static_cast<char>(pick(256));
    return s;
  }

  // Mostly numbers and white space, with NUL bytes and stray bytes here and there.
  std::string mostly_numbers_bytes(int length) {
    static const char alphabet[] = "0123456789 \n\t.-+eE";
    std::string s;
    for (int i = 0; i < length; ++i) {
      const int r = pick(100);
      s += r < 2 ? '\0' : (r < 4 ? static_cast<char>(pick(256)) : alphabet[pick(19)]);
    }
    return s;
  }

  // Plain values, text where a number belongs, and the ends of the int range and beyond.
  std::string option_argument() {
    static const char* const plain[] = {"4", "5",   "7", "10",  "16", "33",    "100", "0",   "-7",
                                        "3", "abc", "",  " 12", "+5", "12abc", "1e3", "0x10"};
    static const char* const limits[] = {"2147483647", "-2147483648", "2147483648", "134217728",
                                         "99999999999999999999999"};
    return pick(4) == 0 ? one_of(limits) : one_of(plain);
  }

  // The orders that end quickly whatever the series: low ones, none, and ones whose work
  // arrays are refused.
  std::string order_argument() {
    static const char* const low[] = {"0", "1", "2", "3", "-1", "-5", "5", "40", "abc", "100000"};
    static const char* const limits[] = {"2147483647", "-2147483648", "99999999999999999999"};
    return pick(4) == 0 ? one_of(limits) : one_of(low);
  }

  // Scales that keep the plain path's n·W additions small on a file of n samples.
  std::string scale_argument(long long n) {
    if (n > 50'000 && pick(4) != 0) return std::to_string(4 + pick(60));
    if (pick(3) == 0) return std::to_string(4 + pick(40));
    return option_argument();
  }

  std::vector<std::string> arguments(const std::vector<std::string>& paths, const std::string& data,
                                     long long n) {
    std::vector<std::string> args{"dinc"};
    if (pick(20) == 0) args.push_back(one_of_paths(paths));  // the loop stops at a file
    const int options = pick(6);
    for (int i = 0; i < options; ++i) {
      const int r = pick(100);
      if (r < 25) {
        args.push_back("-s");
        args.push_back(scale_argument(n));
      } else if (r < 45) {
        args.push_back("-d");
        args.push_back(order_argument());
      } else if (r < 55) {
        args.push_back("-m");
        args.push_back(option_argument());
      } else if (r < 85) {
        static const char* const flags[] = {"-v", "-a", "-b", "-b", "-vb", "-ba", "-bx"};
        args.push_back(one_of(flags));
      } else if (r < 90) {
        args.push_back("-s" + std::to_string(pick(50)));  // the glued value is ignored
      } else if (r < 95) {
        static const char* const strangers[] = {"-h", "-x", "-V", "--", "-", "-\xc3\xa9", "-S"};
        args.push_back(one_of(strangers));
      } else {
        static const char* const lasts[] = {"-s", "-d", "-m"};
        args.push_back(one_of(lasts));  // a value option without its value, when last
        return args;
      }
    }
    const int extra_files = pick(8) == 0 ? 1 + pick(3) : 0;
    for (int i = 0; i < extra_files; ++i) args.push_back(one_of_paths(paths));
    if (pick(40) == 0) return args;  // no data file at all
    args.push_back(data);
    if (pick(40) == 0) args.push_back("-v");  // an option after the file is the data file
    return args;
  }

 private:
  std::string token() {
    std::string t;
    if (pick(4) == 0) t += pick(2) == 0 ? '-' : '+';
    const int r = pick(100);
    if (r < 40) {
      t += std::to_string(pick(100000));
    } else if (r < 80) {
      t += std::to_string(pick(1000)) + "." + std::to_string(pick(1000000));
    } else if (r < 88) {
      t += "." + std::to_string(pick(1000));
    } else if (r < 92) {
      t += std::to_string(pick(10)) + ".";
    } else {
      // Past both ends of the range, and exponents of many digits.
      static const char* const exponents[] = {"e308",          "e309",  "e-308", "e-324",
                                              "e400",          "e-400", "e+5",   "E99999999999999",
                                              "e-999999999999"};
      t += std::to_string(1 + pick(9)) + one_of(exponents);
    }
    return t;
  }

  std::string one_of_paths(const std::vector<std::string>& paths) {
    return paths[static_cast<std::size_t>(pick(static_cast<int>(paths.size())))];
  }

  std::mt19937_64 rng_;
};

std::string quoted(const std::vector<std::string>& args) {
  std::string s;
  for (const std::string& a : args) {
    s += " '";
    for (char c : a) {
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
        s += hex;
      } else {
        s += c;
      }
    }
    s += "'";
  }
  return s;
}

// Options in any order, files of any bytes, paths that are not files.
TEST(cli_stress, random_runs_end_cleanly) {
  const std::uint64_t seed = env_number("DINC_STRESS_SEED", 20240917);
  const std::uint64_t runs = env_number("DINC_STRESS_RUNS", 300);
  const std::uint64_t only = env_number("DINC_STRESS_RUN", UINT64_MAX);

  // Sanitizer reports must not hide behind status 1, and a refused huge request must be a
  // refused request, not an abort.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const char* ubsan = std::getenv("UBSAN_OPTIONS");
  setenv("ASAN_OPTIONS",
         (std::string(asan != nullptr ? asan : "") + ":allocator_may_return_null=1:exitcode=86")
             .c_str(),
         1);
  setenv("UBSAN_OPTIONS",
         (std::string(ubsan != nullptr ? ubsan : "") + ":halt_on_error=1:exitcode=87").c_str(), 1);
  signal(SIGPIPE, SIG_IGN);

  scratch dir;
  ASSERT_FALSE(dir.dir().empty());
  dir.directory();
  dir.fifo("fifo");
  dir.file("empty.txt", "");
  dir.file("crlf.txt", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n");

  // One line of 200,000 numbers.
  {
    generator g(seed ^ 1);
    std::string line;
    for (int i = 0; i < 200'000; ++i) line += std::to_string(g.pick(2000) - 1000) + " ";
    dir.file("long_line.txt", line + "\n");
  }
  // One token of several million digits, then a short series.
  {
    std::string token = "0." + std::string(6'000'000, '3') + "e1 ";
    for (int i = 0; i < 300; ++i) token += std::to_string(i % 17) + "\n";
    dir.file("long_token.txt", token);
  }

  auto source_of = [&](const std::string& fifo_content) {
    return [&, fifo_content](const std::string& path) -> data_source {
      if (path == "fifo") return {data_source::text, fifo_content};
      if (path == "/dev/null") return {data_source::text, ""};
      if (path == "dir") return {data_source::unreadable, ""};
      std::ifstream f(dir.dir() + "/" + path, std::ios::binary);
      if (!f || path.empty()) return {data_source::missing, ""};
      return {data_source::text, slurp(dir.dir() + "/" + path)};
    };
  };

  int failures = 0;
  long long complete = 0, usage = 0, fatal = 0;
  for (std::uint64_t run = 0; run < runs && failures < 5; ++run) {
    if (only != UINT64_MAX && run != only) continue;
    generator g(seed * 1'000'003 + run);

    // This run's file, and the path its series is read from.
    const int kind = g.pick(100);
    std::string content;
    if (kind < 45) {
      content = g.numbers(g.pick(10) == 0 ? g.pick(30'000) : g.pick(600));
    } else if (kind < 55) {
      content = g.binary(g.pick(4096));
    } else if (kind < 65) {
      content = g.mostly_numbers_bytes(g.pick(4096));
    } else if (kind < 70) {
      content = std::string(static_cast<std::size_t>(g.pick(100)), '\0');
    }
    dir.file("data.txt", content);
    static const char* const specials[] = {"empty.txt",      "crlf.txt", "long_line.txt",
                                           "long_token.txt", "dir",      "/dev/null",
                                           "missing.txt",    "fifo"};
    std::string data = "data.txt";
    std::string fifo_content;
    if (kind >= 70 && kind < 90) {
      data = g.one_of(specials);
    } else if (kind >= 90) {
      data = "fifo";
      fifo_content = g.numbers(g.pick(3000));
    }
    const auto source = source_of(fifo_content);
    const data_source data_content = source(data);
    const long long n =
        data_content.kind == data_source::text ? sample_count(data_content.content) : 0;
    const std::vector<std::string> paths{"data.txt",  "empty.txt",   "dir",
                                         "/dev/null", "missing.txt", "long_line.txt"};
    const std::vector<std::string> args = g.arguments(paths, data, n);
    const bool uses_fifo = std::find(args.begin() + 1, args.end(), "fifo") != args.end();

    const expectation e = expect(args, source);
    const outcome r = run_binary(dir.dir(), args, uses_fifo ? "fifo" : "", fifo_content);
    const std::string broken = judge(r, e);
    if (r.status == 0) ++complete;
    if (r.status == 1) ++(e.outcome == expectation::usage ? usage : fatal);
    if (!broken.empty()) {
      ++failures;
      dir.keep();
      const std::string kept = "data." + std::to_string(run) + ".txt";
      dir.file(kept, content);
      ADD_FAILURE() << broken << "\n  seed " << seed << ", run " << run
                    << " (DINC_STRESS_SEED=" << seed << " DINC_STRESS_RUN=" << run << ")"
                    << "\n  in " << dir.dir() << ":" << quoted(args) << "\n  data.txt kept as "
                    << kept << "\n  status " << r.status << ", " << r.out.size()
                    << " bytes of output\n  standard error:\n"
                    << r.err.substr(0, 2000);
    }
  }
  std::printf("%lld runs: %lld complete, %lld usage, %lld fatal\n", complete + usage + fatal,
              complete, usage, fatal);
  // A generator that drifted into one kind of run would test little.
  if (only == UINT64_MAX && runs >= 100) {
    EXPECT_GE(complete, static_cast<long long>(runs / 5));
    EXPECT_GE(usage, static_cast<long long>(runs / 20));
    EXPECT_GE(fatal, static_cast<long long>(runs / 5));
  }
}

// A token of tens of millions of digits is read in one pass through a fixed block: the run
// ends (a reading quadratic in the token's length would not, within the limit) and needs no
// memory in proportion to the token.
TEST(cli_stress, long_token_in_bounded_memory) {
  scratch dir;
  ASSERT_FALSE(dir.dir().empty());
  const std::string tail = " 1 2 3 4 5 6 7 8 9\n";
  dir.file("short.txt", "0.5" + tail);
  dir.file("long.txt", "0." + std::string(40'000'000, '3') + "e-7" + tail);
  const outcome short_run =
      run_binary(dir.dir(), {"dinc", "-d", "0", "-s", "4", "short.txt"}, "", "");
  const outcome long_run =
      run_binary(dir.dir(), {"dinc", "-d", "0", "-s", "4", "long.txt"}, "", "");
  const expectation seven_lines{expectation::ok, 10, 7};
  EXPECT_EQ(judge(short_run, seven_lines), "");
  EXPECT_EQ(judge(long_run, seven_lines), "");
  EXPECT_LT(long_run.max_rss_kib - short_run.max_rss_kib, 4096)
      << "peak memory " << short_run.max_rss_kib << " KiB for 10 short numbers, "
      << long_run.max_rss_kib << " KiB with a token of 40 million digits";
}

}  // namespace
