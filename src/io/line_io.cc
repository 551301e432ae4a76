#include "io/line_io.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>

#include "io/interrupt.h"

namespace unv2tessal {

LineReader::LineReader(int fd, std::size_t capacity)
    : fd_(fd),
      capacity_(capacity < 2 * kLongLineKeep ? 2 * kLongLineKeep : capacity),
      buf_(new char[capacity_]) {}

LineReader::Status LineReader::fill() {
  for (;;) {
    checkInterrupt();
    const ssize_t got = ::read(fd_, buf_.get() + end_, capacity_ - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      return Status::kLine;
    }
    if (got == 0) {
      eof_ = true;
      return Status::kEndOfFile;
    }
    if (errno == EINTR) continue;
    error_ = errno;
    return Status::kError;
  }
}

LineReader::Status LineReader::nextSlow(std::string_view* line) {
  if (replay_) {
    replay_ = false;
    ++lineNumber_;
    *line = last_;
    return Status::kLine;
  }
  for (;;) {
    char* base = buf_.get();
    const void* nl =
        pos_ < end_ ? std::memchr(base + pos_, '\n', end_ - pos_) : nullptr;
    if (nl != nullptr) {
      const std::size_t stop =
          static_cast<std::size_t>(static_cast<const char*>(nl) - base);
      takeLine(stop, stop + 1);
      *line = last_;
      return Status::kLine;
    }
    if (eof_) {
      if (pos_ == end_) return Status::kEndOfFile;
      // A last line without LF is still a line; only a CR before an LF is
      // part of the line end.
      takeLine(end_, end_, /*atLineFeed=*/false);
      *line = last_;
      return Status::kLine;
    }
    // Keep the partial line and read more behind it.
    if (pos_ > 0) {
      std::memmove(base, base + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    if (end_ == capacity_) return skipLongLine(line);
    if (fill() == Status::kError) return Status::kError;
  }
}

LineReader::Status LineReader::skipLongLine(std::string_view* line) {
  // The buffer holds the first capacity_ bytes of one line: keep its first
  // columns and pass over the rest up to its LF.
  if (!longLine_) longLine_.reset(new char[kLongLineKeep]);
  std::memcpy(longLine_.get(), buf_.get(), kLongLineKeep);
  for (;;) {
    end_ = 0;
    pos_ = 0;
    const Status s = fill();
    if (s == Status::kError) return s;
    if (s == Status::kEndOfFile) break;
    const void* nl = std::memchr(buf_.get(), '\n', end_);
    if (nl != nullptr) {
      pos_ =
          static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.get()) +
          1;
      break;
    }
  }
  last_ = std::string_view(longLine_.get(), kLongLineKeep);
  ++lineNumber_;
  *line = last_;
  return Status::kLine;
}

OutputBuffer::OutputBuffer(int fd, bool eager, std::size_t capacity)
    : fd_(fd), eager_(eager), capacity_(capacity), buf_(new char[capacity]) {}

bool OutputBuffer::flush() {
  std::size_t done = 0;
  while (done < used_) {
    const ssize_t put = ::write(fd_, buf_.get() + done, used_ - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      used_ = 0;
      return false;
    }
    done += static_cast<std::size_t>(put);
    written_ += static_cast<std::size_t>(put);
  }
  used_ = 0;
  return true;
}

}  // namespace unv2tessal
