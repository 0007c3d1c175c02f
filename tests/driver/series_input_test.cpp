#include "driver/series_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>  // malloc_usable_size
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "driver/options.h"
#include "numeric/arrays.h"

#if defined(__SANITIZE_ADDRESS__)
#define DINC_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DINC_UNDER_ASAN 1
#endif
#endif

namespace dinc {
namespace {

// A private directory for the files of one test, removed with everything in it.
class scratch {
 public:
  scratch() {
    std::string pattern = testing::TempDir() + "series_input_XXXXXX";
    dir_ = mkdtemp(pattern.data());
    EXPECT_FALSE(dir_.empty());
  }

  ~scratch() {
    for (const std::string& path : made_) unlink(path.c_str());
    rmdir(dir_.c_str());
  }

  std::string file(const std::string& name, const std::string& content) {
    const std::string path = name_path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  std::string fifo(const std::string& name) {
    const std::string path = name_path(name);
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
  }

  const std::string& dir() const { return dir_; }

 private:
  std::string name_path(const std::string& name) {
    made_.push_back(dir_ + "/" + name);
    return made_.back();
  }

  std::string dir_;
  std::vector<std::string> made_;
};

struct reading {
  int n = 0;
  bool allocated = false;
  std::vector<double> values;  // series[1..n]
  std::size_t block_bytes = 0;
  std::string messages;  // all of standard error
};

reading read(const std::string& path) {
  reading r;
  double* series = nullptr;
  testing::internal::CaptureStderr();
  r.n = read_series(path.c_str(), &series);
  r.messages = testing::internal::GetCapturedStderr();
  r.allocated = series != nullptr;
  if (series != nullptr) {
    r.values.assign(series + 1, series + 1 + r.n);
    r.block_bytes = malloc_usable_size(series);
    release_vector(series, 1, r.n);
  }
  return r;
}

std::string input_line(const std::string& path) { return "Input file: " + path + ".\n"; }

TEST(read_series, file_contents_to_samples) {
  const struct {
    const char* content;
    std::vector<double> want;
  } rows[] = {
      {"", {}},
      {" \n\t\r\n ", {}},
      {"header\n1 2\n", {}},
      {"1 2 3 x 4\n", {1, 2, 3}},
      {"1 2\n3 4\n", {1, 2, 3, 4}},
      {"1\r\n2\r\n", {1, 2}},
      {"1-2", {1, -2}},
      {"1,2,3\n", {1}},
      {"-2.5e-3 +7 .5 5.\n", {-2.5e-3, 7, 0.5, 5}},
      {"-\n", {}},
      {". 1\n", {}},
      {"1 2 3e x\n", {1, 2}},
      {"0x10\n", {0}},
      {"7", {7}},
      {"5e", {}},
  };

  scratch files;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.content);
    const std::string path = files.file("data.txt", row.content);
    const reading got = read(path);
    EXPECT_EQ(got.n, static_cast<int>(row.want.size()));
    EXPECT_EQ(got.values, row.want);
    EXPECT_TRUE(got.allocated);
    EXPECT_EQ(got.messages, input_line(path) + (row.want.empty() ? "No data was read!\n" : ""));
  }
}

// The block holds exactly the bytes asked for under the address sanitizer, whose
// malloc_usable_size reports the request; the system allocator may add a little.
void expect_block_of(const reading& got, std::size_t bytes) {
#if defined(DINC_UNDER_ASAN)
  EXPECT_EQ(got.block_bytes, bytes);
#else
  EXPECT_GE(got.block_bytes, bytes);
  EXPECT_LT(got.block_bytes, bytes + 4096);
#endif
}

std::string counting_to(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += std::to_string(i) + "\n";
  return text;
}

// The first value resizes the first block (10,000 + 1 doubles) to 10,000; the 10,000th
// resizes it again, to 20,000.
TEST(read_series, grows_in_steps_of_ten_thousand) {
  scratch files;

  const struct {
    int n;
    std::size_t doubles;
  } steps[] = {{0, 10001}, {1, 10000}, {9999, 10000}, {10000, 20000}, {20000, 30000}};

  for (const auto& step : steps) {
    SCOPED_TRACE(step.n);
    const reading got = read(files.file("data.txt", counting_to(step.n)));
    ASSERT_EQ(got.n, step.n);
    for (int i = 0; i < step.n; ++i) ASSERT_EQ(got.values[static_cast<std::size_t>(i)], i + 1);
    expect_block_of(got, step.doubles * sizeof(double));
  }
}

TEST(read_series, missing_file) {
  scratch files;
  const std::string path = files.dir() + "/no such file.txt";
  const reading got = read(path);
  EXPECT_EQ(got.n, 0);
  EXPECT_FALSE(got.allocated);
  EXPECT_EQ(got.messages, "File " + path + " not found!\n");
}

std::string regex_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// A directory opens but cannot be read: the run ends rather than going on with no data.
TEST(read_series, directory_ends_the_run) {
  scratch files;
  const std::string expected = input_line(files.dir()) +
                               "Run-time error...\n"
                               "read error on input file: Is a directory\n"
                               "...now exiting to system...\n";
  double* series = nullptr;
  EXPECT_EXIT(read_series(files.dir().c_str(), &series), testing::ExitedWithCode(1),
              "^" + regex_escaped(expected) + "$");
}

// Tokens of every length, cut wherever the reads end: at the file's large blocks, and at
// the short, uneven pieces in which a pipe delivers what its writer wrote.
TEST(read_series, numbers_cut_by_reads) {
  std::mt19937_64 rng(2024);
  std::uniform_real_distribution<double> uniform(-1e3, 1e3);
  std::string text;
  std::vector<double> want;
  for (int i = 0; i < 100'000; ++i) {
    char token[64];
    const double x = uniform(rng) * std::exp2(static_cast<int>(rng() % 200) - 100);
    std::snprintf(token, sizeof token, i % 3 == 0 ? "%.17g" : i % 3 == 1 ? "%.6f" : "%.3e", x);
    text += token;
    text += i % 7 == 0 ? "\n" : " ";
    want.push_back(std::strtod(token, nullptr));
  }

  scratch files;
  const std::string path = files.file("data.txt", text);
  const reading from_file = read(path);
  EXPECT_EQ(from_file.messages, input_line(path));
  ASSERT_EQ(from_file.values.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(from_file.values[i]),
              std::bit_cast<std::uint64_t>(want[i]))
        << i;
  }

  const std::string pipe = files.fifo("pipe");
  std::thread writer([&] {
    const int fd = open(pipe.c_str(), O_WRONLY);
    const std::size_t pieces[] = {1, 7, 4093, 3, 65'537, 10};
    std::size_t at = 0;
    for (std::size_t k = 0; at < text.size() && fd >= 0; ++k) {
      const std::size_t size = std::min(pieces[k % std::size(pieces)], text.size() - at);
      const ssize_t put = write(fd, text.data() + at, size);
      if (put <= 0) break;
      at += static_cast<std::size_t>(put);
    }
    if (fd >= 0) close(fd);
  });
  const reading from_pipe = read(pipe);
  writer.join();
  EXPECT_EQ(from_pipe.messages, input_line(pipe));
  EXPECT_EQ(from_pipe.values, from_file.values);
}

std::size_t address_space_in_use() {
  unsigned long pages = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Writes 1, 2, 3, ... one per line into the pipe until its reader goes away.
[[noreturn]] void count_into(const std::string& pipe) {
  const int fd = open(pipe.c_str(), O_WRONLY);
  char buffer[1 << 16];
  std::size_t used = 0;
  for (long i = 1; fd >= 0 && i < 1'000'000'000; ++i) {
    used += static_cast<std::size_t>(std::snprintf(buffer + used, 32, "%ld\n", i));
    if (used > sizeof buffer - 32) {
      for (std::size_t at = 0; at < used;) {
        const ssize_t put = write(fd, buffer + at, used - at);
        if (put <= 0) _exit(0);
        at += static_cast<std::size_t>(put);
      }
      used = 0;
    }
  }
  _exit(0);
}

// With the address space capped, a growth step is refused: the values read so far stay, the
// message names the row that found no room, and the run goes on. The numbers come from a
// pipe that never runs dry, so the cap is reached whatever free heap the process holds.
TEST(read_series, truncates_when_memory_runs_out) {
#if defined(DINC_UNDER_ASAN)
  GTEST_SKIP() << "the sanitizer's shadow memory cannot live under an address-space cap";
#endif
  scratch files;
  const std::string pipe = files.fifo("pipe");
  const std::string log_path = files.file("stderr.txt", "");
  const auto capped_run = [&] {
    const pid_t writer = fork();
    if (writer == 0) count_into(pipe);
    const std::size_t cap = address_space_in_use() + (std::size_t{16} << 20);
    const rlimit limit{cap, cap};
    if (writer < 0 || address_space_in_use() == 0 || setrlimit(RLIMIT_AS, &limit) != 0) {
      std::exit(3);
    }
    // The death test holds the stderr capture already, so this child redirects by hand.
    const int saved = dup(2);
    const int log = open(log_path.c_str(), O_WRONLY | O_TRUNC);
    if (saved < 0 || log < 0 || dup2(log, 2) < 0) std::exit(3);
    double* series = nullptr;
    const int n = read_series(pipe.c_str(), &series);
    dup2(saved, 2);
    waitpid(writer, nullptr, 0);
    bool ok = n >= 10'000 && (n + 1) % 10'000 == 0;
    for (int i = 1; ok && i <= n; ++i) ok = series[i] == i;
    release_vector(series, 1, n);
    std::ifstream in(log_path, std::ios::binary);
    const std::string messages{std::istreambuf_iterator<char>(in), {}};
    const std::string expected = input_line(pipe) + program_name +
                                 ": insufficient memory, truncating input at row " +
                                 std::to_string(n + 1) + "\n";
    if (!ok || messages != expected) std::fprintf(stderr, "n = %d\n%s", n, messages.c_str());
    std::exit(ok && messages == expected ? 0 : 2);
  };
  EXPECT_EXIT(capped_run(), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace dinc
