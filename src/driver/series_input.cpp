#include "driver/series_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>  // strerror

#include "driver/number_scanner.h"
#include "driver/options.h"
#include "numeric/arrays.h"

namespace dinc {

namespace {

constexpr int first_high_bound = 10000;
constexpr int growth_step = 10000;

// The file is read in blocks of this size (or of the fallback size when even this much heap
// is refused), never as a whole: it may be a pipe, and it may be larger than memory.
constexpr std::size_t block_size = std::size_t{256} * 1024;
constexpr std::size_t fallback_block_size = 4096;

// Values pass through this small buffer on their way from the scanner to the series, so
// that each one meets the growth rule as it arrives.
constexpr std::size_t staged_count = 512;

// The series as it fills: x[1..n] hold the values, and after the first resize the block of
// x holds exactly c doubles (indices 0 .. c - 1). c starts at 0, not at the room of the
// first block, so the very first value already resizes it.
struct series_store {
  double* x;
  int n = 0;
  int c = 0;

  // Stores value number n + 1, growing the block by growth_step doubles when it has no
  // room for it. Returns false, after the truncation message, when the block cannot grow;
  // x and n are then unchanged.
  bool add(double value) {
    const int r = n + 1;
    if (r >= c) {
      double* grown = nullptr;
      // A count past the largest int, or a byte size past what the heap can address, is a
      // refused request like any other: the input is truncated, not wrapped.
      if (c <= INT_MAX - growth_step) {
        const auto doubles = static_cast<std::size_t>(c + growth_step);
        if (doubles <= SIZE_MAX / sizeof(double)) {
          grown = static_cast<double*>(std::realloc(x, doubles * sizeof(double)));
        }
      }
      if (grown == nullptr) {
        std::fprintf(stderr, "%s: insufficient memory, truncating input at row %d\n", program_name,
                     r);
        return false;
      }
      x = grown;
      c += growth_step;
    }
    x[r] = value;
    n = r;
    return true;
  }
};

int open_for_reading(const char* path) {
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// A read that fails would silently cut the series short and the analysis would go on with
// part of the data; ending the run says so instead. Reported as "read error on input file:"
// with the system's reason, e.g. "Is a directory".
[[noreturn]] void fail_reading(int fd, int error) {
  ::close(fd);
  char message[160];
  std::snprintf(message, sizeof message, "read error on input file: %s", std::strerror(error));
  fatal_error(message);
}

struct free_on_exit {
  void* block;

  ~free_on_exit() { std::free(block); }
};

}  // namespace

int read_series(const char* path, double** series) {
  const int fd = open_for_reading(path);
  if (fd < 0) {
    std::fprintf(stderr, "File %s not found!\n", path);
    return 0;
  }
  std::fprintf(stderr, "Input file: %s.\n", path);

  series_store store{vector(1, first_high_bound)};

  free_on_exit heap_block{std::malloc(block_size)};
  char fallback[fallback_block_size];
  char* const block = heap_block.block != nullptr ? static_cast<char*>(heap_block.block) : fallback;
  const std::size_t size = heap_block.block != nullptr ? block_size : sizeof fallback;

  number_scanner scanner;
  double staged[staged_count];
  bool truncated = false;
  while (!truncated && !scanner.stopped()) {
    const ssize_t got = ::read(fd, block, size);
    if (got < 0) {
      if (errno == EINTR) continue;
      *series = store.x;
      fail_reading(fd, errno);
    }
    if (got == 0) {
      double last_value;
      if (scanner.finish(&last_value)) truncated = !store.add(last_value);
      break;
    }
    const char* p = block;
    const char* const end = block + got;
    for (;;) {
      const auto [next, count] = scanner.scan(p, end, staged, staged_count);
      for (std::size_t i = 0; i < count && !truncated; ++i) truncated = !store.add(staged[i]);
      if (truncated || count < staged_count) break;
      p = next;
    }
  }
  ::close(fd);
  *series = store.x;

  if (store.n >= 1) return store.n;
  std::fprintf(stderr, "No data was read!\n");
  return 0;
}

}  // namespace dinc
