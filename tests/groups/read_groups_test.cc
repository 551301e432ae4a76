#include "groups/read_groups.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "groups/grid_header.h"
#include "io/failure.h"
#include "support/test_io.h"
#include "support/unv_text.h"
#include "unv/run_state.h"

namespace unv2tessal {
namespace {

using support::ByName;
using support::dataset;
using support::head;
using support::inputFailureReport;
using support::kBanner;
using support::openingLine;
using support::readFile;
using support::runInProcess;
using support::ScratchDir;
using support::ScriptedConsole;
using support::writeFile;

constexpr std::string_view kAskName =
    " Enter GRID commands' filename for output (*.inp) [default: "
    "grid.inp]:\r\n";
// The header with both counts and both offsets 0.
constexpr std::string_view kZeroHeader =
    "GRID THREeD  UNSTructured; # of ELEMents       0\r\n"
    "! # of vertices =        0\r\n"
    "CONNectivity HYBRid in file <cncFileName>\r\n"
    "COOR X Y Z VERTices in file <xyzFileName>\r\n";

// One group as an exporter writes it: the group record (count in field 8),
// the name record, and the entities (type, tag) two to a record.
std::string group(int number, std::string_view name,
                  const std::vector<std::pair<int, long long>>& entities) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%10d%10d%10d%10d%10d%10d%10d%10zu\n", number,
                0, 0, 0, 0, 0, 0, entities.size());
  std::string s = buf;
  s += name;
  s += '\n';
  for (std::size_t k = 0; k < entities.size(); ++k) {
    std::snprintf(buf, sizeof buf, "%10d%10lld%10d%10d", entities[k].first,
                  entities[k].second, 0, 0);
    s += buf;
    if (k % 2 == 1 || k + 1 == entities.size()) s += '\n';
  }
  return s;
}

std::vector<std::pair<int, long long>> nodes(long long from, long long to) {
  std::vector<std::pair<int, long long>> v;
  for (long long t = from; t <= to; ++t) v.emplace_back(7, t);
  return v;
}

// A run whose shared records the test sets, for calling one converter.
struct DirectRun {
  explicit DirectRun(std::vector<std::string> replies)
      : io(std::move(replies)), run(io, {}) {
    run.state.CHANNELS = Channels{10, 21, 22, 23, true, 24};
  }
  ScratchDir dir;
  ScriptedConsole io;
  Run run;
};

// ---------------------------------------------------------------------------
// Header.

struct HeaderCase {
  const char* name;
  const char* reply;
  const char* file;
  bool is2D;
  Offsets offsets;
  std::string header;
  const char* gridLine;  // console
};
void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

class GridHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(GridHeader, RecordsComeFromTheSharedCountsAndOffsets) {
  const HeaderCase& c = GetParam();
  DirectRun d({c.reply});
  d.run.state.DIM.is2D = c.is2D;
  d.run.state.OFFSETS = c.offsets;
  writeGridHeader(d.run);
  d.run.units.closeUnit(23);
  EXPECT_EQ(readFile(c.file), c.header);
  EXPECT_EQ(d.io.out, std::string(kAskName) + " Processing ...\r\n" +
                          c.gridLine + "\r\n");
  EXPECT_EQ(d.io.err, "");
  EXPECT_EQ(d.run.state.FILENAMES.inpFileName, Text64::of(c.file));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GridHeader,
    ::testing::Values(
        HeaderCase{"twoD1234",
                   "",
                   "GRID.INP",
                   true,
                   {0, 0, 1234, 1500},
                   "GRID UNSTructured; # of ELEMents     1234\r\n"
                   "! # of vertices =     1500\r\n"
                   "CONNectivity HYBRid in file <cncFileName>\r\n"
                   "COOR X Y Z VERTices in file <xyzFileName>\r\n",
                   " Grid is 2D."},
        HeaderCase{"threeD56",
                   "   ",
                   "GRID.INP",
                   false,
                   {0, 0, 56, 0},
                   "GRID THREeD  UNSTructured; # of ELEMents      56\r\n"
                   "! # of vertices =        0\r\n"
                   "CONNectivity HYBRid in file <cncFileName>\r\n"
                   "COOR X Y Z VERTices in file <xyzFileName>\r\n",
                   " Grid is 3D."},
        HeaderCase{"threeDEightDigits",
                   "mesh.inp",
                   "mesh.inp",
                   false,
                   {0, 0, 12345678, 87654321},
                   "GRID THREeD  UNSTructured; # of ELEMents12345678\r\n"
                   "! # of vertices = 87654321\r\n"
                   "CONNectivity HYBRid in file <cncFileName>\r\n"
                   "COOR X Y Z VERTices in file <xyzFileName>\r\n",
                   " Grid is 3D."},
        HeaderCase{"bothOffsets",
                   "",
                   "GRID.INP",
                   false,
                   {-1, 99, 5, 6},
                   "GRID THREeD  UNSTructured; # of ELEMents       5\r\n"
                   "! # of vertices =        6\r\n"
                   "CONNectivity HYBRid in file <cncFileName>\r\n"
                   "COOR X Y Z VERTices in file <xyzFileName>\r\n"
                   "!original element numbers were offset by       99\r\n"
                   "!original node numbers were offset by       -1\r\n",
                   " Grid is 3D."},
        HeaderCase{"elementOffsetOnly",
                   "",
                   "GRID.INP",
                   true,
                   {0, 1000, 2, 3},
                   "GRID UNSTructured; # of ELEMents        2\r\n"
                   "! # of vertices =        3\r\n"
                   "CONNectivity HYBRid in file <cncFileName>\r\n"
                   "COOR X Y Z VERTices in file <xyzFileName>\r\n"
                   "!original element numbers were offset by     1000\r\n",
                   " Grid is 2D."},
        HeaderCase{"nodeOffsetOnly",
                   "",
                   "GRID.INP",
                   true,
                   {3991, 0, 2, 3},
                   "GRID UNSTructured; # of ELEMents        2\r\n"
                   "! # of vertices =        3\r\n"
                   "CONNectivity HYBRid in file <cncFileName>\r\n"
                   "COOR X Y Z VERTices in file <xyzFileName>\r\n"
                   "!original node numbers were offset by     3991\r\n",
                   " Grid is 2D."}),
    ByName());

TEST(GridHeader, CountTooWideIsWrittenAsAsterisksAndTheRunGoesOn) {
  DirectRun d({""});
  d.run.state.OFFSETS = {-10000000, 0, 100000000, 7};
  writeGridHeader(d.run);
  d.run.units.closeUnit(23);
  EXPECT_EQ(readFile("GRID.INP"),
            "GRID THREeD  UNSTructured; # of ELEMents********\r\n"
            "! # of vertices =        7\r\n"
            "CONNectivity HYBRid in file <cncFileName>\r\n"
            "COOR X Y Z VERTices in file <xyzFileName>\r\n"
            "!original node numbers were offset by ********\r\n");
  const std::string report =
      "forrtl: error (63): output conversion error, unit 23, file " +
      d.dir.file("GRID.INP") + "\r\n";
  EXPECT_EQ(d.io.err, report + report);
}

// ---------------------------------------------------------------------------
// Groups.

struct GroupCase {
  const char* name;
  std::int32_t nodeOffset;
  std::string body;     // the dataset's groups, without the delimiter
  std::string regions;  // the grid command file after its header
  std::vector<const char*> completed;  // region IDs on the console
};
void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

class Groups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(Groups, EachGroupBecomesARegionCommandWithItsVertexLines) {
  const GroupCase& c = GetParam();
  DirectRun d({"g.inp"});
  writeFile("in.unv", c.body + "    -1\nnext line\n");
  d.run.units.openUnit(10, "in.unv");
  d.run.state.OFFSETS.nodeOffset = c.nodeOffset;
  READ_GROUPS(d.run);
  EXPECT_FALSE(d.run.units.isOpen(23));
  // The input is left just after the closing delimiter.
  std::string_view next;
  ASSERT_TRUE(d.run.units.readLine(10, true, &next));
  EXPECT_EQ(next, "next line");
  d.run.units.closeAll();

  std::string header(kZeroHeader);
  if (c.nodeOffset == 100) {
    header += "!original node numbers were offset by      100\r\n";
  }
  EXPECT_EQ(readFile("g.inp"), header + c.regions);
  std::string console =
      std::string(kAskName) + " Processing ...\r\n" + " Grid is 3D.\r\n";
  for (const char* id : c.completed) {
    console += std::string(" Region Completed:") + id + "\r\n";
  }
  EXPECT_EQ(d.io.out, console);
  EXPECT_EQ(d.io.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Groups,
    ::testing::Values(
        GroupCase{"noEntity",
                  0,
                  group(1, "EMPTY", {}),
                  "LOCATE VERTEX ID=EMPTY     ! # of vertices =          0\r\n",
                  {"EMPTY   "}},
        // An entity record is read on its first 80 columns only.
        GroupCase{"entityRecordPast80Columns",
                  0,
                  "         1         0         0         0         0"
                  "         0         0         2\nLONG\n"
                  "         7         5         0         0         7"
                  "         6         0         0        99 not read\n",
                  "LOCATE VERTEX ID=LONG      ! # of vertices =          2\r\n"
                  "          5          6\r\n",
                  {"LONG    "}},
        // The one-entity record is read for columns 1-40 only.
        GroupCase{"oneEntity",
                  0,
                  "         1         0         0         0         0"
                  "         0         0         1\nONE\n"
                  "         7         7         0         0  not read\n",
                  "LOCATE VERTEX ID=ONE       ! # of vertices =          1\r\n"
                  "          7\r\n",
                  {"ONE     "}},
        GroupCase{"inletWithOffset100",
                  100,
                  group(1, "INLET", {{7, 101}, {7, 102}, {7, 103}}),
                  "LOCATE VERTEX ID=INLET     ! # of vertices =          3\r\n"
                  "          1          2          3\r\n",
                  {"INLET   "}},
        GroupCase{"eleven",
                  0,
                  group(2, "ELEVEN", nodes(1, 11)),
                  "LOCATE VERTEX ID=ELEVEN    ! # of vertices =         11\r\n"
                  "          1          2          3          4          5"
                  "          6          7          8\r\n"
                  "          9         10         11\r\n",
                  {"ELEVEN  "}},
        GroupCase{"sixteen",
                  0,
                  group(3, "SIXTEEN", nodes(101, 116)),
                  "LOCATE VERTEX ID=SIXTEEN   ! # of vertices =         16\r\n"
                  "        101        102        103        104        105"
                  "        106        107        108\r\n"
                  "        109        110        111        112        113"
                  "        114        115        116\r\n",
                  {"SIXTEEN "}},
        GroupCase{"longAndBlankLedNames",
                  0,
                  group(1, "OUTLET_PATCH_NUMBER_TWO_AND_MORE", {{7, 5}}) +
                      group(2, "  WALL", {{7, 6}, {7, 8}}),
                  "LOCATE VERTEX ID=OUTLET_P  ! # of vertices =          1\r\n"
                  "          5\r\n"
                  "LOCATE VERTEX ID=  WALL    ! # of vertices =          2\r\n"
                  "          6          8\r\n",
                  {"OUTLET_P", "  WALL  "}},
        GroupCase{"blankName",
                  0,
                  group(1, "", {{7, 5}, {7, 6}}),
                  "LOCATE VERTEX ID=          ! # of vertices =          2\r\n"
                  "          5          6\r\n",
                  {"        "}},
        // Element entities (type 8) are listed like nodes, shifted alike.
        GroupCase{"elementEntities",
                  100,
                  group(1, "SOLID", {{8, 150}, {7, 101}, {8, 99}}),
                  "LOCATE VERTEX ID=SOLID     ! # of vertices =          3\r\n"
                  "         50          1         -1\r\n",
                  {"SOLID   "}},
        // "    -10" is not the delimiter: it is the next group record, of
        // group -10 with no entity.
        GroupCase{"minusTenIsAGroupRecord",
                  0,
                  group(1, "FIRST", {{7, 1}}) + "    -10\nAFTER\n",
                  "LOCATE VERTEX ID=FIRST     ! # of vertices =          1\r\n"
                  "          1\r\n"
                  "LOCATE VERTEX ID=AFTER     ! # of vertices =          0\r\n",
                  {"FIRST   ", "AFTER   "}},
        // The record count is the whole part of half the count, plus 1
        // when it is odd: -1 reads one record, -3 and -2 none.
        GroupCase{"negativeCounts",
                  0,
                  "         1         0         0         0         0"
                  "         0         0        -1\nMINUS1\n"
                  "         7         9         0         0\n"
                  "         2         0         0         0         0"
                  "         0         0        -3\nMINUS3\n"
                  "         3         0         0         0         0"
                  "         0         0        -2\nMINUS2\n",
                  "LOCATE VERTEX ID=MINUS1    ! # of vertices =         -1\r\n"
                  "          9\r\n"
                  "LOCATE VERTEX ID=MINUS3    ! # of vertices =         -3\r\n"
                  "LOCATE VERTEX ID=MINUS2    ! # of vertices =         -2\r\n",
                  {"MINUS1  ", "MINUS3  ", "MINUS2  "}},
        GroupCase{"twoGroups",
                  0,
                  group(1, "A", nodes(1, 9)) + group(2, "B", nodes(20, 21)),
                  "LOCATE VERTEX ID=A         ! # of vertices =          9\r\n"
                  "          1          2          3          4          5"
                  "          6          7          8\r\n"
                  "          9\r\n"
                  "LOCATE VERTEX ID=B         ! # of vertices =          2\r\n"
                  "         20         21\r\n",
                  {"A       ", "B       "}}),
    ByName());

TEST(Groups, RegionCommandIsFiftyFiveColumns) {
  DirectRun d({""});
  writeFile("in.unv", group(1, "ABCDEFGHIJKL", {}) + "    -1\n");
  d.run.units.openUnit(10, "in.unv");
  READ_GROUPS(d.run);
  d.run.units.closeAll();
  const std::string file = readFile("GRID.INP");
  const std::string last = file.substr(kZeroHeader.size());
  EXPECT_EQ(last,
            "LOCATE VERTEX ID=ABCDEFGH  ! # of vertices =          0\r\n");
  EXPECT_EQ(last.size(), 55u + 2u);
}

// ---------------------------------------------------------------------------
// Whole runs.

std::string groupDataset(std::string_view body) {
  return dataset("  2435", body);
}

TEST(ReadGroups, DatasetBeforeNodesReportsZerosAndThreeD) {
  ScratchDir dir;
  writeFile("in.unv",
            groupDataset(group(1, "EARLY", {{7, 101}})) +
                "    -1\n  2411\n       101         1         1        11\n\n"
                "    -1\n");
  const auto r = runInProcess({"in.unv", "", "", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("GRID.INP"),
            std::string(kZeroHeader) +
                "LOCATE VERTEX ID=EARLY     ! # of vertices =          1\r\n"
                "        101\r\n");
  EXPECT_EQ(
      r.out,
      head() + std::string(kAskName) +
          " Processing ...\r\n"
          " Grid is 3D.\r\n"
          " Region Completed:EARLY   \r\n"
          " Enter vertex filename for output (*.xyz) [default: out.xyz]:\r\n"
          " It has been detected that the vertex numbers are not starting "
          "with 1. This may \r\n"
          " result in unnecessary waste of RAM at TESSAL runtime. Do you "
          "want to renumber t\r\n"
          " o save resources? [Y/N] (Default: Y)\r\n"
          " Processing with Renumbering...\r\n"
          " Total number of nodes =            1\r\n"
          " nodeoffset is         100\r\n"
          " FINISHED READING NODES\r\n"
          " Done.\r\n");
}

TEST(ReadGroups, HeaderTakesTheCountsOfTheLastNodeAndElementDatasets) {
  ScratchDir dir;
  const std::string node = "         1         1         1        11\n\n";
  const std::string node2 = "         2         1         1        11\n\n";
  const std::string node3 = "         3         1         1        11\n\n";
  const std::string tri =
      "         1        91         1         1         7         3\n"
      "         1         2         3\n";
  writeFile("in.unv", "    -1\n  2411\n" + node + node2 + node3 + "    -1\n" +
                          "    -1\n  2411\n" + node + node2 + "    -1\n" +
                          "    -1\n  2412\n" + tri + tri + tri + "    -1\n" +
                          "    -1\n  2412\n" + tri + "    -1\n" +
                          groupDataset(""));
  const auto r = runInProcess({"in.unv", "", "", "2", "", "2", "", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("GRID.INP"),
            "GRID UNSTructured; # of ELEMents        1\r\n"
            "! # of vertices =        2\r\n"
            "CONNectivity HYBRid in file <cncFileName>\r\n"
            "COOR X Y Z VERTices in file <xyzFileName>\r\n");
}

TEST(ReadGroups, SecondDatasetOfTheSameNameReplacesTheFirst) {
  ScratchDir dir;
  writeFile("in.unv", groupDataset(group(1, "FIRST", nodes(1, 20)) +
                                   group(2, "SECOND", nodes(1, 3))) +
                          groupDataset(group(3, "THIRD", {{7, 4}})));
  const auto r = runInProcess({"in.unv", "same.inp", "same.inp"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("same.inp"),
            std::string(kZeroHeader) +
                "LOCATE VERTEX ID=THIRD     ! # of vertices =          1\r\n"
                "          4\r\n");
  const std::string groupsDialogue =
      std::string(kAskName) + " Processing ...\r\n Grid is 3D.\r\n";
  EXPECT_EQ(r.out, head() + groupsDialogue + " Region Completed:FIRST   \r\n" +
                       " Region Completed:SECOND  \r\n" + groupsDialogue +
                       " Region Completed:THIRD   \r\n Done.\r\n");
}

TEST(ReadGroups, EmptyDatasetWritesTheHeaderAndTheScanGoesOn) {
  ScratchDir dir;
  writeFile("in.unv",
            "    -1\n  2435\n    -1\n" + groupDataset(group(1, "G", {{7, 2}})));
  const auto r = runInProcess({"in.unv", "empty.inp", "full.inp"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("empty.inp"), kZeroHeader);
  EXPECT_EQ(readFile("full.inp"),
            std::string(kZeroHeader) +
                "LOCATE VERTEX ID=G         ! # of vertices =          1\r\n"
                "          2\r\n");
  const std::string groupsDialogue =
      std::string(kAskName) + " Processing ...\r\n Grid is 3D.\r\n";
  EXPECT_EQ(r.out, head() + groupsDialogue + groupsDialogue +
                       " Region Completed:G       \r\n Done.\r\n");
}

struct GroupFailureCase {
  const char* name;
  std::string unv;
  std::vector<std::string> replies;
  int report;
  std::string kept;  // the grid command file after its header
};
void PrintTo(const GroupFailureCase& c, std::ostream* os) { *os << c.name; }

class GroupFailure : public ::testing::TestWithParam<GroupFailureCase> {};

TEST_P(GroupFailure, EndsTheRunWithItsReportAndKeepsWhatWasWritten) {
  const GroupFailureCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", c.unv);
  const auto r = runInProcess(c.replies);
  EXPECT_EQ(r.status, exitStatusFor(c.report));
  const std::string input = dir.file("in.unv");
  EXPECT_EQ(r.err, inputFailureReport(c.report, input));
  const std::string file = readFile("GRID.INP");
  ASSERT_GE(file.size(), kZeroHeader.size());
  EXPECT_EQ(file.substr(file.size() - c.kept.size()), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, GroupFailure,
    ::testing::Values(
        GroupFailureCase{
            "eofBeforeName",
            "    -1\n  2435\n" + group(1, "A", {{7, 1}}) +
                "         2         0         0         0"
                "         0         0         0         3\n",
            {"in.unv", ""},
            24,
            "LOCATE VERTEX ID=A         ! # of vertices =          1"
            "\r\n          1\r\n"},
        GroupFailureCase{
            "eofInEntities",
            "    -1\n  2435\n" +
                group(1, "A", nodes(1, 9)).substr(0, 81 + 2 + 81 * 4),
            {"in.unv", ""},
            24,
            "LOCATE VERTEX ID=A         ! # of vertices =          9"
            "\r\n          1          2          3          4"
            "          5          6          7          8\r\n"},
        GroupFailureCase{"eofAfterNumber",
                         "    -1\n  2435\n",
                         {"in.unv", ""},
                         24,
                         std::string(kZeroHeader)},
        GroupFailureCase{
            "badTag",
            groupDataset(group(1, "A", {{7, 1}}) +
                         "         2         0         0         0"
                         "         0         0         0         2\n"
                         "B\n         7        1.         0         0"
                         "         7         2         0         0\n"),
            {"in.unv", ""},
            64,
            "LOCATE VERTEX ID=B         ! # of vertices =          2"
            "\r\n"},
        // Offset -9999999 from the first node; tag 2147483647 minus it
        // leaves the 32-bit range.
        GroupFailureCase{
            "tagMinusOffset",
            "    -1\n  2411\n  -9999998         1         1        11"
            "\n\n    -1\n" +
                groupDataset(group(1, "BIG", {{7, 2147483647}})),
            {"in.unv", "", "", ""},
            165,
            "!original node numbers were offset by -9999999\r\n"
            "LOCATE VERTEX ID=BIG       ! # of vertices =          "
            "1\r\n"}),
    ByName());

}  // namespace
}  // namespace unv2tessal
