#ifndef UNV2TESSAL_TESTS_SUPPORT_CHILD_RUN_H_
#define UNV2TESSAL_TESTS_SUPPORT_CHILD_RUN_H_

#include <string>
#include <string_view>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal::support {

/// Runs the built executable in `dir` like runBinary, but as user "nobody"
/// (supplementary groups dropped, then setgid and setuid in the forked
/// child). REQUIRES: the process runs as root; `dir` and everything the run
/// reads are reachable by "nobody".
RunResult runBinaryAsNobody(const std::string& dir, std::string_view input,
                            std::vector<std::string> args = {});

/// Runs the built executable in `dir` like runBinary, with files limited to
/// `limit` bytes (RLIMIT_FSIZE, SIGXFSZ ignored): a write past the limit
/// fails as on a full disk.
RunResult runBinaryWithFileSizeLimit(const std::string& dir,
                                     std::string_view input, std::size_t limit);

/// Runs the built executable in `dir` with standard input on a pipe: writes
/// `input` into it (and keeps it open), waits until the console output holds
/// `prompt`, sends `signal` to the child, closes the pipe and collects the
/// rest of the run. Nothing is timed: the test waits on the child's output.
RunResult runBinaryInterrupted(const std::string& dir, std::string_view input,
                               std::string_view prompt, int signal);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_CHILD_RUN_H_
