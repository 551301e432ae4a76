#include "prep/safe_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

}  // namespace
}  // namespace unv2tessal
