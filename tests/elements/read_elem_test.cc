#include "elements/read_elem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_io.h"
#include "support/unv_text.h"

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
using support::tetLine;
using support::totalLine;
using support::writeFile;

constexpr std::string_view kAskDimension =
    " Enter grid dimension (2 for 2D OR 3 for 3D)\r\n";
constexpr std::string_view kAskName =
    " Enter connectivity filename for output (*.cnc) [default: out.cnc]:\r\n";
constexpr std::string_view kProcessing = " Processing ...\r\n";
constexpr std::string_view kMapHeader = "  Original       New\r\n";
constexpr std::string_view kDone = " Done.\r\n";

// The console from the dimension question to "FINISHED READING ELEMENTS",
// for a first valid reply.
std::string dialogue(long long count, bool gaps, long long offset) {
  return std::string(kAskDimension) + std::string(kAskName) +
         std::string(kProcessing) +
         " New Renumbering Map is at file Element_Renumbering_Map.dat .\r\n" +
         totalLine("Total number of elements = ", count) +
         (gaps ? " Elements in connectivity file are renumbered to eliminate "
                 "gaps\r\n"
               : "") +
         totalLine("Element offset in connectivity file is", offset) +
         " FINISHED READING ELEMENTS\r\n";
}

bool isBeam(int feId) {
  return feId == 11 || (feId >= 21 && feId <= 24) || feId == 31 || feId == 32;
}

// One element as the exporters write it: the descriptor record (label, FE id,
// property tables, colour, node count), an orientation record for beams, and
// the node labels eight to a record. `count` replaces the node-count field.
struct El {
  long long label;
  int feId;
  std::vector<long long> nodes;
  const char* count = nullptr;
};

std::string element(const El& e) {
  char buf[128];
  char count[16];
  std::snprintf(count, sizeof count, "%10zu", e.nodes.size());
  std::snprintf(buf, sizeof buf, "%10lld%10d%10d%10d%10d%s\n", e.label, e.feId,
                1, 1, 7, e.count != nullptr ? e.count : count);
  std::string s = buf;
  if (isBeam(e.feId)) s += "         0         1         1\n";
  for (std::size_t k = 0; k < e.nodes.size(); ++k) {
    std::snprintf(buf, sizeof buf, "%10lld", e.nodes[k]);
    s += buf;
    if (k % 8 == 7 || k + 1 == e.nodes.size()) s += '\n';
  }
  return s;
}

std::string elementDataset(const std::vector<El>& els) {
  std::string body;
  for (const El& e : els) body += element(e);
  return dataset("  2412", body);
}

std::string mapLines(const std::vector<std::pair<int, int>>& pairs) {
  std::string s(kMapHeader);
  char buf[32];
  for (auto [label, number] : pairs) {
    std::snprintf(buf, sizeof buf, "%10d%10d\r\n", label, number);
    s += buf;
  }
  return s;
}

El tet(long long label) { return {label, 111, {1, 2, 3, 4}}; }
El tri(long long label) { return {label, 91, {1, 2, 3}}; }

// ---------------------------------------------------------------------------
// Grid dimension question.

struct DimensionCase {
  const char* name;
  std::vector<std::string> replies;  // the last one is valid
  bool is2D;
};
void PrintTo(const DimensionCase& c, std::ostream* os) { *os << c.name; }

class DimensionReply : public ::testing::TestWithParam<DimensionCase> {};

TEST_P(DimensionReply, OnlyTwoOrThreeWithTrailingBlanksIsAccepted) {
  const DimensionCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", elementDataset({tri(1), tet(2)}));
  std::vector<std::string> replies{"in.unv"};
  replies.insert(replies.end(), c.replies.begin(), c.replies.end());
  replies.push_back("");
  const auto r = runInProcess(replies);
  EXPECT_EQ(r.status, 0u);
  std::string echoes;
  for (std::size_t k = 0; k + 1 < c.replies.size(); ++k) {
    std::string shown = c.replies[k].substr(0, 64);
    shown.resize(64, ' ');
    echoes += std::string(kAskDimension) + " " + shown + "\r\n" +
              "  NOT A VALID ENTRY.\r\n";
  }
  // Either the triangle (2D) or the tetrahedron (3D) is written as number 1;
  // the count 1 differs from the last shifted label 2 either way.
  EXPECT_EQ(r.out, head() + echoes + dialogue(1, true, 0) + std::string(kDone));
  EXPECT_EQ(
      readFile("OUT.CNC"),
      c.is2D
          ? "         1  1  3           1         2         3\r\n"
          : "         1  3  4           1         2         3         4\r\n");
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"),
            c.is2D ? mapLines({}) : mapLines({{2, 1}}));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DimensionReply,
    ::testing::Values(
        DimensionCase{"two", {"2"}, true},
        DimensionCase{"twoTrailingBlanks", {"2   "}, true},
        DimensionCase{"three", {"3"}, false},
        DimensionCase{"leadingBlank", {" 2", "2"}, true},
        DimensionCase{"twoD", {"2D", "3"}, false},
        DimensionCase{"leadingZero", {"02", "2"}, true},
        DimensionCase{"empty", {"", "3"}, false},
        DimensionCase{"severalThenTwo", {"x", "2.", "4", "2"}, true},
        DimensionCase{"longReplyCut", {std::string(70, '9'), "3"}, false}),
    ByName());

// ---------------------------------------------------------------------------
// Shape table.

struct ShapeCase {
  const char* name;
  const char* dimension;
  El element;
  const char* line;  // nullptr: dropped
  std::size_t columns = 0;
};
void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class ShapeTable : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTable, EachIdIsWrittenInItsOwnDimensionOnly) {
  const ShapeCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", elementDataset({c.element}));
  const auto r = runInProcess({"in.unv", c.dimension, "s.cnc"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  const bool written = c.line != nullptr;
  EXPECT_EQ(readFile("s.cnc"), written ? std::string(c.line) + "\r\n" : "");
  if (written) {
    EXPECT_EQ(std::string_view(c.line).size(), c.columns);
  }
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"), kMapHeader);
  EXPECT_EQ(r.out, head() + dialogue(written ? 1 : 0, !written, 0) +
                       std::string(kDone));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeTable,
    ::testing::Values(
        ShapeCase{"triangle2D",
                  "2",
                  {1, 91, {11, 12, 13}},
                  "         1  1  3          11        12        13",
                  48},
        ShapeCase{"quadrilateral2D",
                  "2",
                  {1, 94, {11, 12, 13, 14}},
                  "         1  2  4          11        12        13        14",
                  58},
        ShapeCase{"tetrahedron3D",
                  "3",
                  {1, 111, {11, 12, 13, 14}},
                  "         1  3  4          11        12        13        14",
                  58},
        ShapeCase{"wedge3D",
                  "3",
                  {1, 112, {11, 12, 13, 14, 15, 16}},
                  "         1  5  6          11        12        13        14"
                  "        15        16",
                  78},
        ShapeCase{"brick3D",
                  "3",
                  {1, 115, {11, 12, 13, 14, 15, 16, 17, 18}},
                  "         1  6  8          11        12        13        14"
                  "        15        16        17        18",
                  98},
        ShapeCase{"brickReversed",
                  "3",
                  {1, 115, {8, 7, 6, 5, 4, 3, 2, 1}},
                  "         1  6  8           8         7         6         5"
                  "         4         3         2         1",
                  98},
        ShapeCase{"triangle3D", "3", {1, 91, {11, 12, 13}}, nullptr},
        ShapeCase{"quadrilateral3D", "3", {1, 94, {11, 12, 13, 14}}, nullptr},
        ShapeCase{"tetrahedron2D", "2", {1, 111, {11, 12, 13, 14}}, nullptr},
        ShapeCase{"wedge2D", "2", {1, 112, {11, 12, 13, 14, 15, 16}}, nullptr},
        ShapeCase{"brick2D", "2", {1, 115, {1, 2, 3, 4, 5, 6, 7, 8}}, nullptr},
        ShapeCase{"planeStressTriangle2D", "2", {1, 41, {1, 2, 3}}, nullptr},
        ShapeCase{"planeStressQuad2D", "2", {1, 44, {1, 2, 3, 4}}, nullptr},
        ShapeCase{
            "parabolicTriangle2D", "2", {1, 92, {1, 2, 3, 4, 5, 6}}, nullptr}),
    ByName());

// Node labels shifted by the node offset (renumbering accepted). Only the
// element's own vertex fields are written: the unused fields of the node
// record, read as 0 and shifted too, would not fit 10 columns for an offset
// of 10 digits.
struct OffsetCase {
  const char* name;
  long long firstNode;
  const char* connectivity;
};
void PrintTo(const OffsetCase& c, std::ostream* os) { *os << c.name; }

class NodeOffset : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(NodeOffset, VertexNumbersAreShiftedByTheNodeOffset) {
  const OffsetCase& c = GetParam();
  ScratchDir dir;
  std::string nodes = "    -1\n  2411\n";
  for (long long label = c.firstNode; label < c.firstNode + 3; ++label) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%10lld%10d%10d%10d\n%25s%25s%25s\n", label,
                  1, 1, 11, "0.0", "0.0", "0.0");
    nodes += buf;
  }
  nodes += "    -1\n";
  const long long n = c.firstNode;
  writeFile("in.unv", nodes + elementDataset({{1, 91, {n, n + 1, n + 2}},
                                              {2, 91, {n + 2, n + 1, n}}}));
  const auto r = runInProcess({"in.unv", "", "", "2", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile("OUT.CNC"), c.connectivity);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, NodeOffset,
    ::testing::Values(
        OffsetCase{"offset100", 101,
                   "         1  1  3           1         2         3\r\n"
                   "         2  1  3           3         2         1\r\n"},
        OffsetCase{"tenDigitLabels", 1000000001,
                   "         1  1  3           1         2         3\r\n"
                   "         2  1  3           3         2         1\r\n"}),
    ByName());

// ---------------------------------------------------------------------------
// Element numbering and the renumbering map.

struct NumberingCase {
  const char* name;
  std::vector<El> elements;  // 3D: tetrahedra written, triangles dropped
  std::string connectivity;
  std::vector<std::pair<int, int>> map;
  long long count;
  bool gaps;
  long long offset;
};
void PrintTo(const NumberingCase& c, std::ostream* os) { *os << c.name; }

class Numbering : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(Numbering, ElementsAreNumberedWithoutGapsAndListedInTheMap) {
  const NumberingCase& c = GetParam();
  ScratchDir dir;
  // An earlier run's files must not survive as this run's output.
  writeFile("OUT.CNC", "old connectivity\r\n");
  writeFile("Element_Renumbering_Map.dat", "old map\r\nold map\r\n");
  writeFile("in.unv", elementDataset(c.elements));
  const auto r = runInProcess({"in.unv", "3", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile("OUT.CNC"), c.connectivity);
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"), mapLines(c.map));
  EXPECT_EQ(r.out,
            head() + dialogue(c.count, c.gaps, c.offset) + std::string(kDone));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, Numbering,
    ::testing::Values(
        NumberingCase{"oneToFour",
                      {tet(1), tet(2), tet(3), tet(4)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4) +
                          tetLine(3, 1, 2, 3, 4) + tetLine(4, 1, 2, 3, 4),
                      {},
                      4,
                      false,
                      0},
        NumberingCase{"fromThousandOne",
                      {tet(1001), tet(1002), tet(1003)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4) +
                          tetLine(3, 1, 2, 3, 4),
                      {},
                      3,
                      false,
                      1000},
        NumberingCase{"gapAfterTwo",
                      {tet(1), tet(2), tet(5), tet(6)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4) +
                          tetLine(3, 1, 2, 3, 4) + tetLine(4, 1, 2, 3, 4),
                      {{5, 3}, {6, 4}},
                      4,
                      true,
                      0},
        NumberingCase{"offsetTenShowsShiftedLabel",
                      {tet(11), tet(12), tet(15)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4) +
                          tetLine(3, 1, 2, 3, 4),
                      {{5, 3}},
                      3,
                      true,
                      10},
        NumberingCase{"secondDropped",
                      {tet(1), tri(2), tet(3), tet(4)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4) +
                          tetLine(3, 1, 2, 3, 4),
                      {{3, 2}, {4, 3}},
                      3,
                      true,
                      0},
        NumberingCase{"lastDropped",
                      {tet(1), tet(2), tri(3)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4),
                      {},
                      2,
                      true,
                      0},
        NumberingCase{"outOfOrder",
                      {tet(1), tet(3), tet(2), tet(4)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4) +
                          tetLine(3, 1, 2, 3, 4) + tetLine(4, 1, 2, 3, 4),
                      {{3, 2}, {2, 3}},
                      4,
                      false,
                      0},
        NumberingCase{"firstLabelZero",
                      {tet(0), tet(1)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4),
                      {},
                      2,
                      false,
                      -1},
        NumberingCase{"smallerThanFirst",
                      {tet(5), tet(3)},
                      tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4),
                      {{-1, 2}},
                      2,
                      true,
                      4},
        NumberingCase{"allDropped", {tri(1), tri(2)}, "", {}, 0, true, 0},
        NumberingCase{"allDroppedLastShiftedZero",
                      {tri(1), tri(0)},
                      "",
                      {},
                      0,
                      false,
                      0}),
    ByName());

TEST(ReadElem, LineThatIsNotTheDelimiterIsTheNextDescriptor) {
  ScratchDir dir;
  // Columns 1-7 "    -10" are not the delimiter: element -10, a tetrahedron.
  writeFile("in.unv", "    -1\n  2412\n" + element(tet(1)) +
                          "    -10       111         1         1         7"
                          "         4\n"
                          "         5         6         7         8\n    -1\n");
  const auto r = runInProcess({"in.unv", "3", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("OUT.CNC"),
            tetLine(1, 1, 2, 3, 4) + tetLine(2, 5, 6, 7, 8));
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"), mapLines({{-10, 2}}));
  EXPECT_EQ(r.out, head() + dialogue(2, true, 0) + std::string(kDone));
}

TEST(ReadElem, TwoDatasetsKeepTheOffsetAndTakeTheirOwnDimension) {
  ScratchDir dir;
  writeFile("in.unv", elementDataset({tri(11), tri(12), tet(13)}) +
                          elementDataset({tet(1), tri(2), tet(3)}));
  const auto r = runInProcess({"in.unv", "2", "m.cnc", "3", "m.cnc"});
  EXPECT_EQ(r.status, 0u);
  // The second dataset starts at 1, so the offset 10 stays: labels 1 and 3
  // shift to -9 and -7.
  EXPECT_EQ(readFile("m.cnc"), tetLine(1, 1, 2, 3, 4) + tetLine(2, 1, 2, 3, 4));
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"),
            mapLines({{-9, 1}, {-7, 2}}));
  EXPECT_EQ(r.out, head() + dialogue(2, true, 10) + dialogue(2, true, 10) +
                       std::string(kDone));
}

TEST(ReadElem, BeamsAndContinuationRecordsArePassedOver) {
  ScratchDir dir;
  std::vector<El> els{
      {1, 11, {1, 2}},    {2, 21, {1, 2}}, {3, 22, {1, 2, 3}}, {4, 23, {1, 2}},
      {5, 24, {1, 2, 3}}, {6, 31, {1, 2}}, {7, 32, {1, 2, 3}}, tet(8)};
  // Ten and twenty nodes: one and two continuation records.
  els.push_back({9, 118, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}});
  els.push_back({10, 116, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                           11, 12, 13, 14, 15, 16, 17, 18, 19, 20}});
  // A blank or malformed node count is 0, without a report.
  els.push_back({11, 111, {5, 6, 7, 8}, ""});
  els.push_back({12, 111, {5, 6, 7, 8}, "    x7    "});
  // A written kind of more than 8 nodes goes on in continuation records
  // too: a 20-node tetrahedron, written on its first four.
  els.push_back({13, 111, {5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                           15, 16, 17, 18, 19, 20, 21, 22, 23, 24}});
  els.push_back(tet(14));
  writeFile("in.unv", elementDataset(els) + elementDataset({tet(1)}));
  const auto r = runInProcess({"in.unv", "3", "", "3", "next.cnc"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile("OUT.CNC"),
            tetLine(1, 1, 2, 3, 4) + tetLine(2, 5, 6, 7, 8) +
                tetLine(3, 5, 6, 7, 8) + tetLine(4, 5, 6, 7, 8) +
                tetLine(5, 1, 2, 3, 4));
  EXPECT_EQ(readFile("next.cnc"), tetLine(1, 1, 2, 3, 4));
  EXPECT_EQ(r.out, head() + dialogue(5, true, 0) + dialogue(1, false, 0) +
                       std::string(kDone));
}

// Complete higher-order elements as gmsh writes them, under the written
// kinds' ids with their corners first: each is written on the labels of its
// first record, and the element after it is read where it starts.
TEST(ReadElem, HigherOrderElementsOfTheWrittenKindsAreWrittenOnTheirCorners) {
  struct Case {
    const char* dim;
    int feId;
    long long nodes;  // labelled first, first + 1, ...
    long long first;
    std::string line;  // its connectivity line, number 1
  } cases[] = {
      {"2", 94, 9, 11,
       "         1  2  4          11        12        13"
       "        14\r\n"},
      {"2", 94, 16, 21,
       "         1  2  4          21        22        23"
       "        24\r\n"},
      {"2", 91, 10, 31, "         1  1  3          31        32        33\r\n"},
      {"3", 111, 20, 41, tetLine(1, 41, 42, 43, 44)},
      {"3", 112, 18, 51,
       "         1  5  6          51        52        53"
       "        54        55        56\r\n"},
      {"3", 115, 27, 61,
       "         1  6  8          61        62        63"
       "        64        65        66        67        68\r\n"},
      {"3", 115, 64, 71,
       "         1  6  8          71        72        73"
       "        74        75        76        77        78\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.feId) + " with " + std::to_string(c.nodes) +
                 " nodes");
    El e{1, c.feId, {}};
    for (long long k = 0; k < c.nodes; ++k) e.nodes.push_back(c.first + k);
    ScratchDir dir;
    // A tetrahedron after it (dropped in 2D), then the closing delimiter.
    writeFile("in.unv", dataset("  2412", element(e) + element(tet(2))));
    const auto r = runInProcess({"in.unv", c.dim, ""});
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.err, "");
    const bool in3D = c.dim[0] == '3';
    EXPECT_EQ(readFile("OUT.CNC"), c.line + (in3D ? tetLine(2) : ""));
    // In 2D the dropped tetrahedron leaves a gap at the end.
    EXPECT_EQ(r.out,
              head() + dialogue(in3D ? 2 : 1, !in3D, 0) + std::string(kDone));
  }
}

TEST(ReadElem, EmptyDatasetWritesTheMapHeaderAndReportsZero) {
  ScratchDir dir;
  writeFile("OUT.CNC", "old connectivity\r\n");
  writeFile("in.unv", "    -1\n  2412\n    -1\n" + elementDataset({tet(1)}));
  const auto r = runInProcess({"in.unv", "3", "", "3", "b.cnc"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("OUT.CNC"), "");
  EXPECT_EQ(readFile("b.cnc"), tetLine(1, 1, 2, 3, 4));
  EXPECT_EQ(r.out, head() + dialogue(0, false, 0) + dialogue(1, false, 0) +
                       std::string(kDone));
}

TEST(ReadElem, VertexNumberTooWideIsWrittenAsAsterisksAndTheRunGoesOn) {
  ScratchDir dir;
  writeFile("in.unv",
            "    -1\n  2411\n         3         1         1        11\n"
            "\n    -1\n" +
                elementDataset({{1, 111, {3, -999999999, 4, 5}}, tet(2)}));
  const auto r = runInProcess({"in.unv", "", "", "3", "w.cnc"});
  EXPECT_EQ(r.status, 0u);
  // Offset 2: -999999999 becomes -1000000001, 11 columns.
  EXPECT_EQ(r.err,
            "forrtl: error (63): output conversion error, unit 22, file " +
                dir.file("w.cnc") + "\r\n");
  EXPECT_EQ(readFile("w.cnc"),
            "         1  3  4           1**********         2         3\r\n" +
                tetLine(2, -1, 0, 1, 2));
}

struct ElemFailureCase {
  const char* name;
  std::string unv;
  int report;
  std::string connectivity;  // what the connectivity file keeps
};
void PrintTo(const ElemFailureCase& c, std::ostream* os) { *os << c.name; }

class ElemFailure : public ::testing::TestWithParam<ElemFailureCase> {};

TEST_P(ElemFailure, EndsTheRunWithItsReportAndKeepsWhatWasWritten) {
  const ElemFailureCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", c.unv);
  const auto r = runInProcess({"in.unv", "3", ""});
  EXPECT_EQ(r.status, 0xC0000000u + static_cast<unsigned>(c.report));
  const std::string input = dir.file("in.unv");
  EXPECT_EQ(r.err, inputFailureReport(c.report, input));
  EXPECT_EQ(readFile("OUT.CNC"), c.connectivity);
  EXPECT_EQ(readFile("Element_Renumbering_Map.dat"), kMapHeader);
  EXPECT_EQ(r.out, head() + std::string(kAskDimension) + std::string(kAskName) +
                       std::string(kProcessing));
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ElemFailure,
    ::testing::Values(
        ElemFailureCase{"eofBeforeNodeRecord",
                        "    -1\n  2412\n" + element(tet(1)) +
                            "         2       111         1         1         7"
                            "         4\n",
                        24, tetLine(1, 1, 2, 3, 4)},
        ElemFailureCase{"eofInContinuation",
                        "    -1\n  2412\n" +
                            element({1, 118, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}})
                                .substr(0, 142),
                        24, ""},
        ElemFailureCase{"eofAtLookAhead", "    -1\n  2412\n" + element(tet(1)),
                        24, tetLine(1, 1, 2, 3, 4)},
        ElemFailureCase{"eofAfterNumber", "    -1\n  2412\n", 24, ""},
        ElemFailureCase{
            "badLabel",
            elementDataset({tet(1)}).substr(0, 14 + 60 + 1 + 40 + 1) +
                "       2.0       111\n         1\n    -1\n",
            64, tetLine(1, 1, 2, 3, 4)},
        ElemFailureCase{"badNodeLabel",
                        "    -1\n  2412\n         1       111\n         1    "
                        "     2         x         4\n    -1\n",
                        64, ""},
        // The first label sets the offset -1000000000; 2000000000 minus it
        // leaves the 32-bit range.
        ElemFailureCase{"shiftedLabel",
                        elementDataset({tet(-999999999), tet(2000000000)}), 165,
                        tetLine(1, 1, 2, 3, 4)}),
    ByName());

}  // namespace
}  // namespace unv2tessal
