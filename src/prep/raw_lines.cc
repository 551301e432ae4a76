#include "prep/raw_lines.h"

#include <errno.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <unistd.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

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

// Set bits of a 16-bit mask, without a popcount instruction at hand.
constexpr auto kBitsOfByte = [] {
  std::array<std::uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) {
    t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(
        (b & 1) + ((b >> 1) & 1) + ((b >> 2) & 1) + ((b >> 3) & 1) +
        ((b >> 4) & 1) + ((b >> 5) & 1) + ((b >> 6) & 1) + ((b >> 7) & 1));
  }
  return t;
}();

std::size_t bitsOf16(unsigned mask) {
  return kBitsOfByte[mask & 0xFFu] + kBitsOfByte[(mask >> 8) & 0xFFu];
}

// The first LF in [from, end) after which a line starts with "    -1",
// with the LFs before it added to *lineFeeds; nullptr when there is none
// (all LFs in [from, end - 6) counted, and the scan stops there: a line
// that starts in the last 6 bytes may be cut short).
const char* findDelimiterStart(const char* from, const char* end,
                               std::size_t* lineFeeds) {
  const char* p = from;
#if defined(__SSE2__)
  // 16 places at a time: an LF, four blanks, "-1" after it.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i minus = _mm_set1_epi8('-');
  const __m128i one = _mm_set1_epi8('1');
  auto at = [](const char* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  };
  while (end - p >= 16 + 6) {
    const __m128i lfs = _mm_cmpeq_epi8(at(p), lf);
    __m128i hit = _mm_and_si128(lfs, _mm_cmpeq_epi8(at(p + 5), minus));
    hit = _mm_and_si128(hit, _mm_cmpeq_epi8(at(p + 6), one));
    for (int k = 1; k <= 4; ++k) {
      hit = _mm_and_si128(hit, _mm_cmpeq_epi8(at(p + k), blank));
    }
    const unsigned lfMask = static_cast<unsigned>(_mm_movemask_epi8(lfs));
    const unsigned hitMask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (hitMask != 0) {
      const int first = std::countr_zero(hitMask);
      *lineFeeds += bitsOf16(lfMask & ((1u << first) - 1u));
      return p + first;
    }
    *lineFeeds += bitsOf16(lfMask);
    p += 16;
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
