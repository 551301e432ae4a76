#include "prep/raw_lines.h"

#include <errno.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "io/fd_io.h"
#include "io/read_ahead.h"

namespace unv2tessal {

RawLineReader::RawLineReader(int fd, std::size_t capacity, bool readAhead)
    : fd_(fd), capacity_(capacity) {
  if (readAhead) {
    // Long lines are not handed out, so none of one is kept.
    ahead_ = std::make_unique<ReadAhead>(fd_, capacity_, 0);
  } else {
    buf_.reset(new char[capacity]);
    base_ = buf_.get();
  }
}

RawLineReader::~RawLineReader() = default;

RawLineReader::Status RawLineReader::nextBlock() {
  // Blocks hold whole lines: the one taken last is used up, and no line
  // needs to be kept for stepBack(), which follows a line of this block.
  if (blockError_ != 0) {
    error_ = blockError_;
    return Status::kError;
  }
  const ReadAhead::Block b = ahead_->next();
  base_ = b.data;
  lineStart_ = pos_ = 0;
  end_ = b.size;
  eof_ = b.eof;
  blockError_ = b.error;
  if (b.longLine != nullptr) return Status::kTooLong;
  if (end_ == 0 && blockError_ != 0) {
    error_ = blockError_;
    return Status::kError;
  }
  return Status::kLine;
}

RawLineReader::Status RawLineReader::fill() {
  if (hook_ != nullptr) hook_(hookContext_);
  if (ahead_) return nextBlock();
  // Keep the line last returned, for stepBack().
  if (lineStart_ > 0) {
    std::memmove(buf_.get(), buf_.get() + lineStart_, end_ - lineStart_);
    end_ -= lineStart_;
    pos_ -= lineStart_;
    lineStart_ = 0;
  }
  const ssize_t got = readRetrying(fd_, buf_.get() + end_, capacity_ - end_);
  if (got > 0) {
    end_ += static_cast<std::size_t>(got);
    return Status::kLine;
  }
  if (got == 0) {
    eof_ = true;
    return Status::kEndOfFile;
  }
  error_ = errno;
  return Status::kError;
}

RawLineReader::Status RawLineReader::next(RawLine* line) {
  for (;;) {
    const char* base = base_;
    const void* nl =
        pos_ < end_ ? std::memchr(base + pos_, '\n', end_ - pos_) : nullptr;
    std::size_t stop = end_;  // one past the line's last byte
    if (nl != nullptr) {
      stop = static_cast<std::size_t>(static_cast<const char*>(nl) - base) + 1;
    } else if (!eof_) {
      // fill() moves the line last returned to the front; a buffer that is
      // full from there holds no line end.
      if (!ahead_ && lineStart_ == 0 && end_ == capacity_) {
        return Status::kTooLong;
      }
      const Status filled = fill();
      if (filled == Status::kError || filled == Status::kTooLong) {
        return filled;
      }
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

namespace {

constexpr std::string_view kDelimiterStart = "    -1";

bool isDelimiterText(std::string_view text) {
  return text.substr(0, 6) == kDelimiterStart &&
         (text.size() == 6 || text[6] == ' ');
}

// Set bits of a mask, inline: without a popcount instruction in the
// target, std::popcount is a call into the runtime library.
inline std::size_t bitsOf(std::uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555u;
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::size_t>((x * 0x0101010101010101u) >> 56);
}

// The first LF in [from, end) after which a line starts with "    -1",
// with the LFs before it added to *lineFeeds; nullptr when there is none
// (all LFs in [from, end - 6) counted, and the scan stops there: a line
// that starts in the last 6 bytes may be cut short).
const char* findDelimiterStart(const char* from, const char* end,
                               std::size_t* lineFeeds) {
  const char* p = from;
#if defined(__SSE2__)
  // 64 places at a time. An LF with a '-' five bytes on is rare outside a
  // delimiter line (a coordinate's sign stands elsewhere), so only those
  // places are compared in full.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i minus = _mm_set1_epi8('-');
  auto mask = [](const char* q, __m128i c) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))));
  };
  auto mask64 = [&](const char* q, __m128i c) {
    return mask(q, c) | mask(q + 16, c) << 16 | mask(q + 32, c) << 32 |
           mask(q + 48, c) << 48;
  };
  while (end - p >= 64 + 6) {
    const std::uint64_t lfs = mask64(p, lf);
    for (std::uint64_t hits = lfs & mask64(p + 5, minus); hits != 0;
         hits &= hits - 1) {
      const int at = std::countr_zero(hits);
      if (std::string_view(p + at + 1, 6) == kDelimiterStart) {
        const std::uint64_t before = (std::uint64_t{1} << at) - 1;
        *lineFeeds += bitsOf(lfs & before);
        return p + at;
      }
    }
    *lineFeeds += bitsOf(lfs);
    p += 64;
  }
#endif
  for (; end - p > 6; ++p) {
    if (*p != '\n') continue;
    if (std::string_view(p + 1, 6) == kDelimiterStart) return p;
    ++*lineFeeds;
  }
  return nullptr;
}

}  // namespace

RawLineReader::Status RawLineReader::nextDelimiter(RawLine* line,
                                                   const Passed* passed) {
  auto pass = [&](std::size_t from, std::size_t to) {
    if (passed != nullptr && to > from) {
      passed->take(passed->context, std::string_view(base_ + from, to - from));
    }
  };
  for (;;) {
    // Every line starts at pos_ or after an LF: skip to the LF before a
    // line that starts like a delimiter, counting the lines passed.
    const char* base = base_;
    const bool startsHere =
        end_ - pos_ >= kDelimiterStart.size() &&
        std::string_view(base + pos_, kDelimiterStart.size()) ==
            kDelimiterStart;
    if (!startsHere && end_ - pos_ > kDelimiterStart.size()) {
      std::size_t lineFeeds = 0;
      const char* hit =
          findDelimiterStart(base + pos_, base + end_, &lineFeeds);
      if (hit != nullptr) {
        lineNumber_ += lineFeeds + 1;
        const std::size_t from = pos_;
        pos_ = lineStart_ = static_cast<std::size_t>(hit + 1 - base);
        pass(from, pos_);
      } else {
        // Every LF of the scanned part is counted; go on after the last
        // of them, whose next line may be cut short by the buffer's end.
        const void* last =
            ::memrchr(base + pos_, '\n', end_ - pos_ - kDelimiterStart.size());
        if (last != nullptr) {
          lineNumber_ += lineFeeds;
          const std::size_t from = pos_;
          pos_ = lineStart_ = static_cast<std::size_t>(
              static_cast<const char*>(last) + 1 - base);
          pass(from, pos_);
          // A block of whole lines is not refilled: its last lines are
          // read one by one below.
          if (!eof_ && !ahead_) {
            const Status filled = fill();
            if (filled == Status::kError || filled == Status::kTooLong) {
              return filled;
            }
            continue;
          }
        }
      }
    }
    // Read the line at pos_: the candidate, or one line the scan could not
    // pass over (a long one, or one near the end of the file).
    const Status s = next(line);
    if (s != Status::kLine || isDelimiterText(line->text)) return s;
    if (passed != nullptr) passed->take(passed->context, line->bytes);
  }
}

}  // namespace unv2tessal
