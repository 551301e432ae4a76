#ifndef UNV2TESSAL_PREP_PREP_INPUT_H_
#define UNV2TESSAL_PREP_PREP_INPUT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "prep/raw_lines.h"
#include "prep/safe_output.h"

namespace unv2tessal {

/// Why unvprep stopped: the file (input or output), the input line where
/// reading stopped (0 for none) and what was wrong.
struct PrepFailure {
  std::string file;
  std::size_t line = 0;
  std::string message;
};

/// The universal file read by unvprep, once per pass. Every failure throws
/// PrepFailure naming the file and the line.
class PrepInput {
 public:
  /// Opens `path`, which must be a regular file (it is read twice).
  explicit PrepInput(const std::string& path);
  ~PrepInput();
  PrepInput(const PrepInput&) = delete;
  PrepInput& operator=(const PrepInput&) = delete;

  /// Starts a pass at the first line.
  void rewind();

  /// Reads the next line; false at the end of the file. The views live
  /// until the next read.
  bool next(RawLine* line);
  /// Reads the next line of the body of `what` ("element dataset 2412
  /// begun at line 12"); the end of the file there is a failure.
  RawLine need(std::string_view what);
  void stepBack() { reader_->stepBack(); }

  std::size_t lineNumber() const { return reader_->lineNumber(); }
  const std::string& path() const { return path_; }
  /// Device and inode, so that the output can refuse to be the input.
  const SafeOutput::Forbidden& identity() const { return identity_; }

  /// Throws PrepFailure for the line last read.
  [[noreturn]] void fail(std::string message) const;

 private:
  std::string path_;
  int fd_ = -1;
  SafeOutput::Forbidden identity_;
  std::unique_ptr<RawLineReader> reader_;
};

/// Where a pass writes: nowhere (the first pass) or the output file.
class Sink {
 public:
  explicit Sink(SafeOutput* out = nullptr, std::string path = {})
      : out_(out), path_(std::move(path)) {}
  bool active() const { return out_ != nullptr; }
  void put(std::string_view bytes) {
    if (out_ != nullptr && !out_->write(bytes, &error_)) fail();
  }
  /// True when the last byte written ends a line (or nothing was written).
  bool atLineStart() const { return atLineStart_; }
  void putLine(std::string_view bytes) {
    put(bytes);
    if (!bytes.empty()) atLineStart_ = bytes.back() == '\n';
  }

 private:
  [[noreturn]] void fail() const;
  SafeOutput* out_;
  std::string path_;
  std::string error_;
  bool atLineStart_ = true;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_PREP_INPUT_H_
