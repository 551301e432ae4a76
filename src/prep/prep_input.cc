#include "prep/prep_input.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "io/helper_threads.h"
#include "unv/framing.h"

namespace unv2tessal {

PrepInput::PrepInput(const std::string& path, bool readAhead) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw Failure(path_, std::strerror(errno));
  struct stat st;
  if (::fstat(fd_, &st) != 0) throw Failure(path_, std::strerror(errno));
  if (!S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw Failure(path_, S_ISDIR(st.st_mode)
                             ? "is a directory"
                             : "is not a regular file (it is read twice)");
  }
  identity_ = {st.st_dev, st.st_ino, true};
  size_ = static_cast<std::uint64_t>(st.st_size);
  readAhead_ = readAhead && helperThreadsPay();
  reader_ = std::make_unique<LineReader>(fd_, LineReader::kDefaultCapacity,
                                         readAhead_);
}

PrepInput::~PrepInput() {
  reader_.reset();  // a thread reading ahead stops before the file closes
  if (fd_ >= 0) ::close(fd_);
}

void PrepInput::rewind() {
  // The reader (and a thread reading ahead) stops before the offset moves.
  reader_.reset();
  if (::lseek(fd_, 0, SEEK_SET) != 0) {
    throw Failure(path_, std::strerror(errno));
  }
  reader_ = std::make_unique<LineReader>(fd_, LineReader::kDefaultCapacity,
                                         readAhead_);
}

bool PrepInput::next(RawLine* line) { return check(reader_->next(line)); }

bool PrepInput::nextDelimiter(RawLine* line, const LineReader::Passed* passed) {
  return check(nextDelimiterLine(*reader_, line, passed));
}

bool PrepInput::check(LineReader::Status status) {
  switch (status) {
    case LineReader::Status::kLine:
      return true;
    case LineReader::Status::kEndOfFile:
      return false;
    case LineReader::Status::kError:
      throw Failure(path_, reader_->lineNumber() + 1,
                    std::strerror(reader_->lastError()));
    case LineReader::Status::kLongLine:
      break;
  }
  throw Failure(path_, reader_->lineNumber(),
                "line longer than 1 MiB: not a universal file");
}

RawLine PrepInput::need(std::string_view what) {
  RawLine line;
  if (!next(&line)) {
    throw Failure(path_, reader_->lineNumber(),
                  "end of file in " + std::string(what));
  }
  return line;
}

void PrepInput::fail(std::string message) const {
  throw Failure(path_, reader_->lineNumber(), std::move(message));
}

Sink::Sink(SafeOutput* out, PrepInput& in) : out_(out), in_(&in) {
  in.reader().setRefillHook(
      [](void* sink) { static_cast<Sink*>(sink)->flushSpan(); }, this);
}

Sink::~Sink() {
  if (in_ != nullptr) in_->reader().setRefillHook(nullptr, nullptr);
}

void Sink::flushSpan() {
  if (spanBegin_ == spanEnd_) return;
  const std::string_view span(spanBegin_,
                              static_cast<std::size_t>(spanEnd_ - spanBegin_));
  spanBegin_ = spanEnd_ = nullptr;
  out_->write(span);
}

}  // namespace unv2tessal
