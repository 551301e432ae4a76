#include "prep/raw_lines.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>

namespace unv2tessal {

RawLineReader::RawLineReader(int fd, std::size_t capacity)
    : fd_(fd), capacity_(capacity), buf_(new char[capacity]) {}

RawLineReader::Status RawLineReader::fill() {
  if (hook_ != nullptr) hook_(hookContext_);
  // Keep the line last returned, for stepBack().
  if (lineStart_ > 0) {
    std::memmove(buf_.get(), buf_.get() + lineStart_, end_ - lineStart_);
    end_ -= lineStart_;
    pos_ -= lineStart_;
    lineStart_ = 0;
  }
  for (;;) {
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

RawLineReader::Status RawLineReader::next(RawLine* line) {
  for (;;) {
    const char* base = buf_.get();
    const void* nl =
        pos_ < end_ ? std::memchr(base + pos_, '\n', end_ - pos_) : nullptr;
    std::size_t stop = end_;  // one past the line's last byte
    if (nl != nullptr) {
      stop = static_cast<std::size_t>(static_cast<const char*>(nl) - base) + 1;
    } else if (!eof_) {
      // fill() moves the line last returned to the front; a buffer that is
      // full from there holds no line end.
      if (lineStart_ == 0 && end_ == capacity_) return Status::kTooLong;
      if (fill() == Status::kError) return Status::kError;
      continue;
    } else if (pos_ == end_) {
      return Status::kEndOfFile;
    }
    lineStart_ = pos_;
    pos_ = stop;
    ++lineNumber_;
    line->bytes = std::string_view(base + lineStart_, stop - lineStart_);
    std::size_t textEnd = stop;
    if (nl != nullptr) {
      --textEnd;
      if (textEnd > lineStart_ && base[textEnd - 1] == '\r') --textEnd;
    }
    line->text = std::string_view(base + lineStart_, textEnd - lineStart_);
    return Status::kLine;
  }
}

}  // namespace unv2tessal
