#ifndef UNV2TESSAL_IO_LINE_IO_H_
#define UNV2TESSAL_IO_LINE_IO_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "io/helper_threads.h"
#include "io/read_ahead.h"
#include "io/write_behind.h"

namespace unv2tessal {

/// Reads text lines from a file descriptor through one large buffer. A line
/// ends at LF; a CR before it is dropped; a last line without LF is a line,
/// and keeps a CR at its end (no LF follows it).
/// Lines are handed out as views into the buffer; no allocation per line.
/// With `readAhead` the file is read by a ReadAhead thread into blocks of
/// `capacity` bytes, and the lines are the same.
class LineReader {
 public:
  /// Columns kept of a line longer than the buffer; no record layout looks
  /// past column 80, so the rest of such a line is passed over.
  static constexpr std::size_t kLongLineKeep = 1024;
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  explicit LineReader(int fd, std::size_t capacity = kDefaultCapacity,
                      bool readAhead = false);
  /// Reads the blocks of `source` (which outlives the reader) as a reader
  /// of a file read ahead reads its blocks.
  explicit LineReader(BlockSource* source);

  enum class Status { kLine, kEndOfFile, kError };

  /// Reads the next line into *line. The view is valid until the next call
  /// of next() on this reader.
  Status next(std::string_view* line) {
    // Inline for the common case, a whole line ahead in the buffer: it runs
    // for every line of the mesh.
    if (!replay_ && pos_ < end_) {
      const char* base = base_;
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

  /// The bytes after the line last read, up to the end of the block (or of
  /// the buffer) that holds it: whole lines when reading ahead. Valid, like
  /// the lines, until next() goes past them. REQUIRES: no stepBack pending.
  std::string_view restOfBlock() const {
    return std::string_view(base_ + pos_, end_ - pos_);
  }
  /// Passes over the bytes of restOfBlock() before `to`, which hold `lines`
  /// whole lines. REQUIRES: no stepBack pending.
  void skipTo(const char* to, std::size_t lines) {
    pos_ = static_cast<std::size_t>(to - base_);
    lineNumber_ += lines;
  }
  /// Blocks of whole lines come from a source: the file read ahead by a
  /// ReadAhead thread, or a LinePipe.
  bool readsAhead() const { return source_ != nullptr; }
  /// While set, a task of `guard` that may read the current block is
  /// waited for before the block is handed back (nullptr: none).
  void guardBlock(TaskThread* guard) { guard_ = guard; }

  /// 1-based number of the line last returned by next() (0 before any).
  std::size_t lineNumber() const { return lineNumber_; }

  /// errno of the failed read after next() returned kError.
  int lastError() const { return error_; }

 private:
  Status nextSlow(std::string_view* line);
  Status nextBlock(std::string_view* line);  // nextSlow() with read-ahead
  // The line from pos_ up to `stop` (a CR before the LF at `stop` dropped);
  // the next line starts at `next`.
  void takeLine(std::size_t stop, std::size_t next, bool atLineFeed = true) {
    std::size_t len = stop - pos_;
    if (atLineFeed && len > 0 && base_[stop - 1] == '\r') --len;
    last_ = std::string_view(base_ + pos_, len);
    pos_ = next;
    ++lineNumber_;
  }
  Status fill();  // reads more bytes behind end_; kLine means "got some"
  Status skipLongLine(std::string_view* line);

  int fd_;
  std::size_t capacity_;
  std::unique_ptr<char[]> buf_;
  const char* base_ = nullptr;  // buf_, or the block taken from source_
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool replay_ = false;
  int error_ = 0;
  std::size_t lineNumber_ = 0;
  std::string_view last_;
  std::unique_ptr<char[]> longLine_;
  std::unique_ptr<ReadAhead> ahead_;
  BlockSource* source_ = nullptr;  // ahead_, or the source given
  TaskThread* guard_ = nullptr;
  int blockError_ = 0;  // with source_: a read failed after the block
};

/// Buffered writer on a file descriptor. Callers reserve room, format in
/// place and commit; the buffer goes out in large writes, or after every
/// record when `eager` is set (devices and pipes, so that a failing device
/// fails at the record that met it). With a WriteBehind (never `eager`) a
/// full buffer is handed to its thread and the next one is filled
/// meanwhile; the writes are the same, and a failed one is found by the
/// owner of the WriteBehind when it settles.
class OutputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 19;
  /// Buffers of one file in the hands of a WriteBehind at most, the one
  /// being filled included.
  static constexpr std::size_t kBuffersBehind = 3;

  explicit OutputBuffer(int fd, bool eager,
                        std::size_t capacity = kDefaultCapacity,
                        WriteBehind* behind = nullptr);
  ~OutputBuffer();
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  /// Returns room for at least n bytes, flushing first when needed.
  /// REQUIRES: n <= capacity. Returns nullptr when a flush failed.
  char* reserve(std::size_t n) {
    if (capacity_ - used_ < n && !flush()) return nullptr;
    return buf_ + used_;
  }
  /// Marks n reserved bytes as written. Returns false when an eager flush
  /// failed.
  bool commit(std::size_t n) {
    used_ += n;
    return eager_ ? flush() : true;
  }
  /// Appends `count` records of `size` bytes from `text`, flushing where a
  /// reserve(room) before each of them would. Returns false when a flush
  /// failed. REQUIRES: not eager; size <= room <= capacity.
  bool appendRecords(const char* text, std::size_t count, std::size_t size,
                     std::size_t room);
  /// As appendRecords(), for records of any length: record k of `text`
  /// ends at ends[k] (bytes from `text`'s start).
  bool appendRecords(const char* text, const std::uint32_t* ends,
                     std::size_t count, std::size_t room);
  /// Writes out the buffer (behind: hands it over). Returns false on a
  /// write error (errno kept); behind, failures are found by settling.
  bool flush();
  /// Writes out the buffer and, behind, waits until all of this file's
  /// bytes are written (a failure is then found by settling).
  bool finish();
  int lastError() const { return error_; }
  /// Bytes that reached the file so far (behind: after the WriteBehind was
  /// drained).
  std::size_t bytesWritten() const;
  /// Bytes given to this writer so far, written, handed over or buffered.
  std::uint64_t bytesGiven() const;
  /// After a failed write behind: keeps only the first `total` of the
  /// bytes given (the rest is dropped), and writes by itself from now on.
  void cutTo(std::uint64_t total);
  /// The stream number in the WriteBehind, -1 when it writes by itself.
  int stream() const { return behind_ != nullptr ? stream_ : -1; }

 private:
  bool writeOut(const char* data, std::size_t size);

  int fd_;
  bool eager_;
  std::size_t capacity_;
  std::unique_ptr<char[]> buffers_[kBuffersBehind];
  std::size_t current_ = 0;  // the buffer being filled
  char* buf_;
  std::size_t used_ = 0;
  std::size_t written_ = 0;
  int error_ = 0;
  WriteBehind* behind_;
  int stream_ = -1;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_LINE_IO_H_
