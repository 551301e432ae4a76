#include "io/line_io.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "io/fd_io.h"
#include "io/interrupt.h"

namespace unv2tessal {

LineReader::LineReader(int fd, std::size_t capacity, bool readAhead)
    : fd_(fd),
      capacity_(capacity < 2 * kLongLineKeep ? 2 * kLongLineKeep : capacity) {
  if (readAhead) {
    ahead_ = std::make_unique<ReadAhead>(fd_, capacity_, kLongLineKeep);
    source_ = ahead_.get();
  } else {
    buf_.reset(new char[capacity_]);
    base_ = buf_.get();
  }
}

LineReader::LineReader(BlockSource* source)
    : fd_(-1), capacity_(kDefaultCapacity), source_(source) {}

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
  if (source_) return nextBlock(line);
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

LineReader::Status LineReader::nextBlock(std::string_view* line) {
  for (;;) {
    if (pos_ < end_) {
      const void* nl = std::memchr(base_ + pos_, '\n', end_ - pos_);
      if (nl != nullptr) {
        const std::size_t stop =
            static_cast<std::size_t>(static_cast<const char*>(nl) - base_);
        takeLine(stop, stop + 1);
        *line = last_;
        return Status::kLine;
      }
      // Only the last block may end without LF: at the end of the file its
      // last line, before a read error a line that is not read whole.
      if (eof_) {
        takeLine(end_, end_, /*atLineFeed=*/false);
        *line = last_;
        return Status::kLine;
      }
    }
    if (blockError_ != 0) {
      error_ = blockError_;
      return Status::kError;
    }
    if (eof_) return Status::kEndOfFile;
    checkInterrupt();
    if (guard_ != nullptr) guard_->wait();
    const BlockSource::Block b = source_->next();
    base_ = b.data;
    pos_ = 0;
    end_ = b.size;
    eof_ = b.eof;
    blockError_ = b.error;
    if (b.longLine != nullptr) {
      last_ = std::string_view(b.longLine, kLongLineKeep);
      ++lineNumber_;
      *line = last_;
      return Status::kLine;
    }
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

OutputBuffer::OutputBuffer(int fd, bool eager, std::size_t capacity,
                           WriteBehind* behind)
    : fd_(fd), eager_(eager), capacity_(capacity), behind_(behind) {
  buffers_[0].reset(new char[capacity_]);
  buf_ = buffers_[0].get();
  if (behind_ != nullptr) stream_ = behind_->open(fd_, &used_);
}

OutputBuffer::~OutputBuffer() {
  if (behind_ != nullptr) {
    behind_->waitPending(stream_, 0);
    behind_->close(stream_);
  }
}

bool OutputBuffer::writeOut(const char* data, std::size_t size) {
  const std::size_t done = writeFully(fd_, data, size, &error_);
  written_ += done;
  return done == size;
}

bool OutputBuffer::flush() {
  if (behind_ == nullptr) {
    const bool ok = writeOut(buf_, used_);
    used_ = 0;
    return ok;
  }
  if (used_ == 0) return true;
  behind_->submit(stream_, buf_, used_);
  used_ = 0;
  // The next buffer is free once the hand-over that last used it is
  // written.
  current_ = (current_ + 1) % kBuffersBehind;
  behind_->waitPending(stream_, kBuffersBehind - 1);
  if (!buffers_[current_]) buffers_[current_].reset(new char[capacity_]);
  buf_ = buffers_[current_].get();
  return true;
}

bool OutputBuffer::appendRecords(const char* text, std::size_t count,
                                 std::size_t size, std::size_t room) {
  while (count > 0) {
    if (capacity_ - used_ < room && !flush()) return false;
    // Record j fits while used_ + j * size leaves `room`.
    const std::size_t fit =
        std::min(count, (capacity_ - used_ - room) / size + 1);
    std::memcpy(buf_ + used_, text, fit * size);
    used_ += fit * size;
    text += fit * size;
    count -= fit;
  }
  return true;
}

bool OutputBuffer::appendRecords(const char* text, const std::uint32_t* ends,
                                 std::size_t count, std::size_t room) {
  std::size_t k = 0;
  std::uint32_t start = 0;  // of record k
  while (k < count) {
    if (capacity_ - used_ < room && !flush()) return false;
    // Records start while `room` is left before them.
    const std::size_t limit = start + (capacity_ - used_ - room);
    std::size_t last = k;  // the records k..last go into this buffer
    while (last + 1 < count && ends[last] <= limit) ++last;
    const std::size_t size = ends[last] - start;
    std::memcpy(buf_ + used_, text + start, size);
    used_ += size;
    start = ends[last];
    k = last + 1;
  }
  return true;
}

bool OutputBuffer::finish() {
  if (!flush()) return false;
  if (behind_ != nullptr) behind_->waitPending(stream_, 0);
  return true;
}

std::size_t OutputBuffer::bytesWritten() const {
  if (behind_ == nullptr) return written_;
  return written_ + static_cast<std::size_t>(behind_->written(stream_));
}

std::uint64_t OutputBuffer::bytesGiven() const {
  const std::uint64_t handed = behind_ != nullptr ? behind_->handedOver(stream_)
                                                  : std::uint64_t{written_};
  return handed + used_;
}

void OutputBuffer::cutTo(std::uint64_t total) {
  if (behind_ != nullptr) {
    const std::uint64_t handed = behind_->handedOver(stream_);
    used_ = total <= handed ? 0
                            : static_cast<std::size_t>(std::min<std::uint64_t>(
                                  total - handed, used_));
    // What was handed over and written stays counted in bytesWritten().
    written_ = static_cast<std::size_t>(behind_->written(stream_));
    behind_->waitPending(stream_, 0);
    behind_->close(stream_);
    behind_ = nullptr;
  }
}

}  // namespace unv2tessal
