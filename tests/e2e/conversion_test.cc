// A whole conversion of a hand-made mesh, compared with reviewed expected
// files: every output file and the whole console transcript.
//
// tests/data/golden.unv: a 151 header and a 164 units dataset (skipped),
// nodes 0-5 (renumbering accepted: offset -1), elements 100-104 of which the
// brick (101, a solid in a 2D grid) and the beam (104, with its orientation
// record) are dropped, and two groups, one of odd size and one whose name
// starts with blanks. The first dimension reply "2D" is refused.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using testing::readFile;
using testing::runBinary;
using testing::runInProcess;
using testing::ScratchDir;
using testing::testDataDir;
using testing::writeFile;

const std::vector<std::string> kAnswers{"golden.unv", "", "y", "2D", "2", "", ""};

std::string expected(const char* name) {
  return readFile(testDataDir() + "/" + name);
}

void expectOutputFiles() {
  EXPECT_EQ(readFile("OUT.XYZ"), expected("golden.xyz.expected"));
  EXPECT_EQ(readFile("OUT.CNC"), expected("golden.cnc.expected"));
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"),
            expected("golden_map.expected"));
  EXPECT_EQ(readFile("GRID.INP"), expected("golden.inp.expected"));
}

TEST(Conversion, WholeRunMatchesTheReviewedFiles) {
  ScratchDir dir;
  writeFile("golden.unv", readFile(testDataDir() + "/golden.unv"));
  const auto r = runInProcess(kAnswers);
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, expected("golden_console.expected"));
  expectOutputFiles();
  // The input is read, never written.
  EXPECT_EQ(readFile("golden.unv"), readFile(testDataDir() + "/golden.unv"));
}

TEST(Conversion, ExecutableGivesTheSameRunOnItsStandardStreams) {
  ScratchDir dir;
  writeFile("golden.unv", readFile(testDataDir() + "/golden.unv"));
  std::string stdinText;
  for (const std::string& a : kAnswers) stdinText += a + "\n";
  const auto r = runBinary(dir.path(), stdinText);
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, expected("golden_console.expected"));
  expectOutputFiles();
}

}  // namespace
}  // namespace unv2tessal
