#ifndef UNV2TESSAL_IO_SHELL_H_
#define UNV2TESSAL_IO_SHELL_H_

// The shell of the command-line programs of ours (unvcheck, unvprep,
// tessal2vtk, tessalgrid): one failure type and its one line, --help and
// --version, checked writes to standard output, and main(). The
// converter's console dialogue and reports are its own (failure.h); it
// takes only --help and --version from here.

#include <cstddef>
#include <exception>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace unv2tessal {

/// The version of every program of the project (the build's project
/// version, "1.0.0").
inline constexpr std::string_view kProjectVersion = UNV2TESSAL_VERSION;

/// Why a program of ours could not do its work: the file (an input, an
/// output, or "standard output"), the line and column where it was found
/// (0: none) and what was wrong. Thrown by what the programs share and by
/// the programs; each program catches it once, prints failureLine() and
/// ends with status 2.
struct Failure {
  Failure(std::string f, std::string m)
      : file(std::move(f)), message(std::move(m)) {}
  Failure(std::string f, std::size_t l, std::string m)
      : file(std::move(f)), line(l), message(std::move(m)) {}
  Failure(std::string f, std::size_t l, std::size_t c, std::string m)
      : file(std::move(f)), line(l), column(c), message(std::move(m)) {}

  std::string file;
  std::size_t line = 0;
  std::size_t column = 0;
  std::string message;
};

/// The name a failure to write standard output gives as its file.
inline constexpr std::string_view kStandardOutput = "standard output";

/// The one line of a failure: "PROGRAM: FILE:LINE:COLUMN: message" and LF,
/// the line and the column left out where they are 0 ("PROGRAM: message"
/// for a failure of no file).
std::string failureLine(std::string_view program, const Failure& f);

/// The failure as a JSON object: {"file":..,"line":..,"column":..,
/// "message":..} (0 for a line or column that is not known).
std::string failureJson(const Failure& f);

/// What an exception that is not a Failure says: "out of memory" for
/// std::bad_alloc and std::length_error (a table past its largest size),
/// else its what().
std::string describeException(const std::exception& e);

/// Answers "--help" or "-h" with `usage`, "--version" or "-V" with
/// "PROGRAM VERSION" and LF, the first of them in `args` before a "--",
/// appended to *out. Returns false, *out untouched, when none asks.
bool answerInfoRequest(std::string_view program, std::string_view usage,
                       std::span<const std::string> args, std::string* out);

/// A command line that cannot be run: appends "PROGRAM: message" and
/// "Try 'PROGRAM --help'." to *err and returns 2.
int usageError(std::string_view program, std::string_view message,
               std::string* err);

/// Reads a command line: each option (a word of two or more characters
/// that starts with '-', before a "--") goes to `take(name, value)` with
/// its value, the next word or what follows '=' in "--name=value", where
/// `name` is one of `valued`; every other word is an operand, appended to
/// *operands in order. `take` returns an empty string for an option it
/// knows, else what is wrong with it. Returns the status of a usage error
/// (usageError()) or nothing when every option was taken.
template <class Take>
std::optional<int> scanCommandLine(
    std::string_view program, std::span<const std::string> args,
    std::initializer_list<std::string_view> valued, Take&& take,
    std::vector<std::string>* operands, std::string* err) {
  bool optionsEnd = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      operands->push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnd = true;
      continue;
    }
    std::string name = a, value;
    bool hasValue = false;
    if (const std::size_t eq = a.find('=');
        eq != std::string::npos && a.rfind("--", 0) == 0) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    }
    bool takesValue = false;
    for (const std::string_view v : valued) takesValue |= name == v;
    if (takesValue && !hasValue) {
      if (k + 1 == args.size()) {
        return usageError(program, name + " needs a value", err);
      }
      value = args[++k];
    } else if (!takesValue && hasValue) {
      return usageError(program, name + " takes no value", err);
    }
    if (const std::string wrong = take(name, value); !wrong.empty()) {
      return usageError(program, wrong, err);
    }
  }
  return std::nullopt;
}

/// The one line of failure `f` on *err; with `json`, the document
/// {"error":{...}} that carries it on *out too (unless it is standard
/// output that failed).
void reportFailure(std::string_view program, bool json, const Failure& f,
                   std::string* out, std::string* err);

/// Runs a program's work, `body(&summaryWritten)`, which returns the exit
/// status and sets summaryWritten once its --json document is out; a
/// Failure, or another exception (out of memory, said of `input`), ends it
/// with reportFailure() (its JSON only while no document is out) and
/// status 2.
template <class Body>
int runReportingFailures(std::string_view program, bool json,
                         const std::string& input, std::string* out,
                         std::string* err, Body&& body) {
  bool summaryWritten = false;
  try {
    return body(&summaryWritten);
  } catch (const Failure& f) {
    reportFailure(program, json && !summaryWritten, f, out, err);
  } catch (const std::exception& e) {
    reportFailure(program, json && !summaryWritten,
                  Failure(input, describeException(e)), out, err);
  }
  return 2;
}

/// Writes `bytes` to standard output. Returns 0, or the errno of the write
/// that failed. A reader that closed the pipe ends the process quietly, by
/// SIGPIPE, once the unfinished outputs are removed (as a program that
/// writes to a pipe dies when its reader is done).
int writeStandardOutput(std::string_view bytes);

/// Ends a run of `program`: writes `out` to standard output and `err` to
/// standard error, and returns `status`; or, when standard output cannot
/// be written, 2 after the line "PROGRAM: standard output: reason".
int writeReports(std::string_view program, int status, std::string_view out,
                 std::string_view err);

/// A program's work: the command-line arguments (without the program's
/// name) in, its reports appended to *out (standard output) and *err
/// (standard error), its exit status back.
using ProgramRun = int (*)(const std::vector<std::string>& args,
                           std::string* out, std::string* err);

/// main() of a program of ours: removes the unfinished outputs on the
/// signals that end a run (safe_output.h), runs `run`, and writes its
/// reports by writeReports(). An exception that is not a Failure (the
/// system out of threads, say) ends it with status 2 and one line too.
int programMain(std::string_view program, int argc, char** argv,
                ProgramRun run);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_SHELL_H_
