#ifndef UNV2TESSAL_PREP_RAW_LINES_H_
#define UNV2TESSAL_PREP_RAW_LINES_H_

#include <cstddef>
#include <memory>
#include <string_view>

namespace unv2tessal {

class ReadAhead;

/// One line of a file as it stands in it.
struct RawLine {
  std::string_view bytes;  // the whole line, its LF or CR LF included
  std::string_view text;   // the line without its line end
};

/// Reads the lines of a file descriptor through one large buffer, handing
/// out each line's bytes exactly, so that a line passed through is copied
/// unchanged. A line ends at LF; a CR before the LF belongs to the line
/// end; a last line without LF is a line. No allocation per line.
class RawLineReader {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  enum class Status { kLine, kEndOfFile, kError, kTooLong };

  /// With `readAhead` the file is read by a ReadAhead thread into blocks of
  /// whole lines, and the lines are the same; the descriptor's offset must
  /// then not be moved while the reader lives.
  explicit RawLineReader(int fd, std::size_t capacity = kDefaultCapacity,
                         bool readAhead = false);
  ~RawLineReader();
  RawLineReader(const RawLineReader&) = delete;
  RawLineReader& operator=(const RawLineReader&) = delete;

  /// Reads the next line. The views are valid until the next call of
  /// next() on this reader. kTooLong: a line longer than the buffer.
  Status next(RawLine* line);

  /// Passes over lines up to the next delimiter line (columns 1-7: four
  /// blanks, "-1", a blank or the line's end) and reads it, as next() does;
  /// the lines passed over are counted but not handed out. kEndOfFile when
  /// there is none.
  /// With `passed`, the bytes of the lines passed over go to
  /// passed->take(), in pieces, in order, each before the buffer's bytes
  /// move or are replaced.
  struct Passed {
    void (*take)(void* context, std::string_view bytes);
    void* context;
  };
  Status nextDelimiter(RawLine* line, const Passed* passed = nullptr);

  /// The bytes of the buffer from the next line on: whole lines, but for
  /// perhaps a cut last one. Valid until the next call of next().
  std::string_view ahead() const {
    return std::string_view(base_ + pos_, end_ - pos_);
  }
  /// Passes over the first `bytes` of ahead(), which are `lines` whole
  /// lines, the last of them `lastLine` bytes long, as that many next()
  /// calls would.
  void skip(std::size_t bytes, std::size_t lines, std::size_t lastLine) {
    pos_ += bytes;
    lineStart_ = pos_ - lastLine;
    lineNumber_ += lines;
  }

  /// Makes the next call of next() return the line just read again.
  /// REQUIRES: the last call of next() returned kLine.
  void stepBack() {
    pos_ = lineStart_;
    --lineNumber_;
  }

  /// Calls hook(context) before the buffer's bytes move or are replaced, so
  /// that views into it can be used up first.
  void setRefillHook(void (*hook)(void*), void* context) {
    hook_ = hook;
    hookContext_ = context;
  }

  /// 1-based number of the line last returned (0 before any).
  std::size_t lineNumber() const { return lineNumber_; }
  /// errno of the failed read after kError.
  int lastError() const { return error_; }

 private:
  Status fill();
  Status nextBlock();  // fill() with read-ahead

  int fd_;
  std::size_t capacity_;
  std::unique_ptr<char[]> buf_;
  std::unique_ptr<ReadAhead> ahead_;
  const char* base_ = nullptr;  // buf_, or the block taken last
  int blockError_ = 0;          // a read that failed after the block
  std::size_t lineStart_ = 0;   // start of the line last returned
  std::size_t pos_ = 0;         // start of the next line
  std::size_t end_ = 0;
  bool eof_ = false;
  int error_ = 0;
  std::size_t lineNumber_ = 0;
  void (*hook_)(void*) = nullptr;
  void* hookContext_ = nullptr;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_RAW_LINES_H_
