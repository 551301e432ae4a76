#include "io/shell.h"

#include <errno.h>
#include <signal.h>

#include <cstring>
#include <new>
#include <stdexcept>

#include "codecs/json_text.h"
#include "io/fd_io.h"
#include "io/safe_output.h"

namespace unv2tessal {

std::string failureLine(std::string_view program, const Failure& f) {
  std::string line(program);
  line += ": ";
  if (!f.file.empty()) {
    line += f.file;
    if (f.line > 0) {
      line += ':' + std::to_string(f.line);
      if (f.column > 0) line += ':' + std::to_string(f.column);
    }
    line += ": ";
  }
  line += f.message;
  line += '\n';
  return line;
}

std::string failureJson(const Failure& f) {
  return Json('{')
      .key("file")
      .str(f.file)
      .key("line")
      .num(static_cast<std::int64_t>(f.line))
      .key("column")
      .num(static_cast<std::int64_t>(f.column))
      .key("message")
      .str(f.message)
      .done();
}

std::string describeException(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr ||
      dynamic_cast<const std::length_error*>(&e) != nullptr) {
    return "out of memory";
  }
  return e.what();
}

bool answerInfoRequest(std::string_view program, std::string_view usage,
                       std::span<const std::string> args, std::string* out) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      *out += usage;
      return true;
    }
    if (a == "--version" || a == "-V") {
      out->append(program).append(" ").append(kProjectVersion) += '\n';
      return true;
    }
  }
  return false;
}

int usageError(std::string_view program, std::string_view message,
               std::string* err) {
  err->append(program).append(": ").append(message).append("\nTry '");
  err->append(program).append(" --help'.\n");
  return 2;
}

void reportFailure(std::string_view program, bool json, const Failure& f,
                   std::string* out, std::string* err) {
  *err += failureLine(program, f);
  if (json && f.file != kStandardOutput) {
    *out += "{\"error\":" + failureJson(f) + "}\n";
  }
}

int writeStandardOutput(std::string_view bytes) {
  const int error = writeAll(1, bytes);
  if (error == EPIPE) dieBySignal(SIGPIPE);
  return error;
}

int writeReports(std::string_view program, int status, std::string_view out,
                 std::string_view err) {
  const int error = writeStandardOutput(out);
  (void)writeAll(2, err);  // where this fails, there is nowhere left to tell
  if (error == 0) return status;
  (void)writeAll(2, failureLine(program, Failure(std::string(kStandardOutput),
                                                 std::strerror(error))));
  return 2;
}

int programMain(std::string_view program, int argc, char** argv,
                ProgramRun run) {
  removeOutputsOnSignals(program);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string out, err;
  int status = 2;
  try {
    status = run(args, &out, &err);
  } catch (const std::exception& e) {
    err += failureLine(program, Failure{"", describeException(e)});
  }
  return writeReports(program, status, out, err);
}

}  // namespace unv2tessal
