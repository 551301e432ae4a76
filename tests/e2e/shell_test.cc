// The shell that the programs share, run on the built executables: standard
// output that cannot be written, a reader that closes the pipe early, the
// signals that end a run, and unvprep at the edges of the process (no
// standard input, no memory).

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::filesIn;
using support::ProgramRunOptions;
using support::readFile;
using support::RunResult;
using support::ScratchDir;
using support::writeFile;

std::string checkMesh() {
  return readFile(support::testDataDir() + "/check/regions.unv");
}

std::string prepMesh() {
  return readFile(support::testDataDir() + "/prep/salome_tria6_quad8_2467.unv");
}

std::string programPath(const std::string& name) {
  if (name == "unv2tessal") return support::binaryPath();
  if (name == "unvcheck") return support::unvcheckPath();
  if (name == "unvprep") return support::unvprepPath();
  return support::tessal2vtkPath();
}

struct OutputCase {
  std::string program;
  std::vector<std::string> args;  // run in a folder holding mesh.unv
};

// Every report on standard output, --help and --version of every program
// included: a write that fails is one line naming standard output, and
// status 2, whatever the status of the work.
TEST(ProgramShell, StandardOutputThatCannotBeWrittenIsAFailure) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  const OutputCase cases[] = {
      {"unv2tessal", {"--help"}},
      {"unv2tessal", {"--version"}},
      {"unvcheck", {"--help"}},
      {"unvcheck", {"-V"}},
      {"unvcheck", {"mesh.unv"}},  // status 1 when written
      {"unvcheck", {"--json", "mesh.unv"}},
      {"unvprep", {"--help"}},
      {"unvprep", {"--version"}},
      {"tessal2vtk", {"-h"}},
      {"tessal2vtk", {"--version"}},
  };
  for (const OutputCase& c : cases) {
    SCOPED_TRACE(c.program + " " + c.args[0]);
    ScratchDir dir;
    writeFile("mesh.unv", checkMesh());
    const RunResult r =
        support::runProgram(programPath(c.program), dir.path(), "", c.args,
                            {.stdoutPath = "/dev/full"});
    EXPECT_EQ(r.status, 2u);
    EXPECT_EQ(r.err,
              c.program + ": standard output: No space left on device\n");
  }
}

// A reader that is done (`head`, say) closes the pipe: the program ends
// quietly, by SIGPIPE, and unvprep, whose JSON summary goes out before its
// output is put in place, leaves no file.
TEST(ProgramShell, ReaderThatClosesThePipeEndsItQuietly) {
  const OutputCase cases[] = {
      {"unv2tessal", {"--help"}},
      {"unvcheck", {"mesh.unv"}},
      {"unvprep", {"--json", "mesh.unv", "out.unv"}},
      {"tessal2vtk", {"--help"}},
  };
  for (const OutputCase& c : cases) {
    SCOPED_TRACE(c.program);
    ScratchDir dir;
    writeFile("mesh.unv", c.program == "unvprep" ? prepMesh() : checkMesh());
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    ::close(pipe[0]);
    const RunResult r = support::runProgram(programPath(c.program), dir.path(),
                                            "", c.args, {.stdoutFd = pipe[1]});
    ::close(pipe[1]);
    EXPECT_EQ(r.status, 128u + SIGPIPE);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"mesh.unv"});
  }
}

// A mesh of `nodes` nodes and a group of the first of them: large enough
// that unvprep is still writing when the test sees its temporary file.
std::string largeMesh(int nodes) {
  std::string text = "    -1\n  2411\n";
  char record[128];
  for (int k = 1; k <= nodes; ++k) {
    const int n =
        std::snprintf(record, sizeof record, "%10d%10d%10d%10d\n%25s%25s%25s\n",
                      k, 1, 1, 11, "0.1000000000000000D+01",
                      "0.2000000000000000D+01", "0.3000000000000000D+01");
    text.append(record, static_cast<std::size_t>(n));
  }
  text += "    -1\n    -1\n  2477\n";
  std::snprintf(record, sizeof record, "%10d%10d%10d%10d%10d%10d%10d%10d\n", 1,
                0, 0, 0, 0, 0, 0, 2);
  text += record;
  text +=
      "G\n         7         1         0         0         7         2"
      "         0         0\n    -1\n";
  return text;
}

bool temporaryFileIn(const std::string& dir) {
  for (const std::string& name : filesIn(dir)) {
    if (name.rfind(".out.unv.unvprep-", 0) == 0) return true;
  }
  return false;
}

// unvprep stopped while it writes: its temporary file (with the room set
// aside for it) is removed, it says so in one line and dies by the signal,
// so that a script's loop stops as it should.
TEST(ProgramShell, UnvprepStoppedBySignalLeavesNothingAndDiesByIt) {
  const std::string mesh = largeMesh(400000);
  const struct {
    int sig;
    const char* name;
  } rows[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& [sig, name] : rows) {
    SCOPED_TRACE(name);
    ScratchDir dir;
    writeFile("in.unv", mesh);
    const std::string here = dir.path();
    bool signalled = false;
    ProgramRunOptions options;
    options.signal = sig;
    options.ready = [&here] { return temporaryFileIn(here); };
    options.signalled = &signalled;
    const RunResult r = support::runProgram(
        support::unvprepPath(), here, "",
        {"--answers", "a.txt", "in.unv", "out.unv"}, options);
    ASSERT_TRUE(signalled) << "unvprep ended before the signal: " << r.err;
    EXPECT_EQ(r.status, 128u + static_cast<unsigned>(sig));
    EXPECT_EQ(r.err, std::string("unvprep: stopped by ") + name +
                         "; unfinished output removed\n");
    EXPECT_EQ(filesIn(here), std::set<std::string>{"in.unv"});
  }
}

// Descriptor 0 is a descriptor like any other when standard input is
// closed: the input or the output may get it, and the output is the same.
TEST(ProgramShell, UnvprepWithStandardInputClosedWritesItsOutput) {
  std::string outputs[2];
  for (const bool closed : {false, true}) {
    ScratchDir dir;
    writeFile("in.unv", prepMesh());
    ProgramRunOptions options;
    options.closeStdin = closed;
    const RunResult r = support::runProgram(
        support::unvprepPath(), dir.path(), "",
        {"--answers", "a.txt", "in.unv", "out.unv"}, options);
    ASSERT_EQ(r.status, 0u) << r.err;
    outputs[closed] = readFile("out.unv") + readFile("a.txt");
  }
  EXPECT_EQ(outputs[1], outputs[0]);
  EXPECT_GT(outputs[0].size(), 1000u);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A group whose entity count asks for more memory than there is: one line
// naming the input, status 2, nothing left.
TEST(ProgramShell, UnvprepOutOfMemoryIsOneLine) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer needs more address space";
  ScratchDir dir;
  writeFile("in.unv",
            "    -1\n  2477\n         1         0         0         0"
            "         0         0         02147483647\nG\n    -1\n");
  ProgramRunOptions options;
  options.addressSpace = rlim_t{512} << 20;
  const RunResult r = support::runProgram(support::unvprepPath(), dir.path(),
                                          "", {"in.unv", "out.unv"}, options);
  EXPECT_EQ(r.status, 2u);
  EXPECT_EQ(r.err, "unvprep: in.unv: out of memory\n");
  EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"in.unv"});
}

}  // namespace
}  // namespace unv2tessal
