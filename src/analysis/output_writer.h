// Buffered writing of result lines to a file descriptor, checked for loss.
#pragma once

#include "analysis/fixed_format.h"

namespace dinc {

// Collects formatted values in a large buffer and writes it to fd in big blocks with
// write(2), retrying short writes and EINTR. A failed write is remembered: nothing more is
// written after it, and ok() turns false. A write that accepts no bytes counts as failing
// with EIO, and a buffer the heap refuses as failing with ENOMEM: the writer never throws.
// EAGAIN on a non-blocking fd is a failure too, not a reason to wait. The caller decides
// about SIGPIPE: ignored, a closed reader shows up as EPIPE here. The destructor does not
// flush; call finish().
class output_writer {
 public:
  explicit output_writer(int fd);
  ~output_writer();
  output_writer(const output_writer&) = delete;
  output_writer& operator=(const output_writer&) = delete;

  // Appends the "%lf\n" text of x.
  void put_line(double x);

  // Writes what is buffered; returns false if any write of this writer failed, with
  // error() holding the errno of the first failure.
  bool finish();

  bool ok() const { return error_ == 0; }

  int error() const { return error_; }

 private:
  void flush();

  int fd_;
  char* buffer_;
  char* end_;  // one past the buffered bytes
  int error_ = 0;
};

}  // namespace dinc
