// A whole conversion of a hand-made mesh, compared with reviewed expected
// files: every output file and the whole console transcript.
//
// tests/data/golden.unv: a 151 header and a 164 units dataset (skipped),
// nodes 0-5 (renumbering accepted: offset -1), elements 100-104 of which the
// brick (101, a solid in a 2D grid) and the beam (104, with its orientation
// record) are dropped, and two groups, one of odd size and one whose name
// starts with blanks. The first dimension reply "2D" is refused.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::runBinary;
using support::runInProcess;
using support::ScratchDir;
using support::testDataDir;
using support::writeFile;

const std::vector<std::string> kAnswers{"golden.unv", "", "y", "2D",
                                        "2",          "", ""};

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

// The README's quick start feeds examples/answers.txt to the executable from
// out/example/; the answers name the mesh as ../../examples/example.unv.
TEST(Conversion, ExampleMeshConvertsWithItsAnswersFile) {
  ScratchDir dir;
  const std::string examples = testDataDir() + "/../../examples";
  std::filesystem::create_directories("examples");
  std::filesystem::create_directories("out/example");
  writeFile("examples/example.unv", readFile(examples + "/example.unv"));
  const auto r =
      runBinary(dir.file("out/example"), readFile(examples + "/answers.txt"));
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.substr(r.out.size() - 8), " Done.\r\n");
  // Two bricks written, the skin quadrilateral and the beam dropped.
  EXPECT_EQ(readFile("out/example/example.cnc"),
            "         1  6  8           1         2         5         4"
            "         7         8        11        10\r\n"
            "         2  6  8           2         3         6         5"
            "         8         9        12        11\r\n");
  EXPECT_EQ(readFile("out/example/Element_Renumbering_Map.dat"),
            "  Original       New\r\n"
            "         4         2\r\n");
  EXPECT_EQ(readFile("out/example/example.xyz").size(), 12u * 64u);
  EXPECT_EQ(readFile("out/example/example.inp"),
            "GRID THREeD  UNSTructured; # of ELEMents       2\r\n"
            "! # of vertices =       12\r\n"
            "CONNectivity HYBRid in file <cncFileName>\r\n"
            "COOR X Y Z VERTices in file <xyzFileName>\r\n"
            "!original element numbers were offset by       10\r\n"
            "!original node numbers were offset by      100\r\n"
            "LOCATE VERTEX ID=INLET     ! # of vertices =          4\r\n"
            "          1          4          7         10\r\n"
            "LOCATE VERTEX ID=OUTLET_F  ! # of vertices =          4\r\n"
            "          3          6          9         12\r\n"
            "LOCATE VERTEX ID=TOP_EDGE  ! # of vertices =          3\r\n"
            "         10         11         12\r\n"
            "LOCATE VERTEX ID=ALL_NODE  ! # of vertices =         12\r\n"
            "          1          2          3          4          5"
            "          6          7          8\r\n"
            "          9         10         11         12\r\n");
}

}  // namespace
}  // namespace unv2tessal
