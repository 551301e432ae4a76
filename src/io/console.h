#ifndef UNV2TESSAL_IO_CONSOLE_H_
#define UNV2TESSAL_IO_CONSOLE_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "codecs/layout.h"

namespace unv2tessal {

/// The process's console streams: standard output for console lines,
/// standard input for replies, standard error for failure reports. Tests
/// substitute a scripted console.
class ConsoleIo {
 public:
  virtual ~ConsoleIo() = default;
  virtual void writeOut(std::string_view text) = 0;
  virtual void writeErr(std::string_view text) = 0;
  /// Reads one line without its line end into *line; false at end of input.
  /// A read error of the input ends the run with report 39 on unit -4.
  virtual bool readLine(std::string* line) = 0;
  /// Writes out anything held back on the output stream.
  virtual void flush() {}
};

/// The real console on file descriptors 0, 1 and 2. Output is held in a
/// buffer and written before every read, every report and at the end.
class FdConsoleIo : public ConsoleIo {
 public:
  FdConsoleIo() = default;
  ~FdConsoleIo() override;
  void writeOut(std::string_view text) override;
  void writeErr(std::string_view text) override;
  bool readLine(std::string* line) override;
  void flush() override;

 private:
  std::string out_;
  std::string in_;  // bytes read ahead of the current reply
  std::size_t inPos_ = 0;
  bool inEof_ = false;
};

/// What must happen before anything reaches the console: output written
/// behind the conversion catches up first, so that each file holds what it
/// would hold had every record been written at once. May end the run with
/// the report of a write that failed meanwhile.
class OutputBarrier {
 public:
  virtual void settle() = 0;

 protected:
  ~OutputBarrier() = default;
};

/// An item of a console line: a text (written whole) or an integer (a
/// 12-column integer field).
struct ConsoleItem {
  ConsoleItem(std::string_view t) : text(t) {}  // NOLINT: implicit
  ConsoleItem(const char* t) : text(t) {}       // NOLINT: implicit
  ConsoleItem(std::int32_t v) : isInteger(true), value(v) {}  // NOLINT
  bool isInteger = false;
  std::string_view text;
  std::int32_t value = 0;
};

/// Console lines and replies.
class Console {
 public:
  static constexpr std::size_t kWidth = 80;
  static constexpr std::size_t kIntegerWidth = 12;

  explicit Console(ConsoleIo& io) : io_(io) {}

  /// Settled before every console line, raw text and reply (not before
  /// error reports: their writers settle first themselves).
  void setBarrier(OutputBarrier* barrier) { barrier_ = barrier; }

  /// Writes one console line: column 1 blank, 80 columns, texts wrapped as
  /// described in formatConsoleLine().
  void writeConsoleLine(std::initializer_list<ConsoleItem> items);

  /// Reads one reply line: its first 64 characters, blank-padded. End of
  /// console input ends the run with report 24 on unit -4.
  Text64 readConsoleReply();

  /// Reads the reply to the question that names the file of `unit`: as
  /// readConsoleReply(), but a name longer than the reply's 64 characters
  /// ends the run with report 43 on `unit` (fileNameReply() in units.h).
  Text64 readFileNameReply(int unit);

  /// Asks for the name of the output file of `unit`: writes `question` as a
  /// console line and reads the reply by readFileNameReply(); an empty or
  /// all-blank reply gives `defaultName`.
  Text64 askFileName(std::string_view question, std::string_view defaultName,
                     int unit);

  /// Reads one whole reply line (no 64-character cut). End of console input
  /// ends the run with report 24 on unit -4.
  std::string readWholeLine();

  /// Writes text as it stands (no leading blank, no line end added).
  void writeRaw(std::string_view text) {
    if (barrier_ != nullptr) barrier_->settle();
    io_.writeOut(text);
  }
  void writeError(std::string_view text) {
    io_.flush();
    io_.writeErr(text);
  }

 private:
  ConsoleIo& io_;
  OutputBarrier* barrier_ = nullptr;
};

/// Lays out a console line: each physical line starts with a blank and holds
/// at most 80 columns; a text item that does not fit the rest of the line
/// starts a new one and is cut into 79-column pieces; an integer item that
/// does not find 12 columns starts a new line. Lines end in CR LF.
std::string formatConsoleLine(std::initializer_list<ConsoleItem> items);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_CONSOLE_H_
