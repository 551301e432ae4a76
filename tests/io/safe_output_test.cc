#include "io/safe_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "io/shell.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::filesIn;
using support::readFile;
using support::ScratchDir;
using support::writeFile;

// The message of the Failure that `f` throws ("" when none).
std::string failureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Failure& e) {
    return e.file + ": " + e.message;
  }
  return "";
}

// How a forked child that runs `body` ends: its exit status, or 128 + the
// signal that ended it; its standard error in *err.
int inChild(const std::function<void()>& body, std::string* err = nullptr) {
  char errPath[] = "/tmp/unv2tessal-child-XXXXXX";
  const int errFd = ::mkstemp(errPath);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(errFd, 2);
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (err != nullptr) *err = readFile(errPath);
  ::close(errFd);
  ::unlink(errPath);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SafeOutput, AppearsOnlyWhenCommitted) {
  ScratchDir dir;
  writeFile("out.unv", "earlier\n");
  {
    SafeOutput out;
    out.open("out.unv");
    out.write(std::string(3 << 20, 'x'));
    EXPECT_EQ(readFile("out.unv"), "earlier\n");
    // Named after the output and the program, beside it.
    const std::set<std::string> names = filesIn(".");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names.begin()->rfind(".out.unv.unv2tessal-", 0), 0u);
  }  // not committed: the temporary file goes
  EXPECT_EQ(readFile("out.unv"), "earlier\n");
  EXPECT_EQ(filesIn("."), std::set<std::string>{"out.unv"});
  SafeOutput out;
  out.open("out.unv");
  out.write("new\n");
  out.commit();
  EXPECT_EQ(readFile("out.unv"), "new\n");
  EXPECT_EQ(filesIn("."), std::set<std::string>{"out.unv"});
}

TEST(SafeOutput, RoomSetAsideIsGivenBack) {
  for (const bool behind : {false, true}) {
    ScratchDir dir;
    SafeOutput out;
    if (behind) out.writeBehind();
    out.expectSize(std::uint64_t{64} << 20);
    out.open("out.unv");
    const std::string bytes(100000, 'x');
    out.write(bytes);
    out.commit();
    EXPECT_EQ(readFile("out.unv"), bytes) << "behind " << behind;
    struct stat st;
    ASSERT_EQ(::stat("out.unv", &st), 0);
    // What is on the disk is what was written, not the room set aside.
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "behind " << behind;
  }
}

TEST(SafeOutput, RefusesADirectoryAndTheInput) {
  ScratchDir dir;
  writeFile("in.unv", "x\n");
  std::filesystem::create_directory("d");
  ASSERT_EQ(::link("in.unv", "hard.unv"), 0);
  const FileIdentity input = fileIdentity("in.unv");
  const char* const rows[] = {
      "d: is a directory", "in.unv: is the input file",
      "hard.unv: is the input file",
      "missing/out.unv: cannot create a file in its folder: No such file or "
      "directory"};
  for (const std::string row : rows) {
    const std::string path = row.substr(0, row.find(':'));
    SafeOutput out;
    EXPECT_EQ(failureOf([&] { out.open(path, input); }), row);
  }
  EXPECT_EQ(readFile("in.unv"), "x\n");
  EXPECT_EQ(filesIn("."), (std::set<std::string>{"d", "hard.unv", "in.unv"}));
}

TEST(SafeOutput, DeviceIsWrittenDirectlyAndItsFailureReported) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  SafeOutput out;
  out.open("/dev/full");
  out.write("x\n");
  EXPECT_EQ(failureOf([&] { out.commit(); }),
            "/dev/full: No space left on device");
}

// A write that fails on a regular file (files limited to 1 MiB, as on a
// full disk), with the buffers written behind (when a CPU is spare) or not:
// the failure comes at a write or (behind) at commit(), with the system's
// reason, and neither the output nor its temporary file is left. Run in a
// child process, which alone gets the limit.
TEST(SafeOutput, RegularFileWriteFailureLeavesNothing) {
  for (const bool behind : {false, true}) {
    ScratchDir dir;
    const int status = inChild([behind] {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{1 << 20, 1 << 20};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      SafeOutput out;
      if (behind) out.writeBehind();
      const std::string failure = failureOf([&] {
        out.open("out.unv");
        for (int k = 0; k < 40; ++k) out.write(std::string(100000, 'x'));
        out.commit();
      });
      ::_exit(failure == "out.unv: File too large" ? 0 : 12);
    });
    EXPECT_EQ(status, 0) << "behind " << behind;
    EXPECT_TRUE(filesIn(".").empty()) << "behind " << behind;
  }
}

// A set appears whole: a failure of any of its files leaves the files of an
// earlier run as they were and no temporary file; committed, all are in
// place.
TEST(SafeOutput, SetAppearsWholeOrNotAtAll) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ScratchDir dir;
  writeFile("a.txt", "old a\n");
  writeFile("b.txt", "old b\n");
  {
    SafeOutput a, b, full;
    a.open("a.txt");
    b.open("b.txt");
    full.open("/dev/full");
    a.write("new a\n");
    b.write("new b\n");
    full.write("x");
    SafeOutput* const set[] = {&a, &b, &full};
    EXPECT_EQ(failureOf([&] { commitOutputs(set); }),
              "/dev/full: No space left on device");
  }
  EXPECT_EQ(filesIn("."), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(readFile("a.txt") + readFile("b.txt"), "old a\nold b\n");
  SafeOutput a, b;
  a.open("a.txt");
  b.open("b.txt");
  a.write("new a\n");
  b.write("new b\n");
  SafeOutput* const set[] = {&a, &b};
  commitOutputs(set);
  EXPECT_EQ(filesIn("."), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(readFile("a.txt") + readFile("b.txt"), "new a\nnew b\n");
}

// A signal that ends a run removes the temporary files, says so in one line
// and ends the process by the same signal.
TEST(SafeOutput, SignalRemovesTheUnfinishedOutputsAndEndsTheProcess) {
  const struct {
    int sig;
    const char* name;
  } rows[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& [sig, name] : rows) {
    ScratchDir dir;
    std::string err;
    const int ended = inChild(
        [sig = sig] {
          removeOutputsOnSignals("prog");
          SafeOutput a, b;
          a.open("a.txt");
          b.open("b.txt");
          a.write("a\n");
          ::raise(sig);
          ::_exit(1);
        },
        &err);
    EXPECT_EQ(ended, 128 + sig) << sig;
    EXPECT_EQ(err, std::string("prog: stopped by ") + name +
                       "; unfinished output removed\n");
    EXPECT_TRUE(filesIn(".").empty()) << sig;
  }
}

// A signal held while a set is put in place ends the run after it: every
// file is in place and none is left to remove.
TEST(SafeOutput, SignalAfterTheSetIsInPlaceRemovesNothing) {
  ScratchDir dir;
  std::string err;
  const int ended = inChild(
      [] {
        removeOutputsOnSignals("prog");
        SafeOutput a, b;
        a.open("a.txt");
        b.open("b.txt");
        a.write("a\n");
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &set, nullptr);
        ::raise(SIGTERM);
        SafeOutput* const both[] = {&a, &b};
        commitOutputs(both);
        ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
        ::_exit(1);
      },
      &err);
  EXPECT_EQ(ended, 128 + SIGTERM);
  EXPECT_EQ(err, "prog: stopped by SIGTERM\n");
  EXPECT_EQ(filesIn("."), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(readFile("a.txt"), "a\n");
}

}  // namespace
}  // namespace unv2tessal
