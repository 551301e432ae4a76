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

/// One line of a file as it stands in it.
struct RawLine {
  std::string_view bytes;  // the whole line, its LF or CR LF included
  std::string_view text;   // the line without its line end
};

/// Reads the lines of a file descriptor through one large buffer, or, with
/// `readAhead`, through the blocks of whole lines that a ReadAhead thread
/// reads (the lines are the same). A line ends at LF; a CR before the LF
/// belongs to the line end; a last line without LF is a line, and keeps a
/// CR at its end. Lines are views into the buffer, handed out as they
/// stand in the file (next(RawLine*)) or as the converters read them, their
/// text only (next(std::string_view*)); no allocation per line.
///
/// A line longer than the buffer is handed out as its first kLongLineKeep
/// bytes (status kLongLine, and kLine for its text); the rest of it is
/// passed over.
///
/// Blocks read ahead and the tasks that read them: see lendRestOfBlock().
class LineReader {
 public:
  /// Columns kept of a line longer than the buffer; no record layout looks
  /// past column 80, so the rest of such a line is passed over.
  static constexpr std::size_t kLongLineKeep = 1024;
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  /// With `readAhead` the file is read by a ReadAhead thread into blocks of
  /// `capacity` bytes; the descriptor's offset must then not be moved while
  /// the reader lives.
  explicit LineReader(int fd, std::size_t capacity = kDefaultCapacity,
                      bool readAhead = false);
  /// Reads the blocks of `source` (which outlives the reader) as a reader
  /// of a file read ahead reads its blocks.
  explicit LineReader(BlockSource* source);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  enum class Status { kLine, kEndOfFile, kError, kLongLine };

  /// Reads the next line into *line, exactly as it stands in the file (a
  /// long line: its first bytes, status kLongLine). The views are valid
  /// until the next call that reads on this reader.
  Status next(RawLine* line) {
    // Inline for the common case, a whole line ahead in the buffer: it runs
    // for every line of the mesh.
    if (!replay_ && pos_ < end_) {
      const void* nl = std::memchr(base_ + pos_, '\n', end_ - pos_);
      if (nl != nullptr) {
        takeLine(static_cast<const char*>(nl));
        *line = last_;
        return Status::kLine;
      }
    }
    return nextSlow(line);
  }

  /// The converters' view: the next line's text (its line end dropped; a
  /// long line is its first kLongLineKeep columns, as any other line).
  Status next(std::string_view* text) {
    if (!replay_ && pos_ < end_) {
      const void* nl = std::memchr(base_ + pos_, '\n', end_ - pos_);
      if (nl != nullptr) {
        takeLine(static_cast<const char*>(nl));
        *text = last_.text;
        return Status::kLine;
      }
    }
    RawLine line;
    const Status s = nextSlow(&line);
    *text = line.text;
    return s == Status::kLongLine ? Status::kLine : s;
  }

  /// What passes lines over hands them to (nextStartingWith()).
  struct Passed {
    void (*take)(void* context, std::string_view bytes);
    void* context;
  };
  /// Passes over lines up to the next line whose text starts with `start`
  /// and that `is(text)` accepts, and reads it as next() does; kEndOfFile
  /// when there is none. The lines passed over are counted but not handed
  /// out: with `passed`, their bytes go to passed->take(), in pieces, in
  /// order, each before the buffer's bytes move or are replaced. A fast
  /// scan for the one line in many that a walker looks for (the delimiter
  /// lines of a universal file, unv/framing.h). REQUIRES: `start` is not
  /// empty and holds no LF.
  Status nextStartingWith(std::string_view start, bool (*is)(std::string_view),
                          RawLine* line, const Passed* passed = nullptr);

  /// Makes the next read return the line just read again. O(1).
  /// REQUIRES: the last read returned a line, and no skip() came after it.
  void stepBack() {
    replay_ = true;
    --lineNumber_;
  }

  /// The bytes after the line last read, up to the end of the buffer or
  /// block that holds it: whole lines when reading ahead, else whole lines
  /// but for perhaps a cut last one. Valid, like the lines, until a read
  /// goes past them. REQUIRES: no stepBack() pending.
  std::string_view ahead() const {
    return std::string_view(base_ + pos_, end_ - pos_);
  }
  /// Passes over the bytes of ahead() before `to`, which hold `lines`
  /// whole lines, as that many reads would. REQUIRES: no stepBack()
  /// pending; none until the next read.
  void skip(const char* to, std::size_t lines) {
    pos_ = static_cast<std::size_t>(to - base_);
    lineNumber_ += lines;
  }

  /// Blocks of whole lines come from a source: the file read ahead by a
  /// ReadAhead thread, or a LinePipe.
  bool readsAhead() const { return source_ != nullptr; }

  /// The block-lifetime rule, enforced here and nowhere else: lends the
  /// rest of the current block (ahead()) to a task of `borrower`, and the
  /// block is then not handed back to its source (the ReadAhead thread,
  /// which would refill it), before borrower->wait() has returned: the read
  /// that takes the next block, and the reader's end, wait for the task first.
  /// endLoan() forgets the borrower (its task waited for). REQUIRES:
  /// readsAhead(), no stepBack() pending.
  std::string_view lendRestOfBlock(TaskThread* borrower) {
    borrower_ = borrower;
    return ahead();
  }
  void endLoan() { borrower_ = nullptr; }

  /// Calls hook(context) before each read of the file and before each
  /// block is taken: the buffer's bytes may then move or be replaced, so
  /// that views into it can be used up first (unvprep writes the lines it
  /// gathered), and an interrupt can end the run (the converter).
  void setRefillHook(void (*hook)(void*), void* context) {
    hook_ = hook;
    hookContext_ = context;
  }

  /// 1-based number of the line last read (0 before any).
  std::size_t lineNumber() const { return lineNumber_; }

  /// errno of the failed read after a read returned kError.
  int lastError() const { return error_; }

 private:
  Status nextSlow(RawLine* line);
  Status nextBlock(RawLine* line);  // nextSlow() with read-ahead
  // The line from pos_ up to the LF at `nl`, its CR dropped from the text.
  void takeLine(const char* nl) {
    const char* p = base_ + pos_;
    const std::size_t length = static_cast<std::size_t>(nl - p);
    last_.bytes = std::string_view(p, length + 1);
    last_.text =
        std::string_view(p, length > 0 && nl[-1] == '\r' ? length - 1 : length);
    pos_ += length + 1;
    ++lineNumber_;
  }
  // The rest of the buffer as the last line (no LF follows it).
  void takeLastLine() {
    last_.bytes = last_.text = ahead();
    pos_ = end_;
    ++lineNumber_;
  }
  // A long line whose first bytes stand at `kept`.
  Status takeLongLine(const char* kept, RawLine* line) {
    last_.bytes = last_.text = std::string_view(kept, keep_);
    longLine_ = kept;
    ++lineNumber_;
    *line = last_;
    return Status::kLongLine;
  }
  void beforeRefill() {
    if (hook_ != nullptr) hook_(hookContext_);
  }
  // Moves ahead() to the front of the buffer and reads more behind it;
  // kLine means "got some". REQUIRES: not reading ahead.
  Status refill();
  Status skipLongLine(RawLine* line);
  // Takes the next block from source_, handing back the one held; returns
  // the first bytes of a long line that comes before the block, if any.
  const char* takeBlock();

  int fd_;
  std::size_t capacity_;
  std::size_t keep_;  // kLongLineKeep, or half a smaller buffer
  std::unique_ptr<char[]> buf_;
  const char* base_ = nullptr;  // buf_, or the block taken from source_
  std::size_t pos_ = 0;         // start of the next line
  std::size_t end_ = 0;
  bool eof_ = false;
  bool replay_ = false;
  int error_ = 0;
  std::size_t lineNumber_ = 0;
  RawLine last_;
  std::unique_ptr<char[]> longLineCopy_;  // without source_: its first bytes
  const char* longLine_ = nullptr;        // the last long line's first bytes
  std::unique_ptr<ReadAhead> ahead_;
  BlockSource* source_ = nullptr;  // ahead_, or the source given
  int blockError_ = 0;  // with source_: a read failed after the block
  TaskThread* borrower_ = nullptr;
  void (*hook_)(void*) = nullptr;
  void* hookContext_ = nullptr;
};

/// The line at `p` (its text, as LineReader::next(std::string_view*) hands
/// it out) and in *next the start of the line after it; false when no LF
/// comes before `end`. For a task that reads a block of whole lines.
inline bool lineIn(const char* p, const char* end, std::string_view* line,
                   const char** next) {
  const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
  if (nl == nullptr) return false;
  const char* stop = static_cast<const char*>(nl);
  *next = stop + 1;
  if (stop > p && stop[-1] == '\r') --stop;
  *line = std::string_view(p, static_cast<std::size_t>(stop - p));
  return true;
}

/// The LFs in [p, end).
std::size_t countLines(const char* p, const char* end);

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
