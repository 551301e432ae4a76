#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "check/file_check.h"
#include "check/unvcheck.h"
#include "prep/prep.h"
#include "support/test_io.h"
#include "support/unv_text.h"

namespace unv2tessal {
namespace {

using support::fileExists;
using support::readFile;
using support::ScratchDir;

std::int64_t lineCount(const std::string& path) {
  if (!fileExists(path)) return -1;
  const std::string text = readFile(path);
  std::int64_t n = 0;
  for (char c : text) n += c == '\n' ? 1 : 0;
  return n;
}

std::int64_t regionCount(const std::string& path) {
  if (!fileExists(path)) return -1;
  const std::string text = readFile(path);
  std::int64_t n = 0;
  for (std::size_t at = text.find("LOCATE VERTEX ID="); at != std::string::npos;
       at = text.find("LOCATE VERTEX ID=", at + 1)) {
    ++n;
  }
  return n;
}

// What the report predicts for a grid dimension is what a conversion in
// that dimension writes: vertex lines, connectivity lines, map lines below
// the header and region commands (-1 for a file not written).
TEST(UnvcheckAgreement, VerdictMatchesAConversionInEachDimension) {
  std::vector<std::string> paths;
  for (const char* name :
       {"clean", "plane_stress", "other_groups", "regions", "beams",
        "early_groups", "group_counts", "no_opening", "higher_order"}) {
    paths.push_back(support::testDataDir() + "/check/" + name + ".unv");
  }
  // gmsh's higher-order meshes, but for the one with empty lines between
  // its elements, which the converter does not read.
  for (const char* name : {"gmsh_brick27", "gmsh_plate_quad9_tri6",
                           "gmsh_wedge18", "gmsh_tet20"}) {
    paths.push_back(support::testDataDir() + "/higher_order/" + name + ".unv");
  }
  if (!support::samplesDir().empty()) {
    for (const auto& e :
         std::filesystem::directory_iterator(support::samplesDir())) {
      if (e.path().extension() == ".unv") paths.push_back(e.path().string());
    }
  }
  for (const std::string& path : paths) {
    const std::string name = std::filesystem::path(path).filename().string();
    const CheckReport report = checkFile(path);
    ASSERT_FALSE(report.failure) << name;
    for (const bool is2D : {true, false}) {
      SCOPED_TRACE(name + (is2D ? " 2D" : " 3D"));
      ScratchDir dir;
      // A blank reply too many goes to the dimension question, which asks
      // again; the dimension follows.
      const std::vector<std::string> replies{support::linkHere(path),
                                             "",
                                             "",
                                             is2D ? "2" : "3",
                                             "",
                                             "",
                                             "",
                                             "",
                                             ""};
      ASSERT_EQ(support::runInProcess(replies).status, 0u);
      const Verdict& v = is2D ? report.verdict2D : report.verdict3D;
      const GridFacts& g =
          is2D ? report.elements.grid2D : report.elements.grid3D;
      EXPECT_EQ(lineCount("OUT.XYZ"), v.vertexFile ? v.vertices : -1);
      EXPECT_EQ(lineCount("OUT.CNC"), v.connectivityFile ? v.elements : -1);
      EXPECT_EQ(lineCount("Element_Renumbering_Map.dat"),
                v.connectivityFile ? g.mapLines + 1 : -1);
      EXPECT_EQ(regionCount("GRID.INP"), v.gridFile ? v.regions : -1);
    }
  }
}

// unvcheck and unvprep tell a file that they cannot read alike: status 2
// and one line on the error stream. A file without any dataset in the same
// words at the same line; a file cut short at its last line.
TEST(UnvcheckAgreement, FilesThatCannotBeReadAgreeWithUnvprep) {
  using support::dataset;
  using support::node;
  std::string nodes;
  for (int k = 1; k <= 8; ++k) nodes += node(k);
  // 19 lines of nodes, then an element dataset of 12 elements without its
  // closing delimiter: 2 + 24 lines, 45 in all.
  std::string cut = dataset("  2411", nodes) + "    -1\n  2412\n";
  for (int k = 1; k <= 12; ++k) cut += support::tet(k);
  struct Row {
    const char* name;
    std::string text;
    std::string line;  // after "PROGRAM: in.unv"
  };
  const std::string notUniversal =
      ": no dataset (a delimiter line \"    -1\" and a dataset number): not "
      "a universal file\n";
  const Row rows[] = {
      {"empty", "", ": the file is empty\n"},
      {"binary",
       std::string("\x7f"
                   "ELF\0\1\n\0\xff\n",
                   10) +
           "x",
       ":3" + notUniversal},
      {"delimiter only", "    -1\n    -1\n", ":2" + notUniversal},
      {"cut in a dataset", cut, ":45: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchDir dir;
    support::writeFile("in.unv", row.text);
    std::string out, check, prep;
    EXPECT_EQ(runUnvcheck({"in.unv"}, &out, &check), 2);
    EXPECT_EQ(runUnvprep({"in.unv", "out.unv"}, &out, &prep), 2);
    EXPECT_EQ(check.rfind("unvcheck: in.unv" + row.line, 0), 0u) << check;
    EXPECT_EQ(prep.rfind("unvprep: in.unv" + row.line, 0), 0u) << prep;
    EXPECT_EQ(std::count(check.begin(), check.end(), '\n'), 1);
  }
}

}  // namespace
}  // namespace unv2tessal
