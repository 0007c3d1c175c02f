#include "analysis/output_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>  // mismatch
#include <atomic>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace dinc {
namespace {

// Random bit patterns: lines from 8 to 318 bytes, so the flushes fall at varied offsets and
// a few megabytes cross the 1 MiB buffer several times.
std::vector<double> sample_values(std::size_t count) {
  std::mt19937_64 rng{42};
  std::vector<double> values(count);
  for (double& x : values) x = std::bit_cast<double>(rng());
  return values;
}

std::string printf_lines(const std::vector<double>& values) {
  std::string text;
  char line[fixed_format_max_chars + 16];
  for (double x : values) {
    const int n = std::snprintf(line, sizeof line, "%lf\n", x);
    text.append(line, static_cast<std::size_t>(n));
  }
  return text;
}

std::string read_all(int fd) {
  std::string text;
  char chunk[65536];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
  return text;
}

// Megabytes of text: a failure names the first differing offset rather than printing both.
void expect_same_bytes(const std::string& got, const std::string& want) {
  EXPECT_EQ(got.size(), want.size());
  const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
  EXPECT_TRUE(g == got.end() && w == want.end())
      << "first difference at byte " << (g - got.begin()) << " of " << want.size();
}

TEST(output_writer, writes_the_printf_lines_to_a_file) {
  for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{40000}}) {
    SCOPED_TRACE(count);
    const std::vector<double> values = sample_values(count);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const int fd = fileno(file);
    {
      output_writer out(fd);
      for (double x : values) out.put_line(x);
      EXPECT_TRUE(out.finish());
      EXPECT_EQ(out.error(), 0);
    }
    ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
    const std::string want = printf_lines(values);
    if (count == 40000) {
      EXPECT_GT(want.size(), std::size_t{3} << 20);
    }
    expect_same_bytes(read_all(fd), want);
    std::fclose(file);
  }
}

std::atomic<int> alarms{0};

void count_alarm(int) { alarms.fetch_add(1, std::memory_order_relaxed); }

// A slow reader and a 200 us interval timer whose handler is installed without SA_RESTART:
// write(2) into the full pipe is interrupted again and again, returning short counts or
// EINTR. Every byte must still arrive once, in order.
TEST(output_writer, survives_short_and_interrupted_writes) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::vector<double> values = sample_values(40000);

  struct sigaction action = {};
  action.sa_handler = count_alarm;
  sigemptyset(&action.sa_mask);
  struct sigaction previous = {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);

  // The reader inherits a mask that blocks SIGALRM, so the signals land on the writer.
  sigset_t alarm_set;
  sigemptyset(&alarm_set);
  sigaddset(&alarm_set, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &alarm_set, nullptr);
  std::string received;
  std::thread reader([&] {
    char chunk[4096];
    ssize_t n;
    while ((n = read(ends[0], chunk, sizeof chunk)) > 0) {
      received.append(chunk, static_cast<std::size_t>(n));
      std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
  });
  pthread_sigmask(SIG_UNBLOCK, &alarm_set, nullptr);

  itimerval timer = {{0, 200}, {0, 200}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
  bool finished;
  {
    output_writer out(ends[1]);
    for (double x : values) out.put_line(x);
    finished = out.finish();
  }
  itimerval stop = {};
  setitimer(ITIMER_REAL, &stop, nullptr);
  close(ends[1]);
  reader.join();
  close(ends[0]);
  sigaction(SIGALRM, &previous, nullptr);

  EXPECT_TRUE(finished);
  EXPECT_GT(alarms.load(), 0);
  expect_same_bytes(received, printf_lines(values));
}

// Writes enough lines for put_line itself to meet the failure, then more, then finishes.
int first_error_after_writing(int fd, bool* finished) {
  output_writer out(fd);
  for (double x : sample_values(20000)) out.put_line(x);
  *finished = out.finish();
  EXPECT_EQ(out.ok(), *finished);
  return out.error();
}

TEST(output_writer, reports_a_full_device) {
  const int fd = open("/dev/full", O_WRONLY);
  ASSERT_GE(fd, 0);
  bool finished = true;
  EXPECT_EQ(first_error_after_writing(fd, &finished), ENOSPC);
  EXPECT_FALSE(finished);
  close(fd);
}

TEST(output_writer, reports_a_closed_pipe) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  // As the tool does: a closed reader must show up as EPIPE, not end the process.
  void (*previous)(int) = signal(SIGPIPE, SIG_IGN);
  bool finished = true;
  EXPECT_EQ(first_error_after_writing(ends[1], &finished), EPIPE);
  EXPECT_FALSE(finished);
  signal(SIGPIPE, previous);
  close(ends[1]);
}

}  // namespace
}  // namespace dinc
