#include "prep/safe_output.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::fileExists;
using support::readFile;
using support::ScratchDir;
using support::writeFile;

long filesIn(const std::string& dir) {
  return std::distance(std::filesystem::directory_iterator(dir),
                       std::filesystem::directory_iterator());
}

TEST(SafeOutput, AppearsOnlyWhenCommitted) {
  ScratchDir dir;
  writeFile("out.unv", "earlier\n");
  std::string error;
  {
    SafeOutput out;
    ASSERT_TRUE(out.open("out.unv", {}, &error)) << error;
    ASSERT_TRUE(out.write(std::string(3 << 20, 'x'), &error)) << error;
    EXPECT_EQ(readFile("out.unv"), "earlier\n");
  }  // not committed: the temporary file goes
  EXPECT_EQ(readFile("out.unv"), "earlier\n");
  EXPECT_EQ(filesIn("."), 1);
  SafeOutput out;
  ASSERT_TRUE(out.open("out.unv", {}, &error)) << error;
  ASSERT_TRUE(out.write("new\n", &error));
  ASSERT_TRUE(out.commit(&error)) << error;
  EXPECT_EQ(readFile("out.unv"), "new\n");
  EXPECT_EQ(filesIn("."), 1);
}

TEST(SafeOutput, RoomSetAsideIsGivenBack) {
  for (const bool behind : {false, true}) {
    ScratchDir dir;
    std::string error;
    SafeOutput out;
    if (behind) out.writeBehind();
    out.expectSize(std::uint64_t{64} << 20);
    ASSERT_TRUE(out.open("out.unv", {}, &error)) << error;
    const std::string bytes(100000, 'x');
    ASSERT_TRUE(out.write(bytes, &error)) << error;
    ASSERT_TRUE(out.commit(&error)) << error;
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
  const SafeOutput::Forbidden input = fileIdentity("in.unv");
  struct Row {
    const char* path;
    const char* error;
  } rows[] = {{"d", "is a directory"},
              {"in.unv", "is the input file"},
              {"hard.unv", "is the input file"},
              {"missing/out.unv",
               "cannot create a file in its folder: No such file or "
               "directory"}};
  for (const Row& row : rows) {
    SafeOutput out;
    std::string error;
    EXPECT_FALSE(out.open(row.path, input, &error)) << row.path;
    EXPECT_EQ(error, row.error);
  }
  EXPECT_EQ(readFile("in.unv"), "x\n");
  EXPECT_EQ(filesIn("."), 3);
}

TEST(SafeOutput, DeviceIsWrittenDirectlyAndItsFailureReported) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  SafeOutput out;
  std::string error;
  ASSERT_TRUE(out.open("/dev/full", {}, &error)) << error;
  ASSERT_TRUE(out.write("x\n", &error));
  EXPECT_FALSE(out.commit(&error));
  EXPECT_EQ(error, "No space left on device");
}

// A write that fails on a regular file (files limited to 1 MiB, as on a
// full disk), with the buffers written behind (when a CPU is spare) or not:
// the failure comes at a write or (behind) at commit(), with the system's
// reason, and neither the output nor its temporary file is left. Run in a child
// process, which alone gets the limit.
TEST(SafeOutput, RegularFileWriteFailureLeavesNothing) {
  for (const bool behind : {false, true}) {
    ScratchDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{1 << 20, 1 << 20};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      SafeOutput out;
      if (behind) out.writeBehind();
      std::string error;
      if (!out.open("out.unv", {}, &error)) ::_exit(10);
      const std::string piece(100000, 'x');
      bool written = true;
      for (int k = 0; k < 40 && written; ++k) {
        written = out.write(piece, &error);
      }
      if (written && out.commit(&error)) ::_exit(11);
      ::_exit(error == "File too large" ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "behind " << behind;
    EXPECT_EQ(filesIn("."), 0) << "behind " << behind;
  }
}

}  // namespace
}  // namespace unv2tessal
