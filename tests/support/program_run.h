#ifndef UNV2TESSAL_TESTS_SUPPORT_PROGRAM_RUN_H_
#define UNV2TESSAL_TESTS_SUPPORT_PROGRAM_RUN_H_

#include <string>
#include <string_view>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal::support {

/// Runs `program` with `args` in `dir`, `input` on standard input and
/// `stdoutPath` (a file under /tmp when empty) as standard output. The
/// console files live outside `dir`, which stays as the program leaves it.
/// `asNobody`: runs it as user "nobody" (support/nobody.h); status 126,
/// with the reason as the error text, when that cannot be had. `status` is the exit code, 128 + signal
/// when killed.
RunResult runProgram(const std::string& program, const std::string& dir,
                     std::string_view input, std::vector<std::string> args,
                     bool asNobody = false, const std::string& stdoutPath = "");

/// Path of the built unvprep executable.
std::string unvprepPath();

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_PROGRAM_RUN_H_
