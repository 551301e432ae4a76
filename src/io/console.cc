#include "io/console.h"

#include <errno.h>
#include <unistd.h>

#include "codecs/fields.h"
#include "io/failure.h"
#include "io/fd_io.h"
#include "io/interrupt.h"
#include "io/units.h"

namespace unv2tessal {

namespace {

[[noreturn]] void consoleEndOfFile() {
  throw RunFailure(kReportEndOfFile, kConsoleInputUnit,
                   std::string(kConsoleInputPath));
}

}  // namespace

FdConsoleIo::~FdConsoleIo() { flush(); }

void FdConsoleIo::writeOut(std::string_view text) {
  out_.append(text);
  if (out_.size() >= 1 << 16) flush();
}

void FdConsoleIo::writeErr(std::string_view text) {
  flush();
  // A console that cannot be written is not a reason to stop.
  (void)writeAll(2, text);
}

void FdConsoleIo::flush() {
  (void)writeAll(1, out_);
  out_.clear();
}

bool FdConsoleIo::readLine(std::string* line) {
  flush();
  line->clear();
  for (;;) {
    const std::size_t nl = in_.find('\n', inPos_);
    if (nl != std::string::npos) {
      line->assign(in_, inPos_, nl - inPos_);
      inPos_ = nl + 1;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    if (inEof_) {
      if (inPos_ == in_.size()) return false;
      line->assign(in_, inPos_, std::string::npos);  // last line without LF
      inPos_ = in_.size();
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    in_.erase(0, inPos_);
    inPos_ = 0;
    char chunk[4096];
    awaitInput(0);
    const ssize_t got = ::read(0, chunk, sizeof chunk);
    if (got > 0) {
      in_.append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0) {
      // An interrupt that came before the end of the input is the cause.
      checkInterrupt();
      inEof_ = true;
    } else if (errno == EINTR) {
      checkInterrupt();
    } else {
      // A read error of the console input is the system's read error, not
      // the end of the input.
      throw RunFailure(kReportReadError, kConsoleInputUnit,
                       std::string(kConsoleInputPath));
    }
  }
}

std::string formatConsoleLine(std::initializer_list<ConsoleItem> items) {
  std::string out;
  std::size_t held = 1;  // columns of the current line, its blank included
  out += ' ';
  auto newLine = [&] {
    out += "\r\n ";
    held = 1;
  };
  for (const ConsoleItem& item : items) {
    if (item.isInteger) {
      if (Console::kWidth - held < Console::kIntegerWidth) newLine();
      char field[Console::kIntegerWidth];
      writeIntegerField(item.value, sizeof field, field);
      out.append(field, sizeof field);
      held += Console::kIntegerWidth;
      continue;
    }
    std::string_view text = item.text;
    if (text.size() <= Console::kWidth - held) {
      out += text;
      held += text.size();
      continue;
    }
    if (held > 1) newLine();
    while (text.size() > Console::kWidth - 1) {
      out += text.substr(0, Console::kWidth - 1);
      text.remove_prefix(Console::kWidth - 1);
      newLine();
    }
    out += text;
    held += text.size();
  }
  out += "\r\n";
  return out;
}

void Console::writeConsoleLine(std::initializer_list<ConsoleItem> items) {
  checkInterrupt();  // an interrupt during a conversion ends it here at once
  if (barrier_ != nullptr) barrier_->settle();
  io_.writeOut(formatConsoleLine(items));
}

std::string Console::readWholeLine() {
  if (barrier_ != nullptr) barrier_->settle();
  std::string line;
  if (!io_.readLine(&line)) consoleEndOfFile();
  return line;
}

Text64 Console::askFileName(std::string_view question,
                            std::string_view defaultName, int unit) {
  writeConsoleLine({question});
  const Text64 name = readFileNameReply(unit);
  return name.isBlank() ? Text64::of(defaultName) : name;
}

Text64 Console::readConsoleReply() { return Text64::of(readWholeLine()); }

Text64 Console::readFileNameReply(int unit) {
  return fileNameReply(unit, readWholeLine());
}

}  // namespace unv2tessal
