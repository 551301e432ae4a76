// The unvprep program on outputs it cannot write: the output file in a
// folder it may not write, /dev/full as the output, as the answers file or
// as standard output for --json. Each run ends with status 2 ("nothing
// written") and one line "unvprep: FILE: what", and leaves nothing behind:
// no output, no answers file, no temporary file. (Input it cannot read is
// tested in-process in tests/prep/prep_test.cc.)

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::ScratchDir;
using support::writeFile;

std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool devFullIsThere() {
  struct stat st {};
  return ::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode);
}

struct OutputFailure {
  std::string name;
  std::vector<std::string> args;  // run in a folder holding in.unv and ro/
  bool asNobody = false;
  std::string stdoutPath;  // "" for a file of the test
  std::string named;       // the file the error line names ("" any)
};

void PrintTo(const OutputFailure& c, std::ostream* os) { *os << c.name; }

class PrepOutputFailure : public ::testing::TestWithParam<OutputFailure> {};

TEST_P(PrepOutputFailure, EndsWithOneLineAndLeavesNothing) {
  const OutputFailure& c = GetParam();
  if (!devFullIsThere()) GTEST_SKIP() << "no /dev/full";
  if (c.asNobody && ::geteuid() != 0) {
    GTEST_SKIP() << "needs root to run as user nobody";
  }
  ScratchDir dir;
  // "nobody" may read the folder and the input, and write neither.
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  writeFile(dir.file("in.unv"),
            support::readFile(support::testDataDir() +
                              "/prep/salome_tria6_quad8_2467.unv"));
  ASSERT_EQ(::chmod(dir.file("in.unv").c_str(), 0644), 0);
  ASSERT_EQ(::mkdir(dir.file("ro").c_str(), 0555), 0);
  const support::RunResult r =
      support::runProgram(support::unvprepPath(), dir.path(), "", c.args,
                          {.asNobody = c.asNobody, .stdoutPath = c.stdoutPath});
  if (r.status == 126) GTEST_SKIP() << "cannot run as user nobody: " << r.err;
  EXPECT_EQ(r.status, 2u);
  const std::string named =
      std::regex_replace(c.named, std::regex("[.]"), "[.]");
  const std::regex oneLine("unvprep: " + (named.empty() ? "" : named + ": ") +
                           "[^\n]+\n");
  EXPECT_TRUE(std::regex_match(r.err, oneLine)) << r.err;
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"in.unv", "ro"}));
  EXPECT_TRUE(entries(dir.file("ro")).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrepOutputFailure,
    ::testing::Values(
        OutputFailure{"ReadOnlyFolderAsNobody",
                      {"--answers", "ro/a.txt", "in.unv", "ro/out.unv"},
                      true,
                      "",
                      "ro/out.unv"},
        OutputFailure{"DevFullAsOutput",
                      {"--answers", "a.txt", "in.unv", "/dev/full"},
                      false,
                      "",
                      "/dev/full"},
        OutputFailure{"DevFullAsAnswers",
                      {"--answers", "/dev/full", "in.unv", "out.unv"},
                      false,
                      "",
                      "/dev/full"},
        OutputFailure{"DevFullAsStandardOutputForJson",
                      {"--json", "in.unv", "out.unv"},
                      false,
                      "/dev/full",
                      ""}),
    support::ByName());

}  // namespace
}  // namespace unv2tessal
