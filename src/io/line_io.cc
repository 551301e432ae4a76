#include "io/line_io.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstring>

#include "io/fd_io.h"

namespace unv2tessal {

LineReader::LineReader(int fd, std::size_t capacity, bool readAhead)
    : fd_(fd),
      capacity_(capacity),
      keep_(capacity / 2 < kLongLineKeep ? capacity / 2 : kLongLineKeep) {
  if (readAhead) {
    ahead_ = std::make_unique<ReadAhead>(fd_, capacity_, keep_);
    source_ = ahead_.get();
  } else {
    buf_.reset(new char[capacity_]);
    base_ = buf_.get();
  }
}

LineReader::LineReader(BlockSource* source)
    : fd_(-1),
      capacity_(kDefaultCapacity),
      keep_(kLongLineKeep),
      source_(source) {}

LineReader::~LineReader() {
  // The block lent last is not freed while its task reads it.
  if (borrower_ != nullptr) borrower_->wait();
}

LineReader::Status LineReader::refill() {
  beforeRefill();
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
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
    // A signal that interrupts the read lets the hook act on it (the
    // converter's interrupts) before the read is made again.
    if (errno != EINTR) {
      error_ = errno;
      return Status::kError;
    }
    beforeRefill();
  }
}

LineReader::Status LineReader::nextSlow(RawLine* line) {
  if (replay_) {
    replay_ = false;
    ++lineNumber_;
    *line = last_;
    return last_.bytes.data() == longLine_ ? Status::kLongLine : Status::kLine;
  }
  if (source_) return nextBlock(line);
  for (;;) {
    const void* nl =
        pos_ < end_ ? std::memchr(base_ + pos_, '\n', end_ - pos_) : nullptr;
    if (nl != nullptr) {
      takeLine(static_cast<const char*>(nl));
      *line = last_;
      return Status::kLine;
    }
    if (eof_) {
      if (pos_ == end_) return Status::kEndOfFile;
      // A last line without LF is still a line; only a CR before an LF is
      // part of the line end.
      takeLastLine();
      *line = last_;
      return Status::kLine;
    }
    // Keep the partial line and read more behind it.
    if (pos_ == 0 && end_ == capacity_) return skipLongLine(line);
    if (refill() == Status::kError) return Status::kError;
  }
}

LineReader::Status LineReader::nextBlock(RawLine* line) {
  for (;;) {
    if (pos_ < end_) {
      const void* nl = std::memchr(base_ + pos_, '\n', end_ - pos_);
      if (nl != nullptr) {
        takeLine(static_cast<const char*>(nl));
        *line = last_;
        return Status::kLine;
      }
      // Only the last block may end without LF: at the end of the file its
      // last line, before a read error a line that is not read whole.
      if (eof_) {
        takeLastLine();
        *line = last_;
        return Status::kLine;
      }
    }
    if (blockError_ != 0) {
      error_ = blockError_;
      return Status::kError;
    }
    if (eof_) return Status::kEndOfFile;
    beforeRefill();
    if (const char* longLine = takeBlock()) return takeLongLine(longLine, line);
  }
}

const char* LineReader::takeBlock() {
  if (borrower_ != nullptr) {
    borrower_->wait();
    borrower_ = nullptr;
  }
  const BlockSource::Block b = source_->next();
  base_ = b.data;
  pos_ = 0;
  end_ = b.size;
  eof_ = b.eof;
  blockError_ = b.error;
  return b.longLine;
}

LineReader::Status LineReader::skipLongLine(RawLine* line) {
  // The buffer holds the first capacity_ bytes of one line: keep its first
  // columns and pass over the rest up to its LF.
  if (!longLineCopy_) longLineCopy_.reset(new char[keep_]);
  std::memcpy(longLineCopy_.get(), buf_.get(), keep_);
  for (;;) {
    pos_ = end_;
    const Status s = refill();
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
  return takeLongLine(longLineCopy_.get(), line);
}

namespace {

// Set bits of a mask, inline: without a popcount instruction in the
// target, std::popcount is a call into the runtime library.
inline std::size_t bitsOf(std::uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555u;
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::size_t>((x * 0x0101010101010101u) >> 56);
}

// The first LF in [from, end) after which a line starts with `start`, with
// the LFs before it added to *lineFeeds; nullptr when there is none (all
// LFs in [from, end - start.size()) counted, and the scan stops there: a
// line that starts in the last bytes may be cut short).
const char* findLineStart(const char* from, const char* end,
                          std::string_view start, std::size_t* lineFeeds) {
  const char* p = from;
  const std::size_t n = start.size();
#if defined(__SSE2__)
  // 64 places at a time. Only the LFs followed, at the place of the first
  // character of `start` that is not a blank, by that character are
  // compared in full: for the delimiter line, an LF with a '-' five bytes
  // on, which is rare elsewhere (a coordinate's sign stands elsewhere).
  std::size_t at = start.find_first_not_of(' ');
  if (at == std::string_view::npos) at = 0;
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i mark = _mm_set1_epi8(start[at]);
  auto mask = [](const char* q, __m128i c) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))));
  };
  auto mask64 = [&](const char* q, __m128i c) {
    return mask(q, c) | mask(q + 16, c) << 16 | mask(q + 32, c) << 32 |
           mask(q + 48, c) << 48;
  };
  while (static_cast<std::size_t>(end - p) >= 64 + n) {
    const std::uint64_t lfs = mask64(p, lf);
    for (std::uint64_t hits = lfs & mask64(p + 1 + at, mark); hits != 0;
         hits &= hits - 1) {
      const int bit = std::countr_zero(hits);
      if (std::string_view(p + bit + 1, n) == start) {
        const std::uint64_t before = (std::uint64_t{1} << bit) - 1;
        *lineFeeds += bitsOf(lfs & before);
        return p + bit;
      }
    }
    *lineFeeds += bitsOf(lfs);
    p += 64;
  }
#endif
  for (; static_cast<std::size_t>(end - p) > n; ++p) {
    if (*p != '\n') continue;
    if (std::string_view(p + 1, n) == start) return p;
    ++*lineFeeds;
  }
  return nullptr;
}

}  // namespace

LineReader::Status LineReader::nextStartingWith(std::string_view start,
                                                bool (*is)(std::string_view),
                                                RawLine* line,
                                                const Passed* passed) {
  auto pass = [&](std::size_t from, std::size_t to) {
    if (passed != nullptr && to > from) {
      passed->take(passed->context, std::string_view(base_ + from, to - from));
    }
  };
  const std::size_t n = start.size();
  for (;;) {
    // Every line starts at pos_ or after an LF: skip to the LF before a
    // line that starts like the one looked for, counting the lines passed.
    const bool startsHere =
        replay_ || (end_ - pos_ >= n && ahead().substr(0, n) == start);
    if (!startsHere && end_ - pos_ > n) {
      std::size_t lineFeeds = 0;
      const char* hit =
          findLineStart(base_ + pos_, base_ + end_, start, &lineFeeds);
      if (hit != nullptr) {
        lineNumber_ += lineFeeds + 1;
        const std::size_t from = pos_;
        pos_ = static_cast<std::size_t>(hit + 1 - base_);
        pass(from, pos_);
      } else {
        // Every LF of the scanned part is counted; go on after the last
        // of them, whose next line may be cut short by the buffer's end.
        const void* last = ::memrchr(base_ + pos_, '\n', end_ - pos_ - n);
        if (last != nullptr) {
          lineNumber_ += lineFeeds;
          const std::size_t from = pos_;
          pos_ = static_cast<std::size_t>(static_cast<const char*>(last) + 1 -
                                          base_);
          pass(from, pos_);
          // A block of whole lines is not refilled: its last lines are
          // read one by one below.
          if (!eof_ && !source_) {
            if (refill() == Status::kError) return Status::kError;
            continue;
          }
        }
      }
    }
    // Read the line at pos_: the candidate, or one line the scan could not
    // pass over (a long one, or one near the end of the file).
    const Status s = next(line);
    if (s == Status::kLine && !is(line->text)) {
      if (passed != nullptr) passed->take(passed->context, line->bytes);
      continue;
    }
    return s;
  }
}

std::size_t countLines(const char* p, const char* end) {
  std::size_t lines = 0;
#if defined(__SSE2__) && defined(__x86_64__)
  // Each LF adds 1 to its byte of `sum`; the bytes are added up before
  // any of them can pass 255.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (end - p >= 16) {
    __m128i sum = zero;
    for (int k = 0; k < 255 && end - p >= 16; ++k, p += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      sum = _mm_sub_epi8(sum, _mm_cmpeq_epi8(x, lf));
    }
    const __m128i halves = _mm_sad_epu8(sum, zero);
    lines += static_cast<std::size_t>(_mm_cvtsi128_si64(halves)) +
             static_cast<std::size_t>(_mm_extract_epi16(halves, 4));
  }
#endif
  for (; p < end; ++p) lines += *p == '\n' ? 1 : 0;
  return lines;
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
