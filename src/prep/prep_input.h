#ifndef UNV2TESSAL_PREP_PREP_INPUT_H_
#define UNV2TESSAL_PREP_PREP_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "io/line_io.h"
#include "io/safe_output.h"
#include "io/shell.h"

namespace unv2tessal {

/// The universal file read by unvprep, once per pass. Every failure throws
/// Failure naming the file and the line.
class PrepInput {
 public:
  /// Opens `path`, which must be a regular file (it is read twice). With
  /// `readAhead`, and a CPU to spare, a thread of its own reads it ahead.
  explicit PrepInput(const std::string& path, bool readAhead = true);
  ~PrepInput();
  PrepInput(const PrepInput&) = delete;
  PrepInput& operator=(const PrepInput&) = delete;

  /// Starts a pass at the first line, with a new reader: a refill hook set
  /// on the reader before is gone.
  void rewind();

  /// The lines as unv/framing.h walks them (walkDatasets()).
  using Line = RawLine;
  /// Reads the next line; false at the end of the file. The views live
  /// until the next read.
  bool next(RawLine* line);
  /// Passes over lines to the next delimiter line and reads it; false at
  /// the end of the file.
  bool nextDelimiter(RawLine* line, const LineReader::Passed* passed = nullptr);
  /// Reads the next line of the body of `what` ("element dataset 2412
  /// begun at line 12"); the end of the file there is a failure.
  RawLine need(std::string_view what);
  void stepBack() { reader_->stepBack(); }

  std::size_t lineNumber() const { return reader_->lineNumber(); }
  const std::string& path() const { return path_; }
  LineReader& reader() { return *reader_; }
  /// Device and inode, so that the output can refuse to be the input.
  const FileIdentity& identity() const { return identity_; }
  /// The size in bytes when the file was opened.
  std::uint64_t size() const { return size_; }

  /// Throws Failure for the line last read.
  [[noreturn]] void fail(std::string message) const;

 private:
  bool check(LineReader::Status status);
  std::string path_;
  int fd_ = -1;
  FileIdentity identity_;
  std::uint64_t size_ = 0;
  std::unique_ptr<LineReader> reader_;
  bool readAhead_ = false;  // on a thread of its own, with CPUs to spare
};

/// Where a pass writes: nowhere (the first pass) or the output file. Lines
/// copied from the input that follow one another in the input's buffer are
/// gathered and written at once.
class Sink {
 public:
  Sink() = default;
  /// Writes to `out`; `in` is the input whose lines are copied.
  Sink(SafeOutput* out, PrepInput& in);
  ~Sink();
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  /// Appends the bytes of the line just read from the input.
  void putLine(std::string_view bytes) {
    if (out_ == nullptr || bytes.empty()) return;
    atLineStart_ = bytes.back() == '\n';
    if (bytes.data() == spanEnd_) {
      spanEnd_ += bytes.size();
      return;
    }
    flushSpan();
    spanBegin_ = bytes.data();
    spanEnd_ = spanBegin_ + bytes.size();
  }
  /// Appends new text (not a view into the input).
  void putText(std::string_view text) {
    if (out_ == nullptr || text.empty()) return;
    flushSpan();
    atLineStart_ = text.back() == '\n';
    out_->write(text);
  }
  /// Writes out what is gathered. REQUIRES: before the bytes handed to
  /// putLine() change (the input reader calls it before it refills).
  void flushSpan();
  /// True when the last byte written ends a line (or nothing was written).
  bool atLineStart() const { return atLineStart_; }

 private:
  SafeOutput* out_ = nullptr;
  PrepInput* in_ = nullptr;
  const char* spanBegin_ = nullptr;
  const char* spanEnd_ = nullptr;
  bool atLineStart_ = true;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_PREP_INPUT_H_
