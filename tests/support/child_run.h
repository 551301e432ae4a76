#ifndef UNV2TESSAL_TESTS_SUPPORT_CHILD_RUN_H_
#define UNV2TESSAL_TESTS_SUPPORT_CHILD_RUN_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/helper_threads.h"
#include "support/test_io.h"

namespace unv2tessal::support {

/// Runs the built executable in `dir` like runBinary, but as user "nobody"
/// (support/nobody.h). Status 126, with the reason as the error text, when
/// the run cannot be had (not root, no copy of the executable for it).
/// REQUIRES: `dir` and everything the run reads are reachable by "nobody".
RunResult runBinaryAsNobody(const std::string& dir, std::string_view input,
                            std::vector<std::string> args = {});

/// Runs the built executable in `dir` like runBinary, with files limited to
/// `limit` bytes (RLIMIT_FSIZE, SIGXFSZ ignored): a write past the limit
/// fails as on a full disk.
RunResult runBinaryWithFileSizeLimit(const std::string& dir,
                                     std::string_view input, std::size_t limit);

/// The CPUs this process may run on (its affinity mask).
int usableCpus();

/// Keeps the calling thread on the first `cpus` of the CPUs it may use.
bool keepCpus(int cpus);

/// Runs the built executable in `dir` like runBinary, on the first `cpus`
/// of the CPUs this process may use (the converter reads and writes on
/// threads of their own only with more than one), and with files limited
/// to `fileSizeLimit` bytes as runBinaryWithFileSizeLimit does, unless it is
/// SIZE_MAX. With `counts`, a child of this process runs the conversion as
/// the executable's main() does, and *counts is what its helper threads did
/// (the proof that they ran, or did not).
RunResult runBinaryOnCpus(const std::string& dir, std::string_view input,
                          int cpus, std::size_t fileSizeLimit = SIZE_MAX,
                          ThreadCounts* counts = nullptr);

/// Runs the built executable in `dir` with standard input on a pipe: writes
/// `input` into it (and keeps it open), waits until the console output holds
/// `prompt`, sends `signal` to the child, closes the pipe and collects the
/// rest of the run. Nothing is timed: the test waits on the child's output.
RunResult runBinaryInterrupted(const std::string& dir, std::string_view input,
                               std::string_view prompt, int signal);

/// Runs the built executable in `dir` like runBinaryOnCpus (no file size
/// limit; `counts` alike), sends `signal` to it as soon as `ready()` holds
/// (asked every 100 microseconds) and collects the rest of the run.
/// *signalled tells whether the signal was sent before the run ended by
/// itself.
RunResult runBinarySignalledWhen(const std::string& dir, std::string_view input,
                                 int cpus, const std::function<bool()>& ready,
                                 int signal, bool* signalled,
                                 ThreadCounts* counts = nullptr);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_CHILD_RUN_H_
