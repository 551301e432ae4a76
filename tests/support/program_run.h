#ifndef UNV2TESSAL_TESTS_SUPPORT_PROGRAM_RUN_H_
#define UNV2TESSAL_TESTS_SUPPORT_PROGRAM_RUN_H_

#include <sys/resource.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal::support {

/// How a program is run besides its arguments and standard input.
struct ProgramRunOptions {
  /// Runs it as user "nobody" (support/nobody.h); status 126, with the
  /// reason as the error text, when that cannot be had.
  bool asNobody = false;
  /// Standard output goes to this file (such as /dev/full), or, when not
  /// -1, to `stdoutFd` (a pipe's end), and `out` is then empty; by default
  /// to a file under /tmp that `out` holds.
  std::string stdoutPath = {};
  int stdoutFd = -1;
  /// The program starts with descriptor 0 closed.
  bool closeStdin = false;
  /// RLIMIT_AS of the child when not 0.
  rlim_t addressSpace = 0;
  /// When `signal` is not 0, it is sent to the child as soon as `ready()`
  /// holds (asked every 100 microseconds while the child runs); `signalled`
  /// tells whether that happened before the child ended.
  int signal = 0;
  std::function<bool()> ready = {};
  bool* signalled = nullptr;
};

/// Runs `program` with `args` in `dir`, `input` on standard input. The
/// console files live outside `dir`, which stays as the program leaves it.
/// `status` is the exit code, 128 + signal when killed.
RunResult runProgram(const std::string& program, const std::string& dir,
                     std::string_view input, std::vector<std::string> args,
                     const ProgramRunOptions& options = {});

/// Paths of the built programs.
std::string unvprepPath();
std::string unvcheckPath();
std::string tessal2vtkPath();
std::string tessalgridPath();

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_PROGRAM_RUN_H_
