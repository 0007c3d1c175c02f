#include "analysis/output_writer.h"

#include <unistd.h>  // write

#include <cerrno>
#include <cstddef>
#include <new>  // nothrow

namespace dinc {

namespace {

// Big enough that a run of millions of lines costs only a few dozen system calls.
constexpr std::size_t buffer_size = std::size_t{1} << 20;

// The longest line: a formatted value and its newline.
constexpr std::size_t line_room = fixed_format_max_chars + 1;

}  // namespace

// A refused buffer is reported like a failed write: the writer then writes nothing and
// finish() says so, rather than the process ending on an exception.
output_writer::output_writer(int fd)
    : fd_(fd), buffer_(new (std::nothrow) char[buffer_size]), end_(buffer_) {
  if (buffer_ == nullptr) error_ = ENOMEM;
}

output_writer::~output_writer() { delete[] buffer_; }

// Invariant on entry to the formatting: at least line_room bytes are free after end_.
void output_writer::put_line(double x) {
  if (error_ != 0) return;
  if (static_cast<std::size_t>(buffer_ + buffer_size - end_) < line_room) {
    flush();
    if (error_ != 0) return;
  }
  end_ = format_fixed6(x, end_);
  *end_++ = '\n';
}

bool output_writer::finish() {
  flush();
  return ok();
}

// Writes buffer_[0 .. end_) and empties the buffer. A short write continues from where it
// stopped; an interrupted one is retried. Any other failure, and a write that accepts
// nothing (which would otherwise loop for ever), ends the attempt and is kept in error_.
void output_writer::flush() {
  const char* p = buffer_;
  while (error_ == 0 && p < end_) {
    const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(end_ - p));
    if (n > 0) {
      p += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      error_ = n < 0 ? errno : EIO;
    }
  }
  end_ = buffer_;
}

}  // namespace dinc
