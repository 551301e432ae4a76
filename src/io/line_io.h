#ifndef UNV2TESSAL_IO_LINE_IO_H_
#define UNV2TESSAL_IO_LINE_IO_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace unv2tessal {

/// Reads text lines from a file descriptor through one large buffer. A line
/// ends at LF; a CR before it is dropped; a last line without LF is a line,
/// and keeps a CR at its end (no LF follows it).
/// Lines are handed out as views into the buffer; no allocation per line.
class LineReader {
 public:
  /// Columns kept of a line longer than the buffer; no record layout looks
  /// past column 80, so the rest of such a line is passed over.
  static constexpr std::size_t kLongLineKeep = 1024;
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  explicit LineReader(int fd, std::size_t capacity = kDefaultCapacity);

  enum class Status { kLine, kEndOfFile, kError };

  /// Reads the next line into *line. The view is valid until the next call
  /// of next() on this reader.
  Status next(std::string_view* line) {
    // Inline for the common case, a whole line ahead in the buffer: it runs
    // for every line of the mesh.
    if (!replay_ && pos_ < end_) {
      const char* base = buf_.get();
      const void* nl = std::memchr(base + pos_, '\n', end_ - pos_);
      if (nl != nullptr) {
        const std::size_t stop =
            static_cast<std::size_t>(static_cast<const char*>(nl) - base);
        takeLine(stop, stop + 1);
        *line = last_;
        return Status::kLine;
      }
    }
    return nextSlow(line);
  }

  /// Makes the next call of next() return the line just read again. O(1).
  /// REQUIRES: the last call of next() returned kLine.
  void stepBack() {
    replay_ = true;
    --lineNumber_;
  }

  /// 1-based number of the line last returned by next() (0 before any).
  std::size_t lineNumber() const { return lineNumber_; }

  /// errno of the failed read after next() returned kError.
  int lastError() const { return error_; }

 private:
  Status nextSlow(std::string_view* line);
  // The line from pos_ up to `stop` (a CR before the LF at `stop` dropped);
  // the next line starts at `next`.
  void takeLine(std::size_t stop, std::size_t next, bool atLineFeed = true) {
    std::size_t len = stop - pos_;
    if (atLineFeed && len > 0 && buf_[stop - 1] == '\r') --len;
    last_ = std::string_view(buf_.get() + pos_, len);
    pos_ = next;
    ++lineNumber_;
  }
  Status fill();  // reads more bytes behind end_; kLine means "got some"
  Status skipLongLine(std::string_view* line);

  int fd_;
  std::size_t capacity_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool replay_ = false;
  int error_ = 0;
  std::size_t lineNumber_ = 0;
  std::string_view last_;
  std::unique_ptr<char[]> longLine_;
};

/// Buffered writer on a file descriptor. Callers reserve room, format in
/// place and commit; the buffer goes out in large writes, or after every
/// record when `eager` is set (devices and pipes, so that a failing device
/// fails at the record that met it).
class OutputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 19;

  explicit OutputBuffer(int fd, bool eager,
                        std::size_t capacity = kDefaultCapacity);

  /// Returns room for at least n bytes, flushing first when needed.
  /// REQUIRES: n <= capacity. Returns nullptr when a flush failed.
  char* reserve(std::size_t n) {
    if (capacity_ - used_ < n && !flush()) return nullptr;
    return buf_.get() + used_;
  }
  /// Marks n reserved bytes as written. Returns false when an eager flush
  /// failed.
  bool commit(std::size_t n) {
    used_ += n;
    return eager_ ? flush() : true;
  }
  /// Writes out the buffer. Returns false on a write error (errno kept).
  bool flush();
  int lastError() const { return error_; }
  /// Bytes that reached the file so far.
  std::size_t bytesWritten() const { return written_; }

 private:
  int fd_;
  bool eager_;
  std::size_t capacity_;
  std::unique_ptr<char[]> buf_;
  std::size_t used_ = 0;
  std::size_t written_ = 0;
  int error_ = 0;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_LINE_IO_H_
