// Every way a run can fail, run on the built executable: the exact report
// line on standard error, the exit status, and the records written before
// the failure still in their files.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_run.h"
#include "support/test_io.h"
#include "support/unv_text.h"

namespace unv2tessal {
namespace {

using support::ByName;
using support::dataset;
using support::descriptor;
using support::fileExists;
using support::kBanner;
using support::labels;
using support::node;
using support::openingLine;
using support::readFile;
using support::runBinary;
using support::runBinaryWithFileSizeLimit;
using support::RunResult;
using support::ScratchDir;
using support::tet;
using support::tetLine;
using support::vertex;
using support::writeFile;

constexpr std::string_view kDelimiter = "    -1\n";
constexpr std::string_view kMapName = "Element_Renumbering_Map.dat";
constexpr std::string_view kMapHeader = "  Original       New\r\n";

// ---- input records ------------------------------------------------------

std::string nodeLabel(long long label) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%10lld%10d%10d%10d\n", label, 1, 1, 11);
  return buf;
}

// Record 2 of a node at the origin.
std::string nodeCoordinates() {
  return "   0.0000000000000000D+00   0.0000000000000000D+00"
         "   0.0000000000000000D+00\n";
}

std::string groupRecord(long long entities) {
  return labels({1, 0, 0, 0, 0, 0, 0, entities});
}

std::string entities(long long tag1, long long tag2) {
  return labels({7, tag1, 0, 0, 7, tag2, 0, 0});
}

// Dataset start without its closing delimiter: the body is cut short.
std::string cut(std::string_view number, std::string_view body) {
  return std::string(kDelimiter) + std::string(number) + "\n" +
         std::string(body);
}

// Nodes 1-4, one tetrahedron: complete node and element datasets.
std::string nodes1to4() {
  return dataset("  2411", node(1) + node(2) + node(3) + node(4));
}
std::string oneTet() { return dataset("  2412", tet(1)); }

// ---- output records -----------------------------------------------------

std::string vertices1to4() {
  return vertex(1) + vertex(2) + vertex(3) + vertex(4);
}

constexpr std::string_view kGridHeader3D =
    "GRID THREeD  UNSTructured; # of ELEMents       1\r\n"
    "! # of vertices =        4\r\n"
    "CONNectivity HYBRid in file <cncFileName>\r\n"
    "COOR X Y Z VERTices in file <xyzFileName>\r\n";

// ---- console and report lines -------------------------------------------

// The whole console of a run whose input holds no dataset to convert.
std::string openingAndDone() {
  return std::string(kBanner) + openingLine("in.unv") + " Done.\r\n";
}

std::string here() { return std::filesystem::current_path().string(); }

std::string severe(int report, std::string_view message, int unit,
                   const std::string& path) {
  return "forrtl: severe (" + std::to_string(report) +
         "): " + std::string(message) + ", unit " + std::to_string(unit) +
         ", file " + path + "\r\n";
}

std::string endOfInput() {
  return severe(24, "end-of-file during read", 10, here() + "/in.unv");
}

const std::string kEndOfConsole =
    "forrtl: severe (24): end-of-file during read, unit -4, file "
    "/dev/stdin\r\n";
const std::string kOverflow =
    "forrtl: severe (165): Program Exception - integer overflow\r\n";

// ---- table runner -------------------------------------------------------

// One failing run: the input file, the console replies, what must be on
// standard error, the exit status, and the whole content of every output
// file afterwards ("" for a file that exists and is empty; files not listed
// must not exist unless `others` allows them).
struct FaultCase {
  const char* name;
  std::string input;
  std::string replies;
  int status;
  std::string (*err)();
  std::map<std::string, std::string> files;
  std::string stdoutPath = "";  // the console output's file, if not kept
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

std::string truncated() { return endOfInput(); }
std::string consoleEnded() { return kEndOfConsole; }
std::string overflowed() { return kOverflow; }

void expectFiles(const std::map<std::string, std::string>& files) {
  static const char* kOutputs[] = {"OUT.XYZ", "OUT.CNC", "GRID.INP",
                                   "Element_Renumbering_Map.dat"};
  for (const char* f : kOutputs) {
    if (files.count(f) == 0) {
      EXPECT_FALSE(fileExists(f)) << f;
    }
  }
  for (const auto& [name, content] : files) {
    EXPECT_TRUE(fileExists(name)) << name;
    EXPECT_EQ(readFile(name), content) << name;
  }
}

class Fault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Fault, ReportStatusAndRecordsWrittenBefore) {
  const FaultCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", c.input);
  const RunResult r = runBinary(here(), c.replies, {}, c.stdoutPath);
  EXPECT_EQ(r.err, c.err());
  EXPECT_EQ(r.status, static_cast<std::uint32_t>(c.status));
  expectFiles(c.files);
  EXPECT_EQ(readFile("in.unv"), c.input);
}

// End of the input inside every kind of record: report 24 on unit 10.
INSTANTIATE_TEST_SUITE_P(
    TruncatedInput, Fault,
    ::testing::Values(
        FaultCase{"nodeRecord1",
                  cut("  2411", ""),
                  "in.unv\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", ""}}},
        FaultCase{"nodeRecord2",
                  cut("  2411", nodeLabel(1)),
                  "in.unv\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", ""}}},
        FaultCase{"nodeRecord2AfterANode",
                  cut("  2411", node(1) + nodeLabel(2)),
                  "in.unv\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertex(1)}}},
        FaultCase{"nodeLookAhead",
                  cut("  2411", node(1) + node(2)),
                  "in.unv\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertex(1) + vertex(2)}}},
        FaultCase{"elementDescriptor",
                  nodes1to4() + cut("  2412", ""),
                  "in.unv\n\n3\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", ""},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{"elementNodeRecord",
                  nodes1to4() + cut("  2412", tet(1) + descriptor(2, 111, 4)),
                  "in.unv\n\n3\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{"beamOrientation",
                  nodes1to4() + cut("  2412", tet(1) + descriptor(2, 21, 2)),
                  "in.unv\n\n3\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{"beamNodeRecord",
                  nodes1to4() + cut("  2412", tet(1) + descriptor(2, 21, 2) +
                                                  labels({0, 1, 1})),
                  "in.unv\n\n3\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{
            "elementContinuation",
            nodes1to4() + cut("  2412", tet(1) + descriptor(2, 118, 10) +
                                            labels({1, 2, 3, 4, 1, 2, 3, 4})),
            "in.unv\n\n3\n\n",
            24,
            truncated,
            {{"OUT.XYZ", vertices1to4()},
             {"OUT.CNC", tetLine(1)},
             {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{"elementLookAhead",
                  nodes1to4() + cut("  2412", tet(1) + tet(2)),
                  "in.unv\n\n3\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1) + tetLine(2)},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{"groupRecord",
                  nodes1to4() + oneTet() + cut("  2435", ""),
                  "in.unv\n\n3\n\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)},
                   {"GRID.INP", std::string(kGridHeader3D)}}},
        FaultCase{"groupName",
                  nodes1to4() + oneTet() + cut("  2435", groupRecord(3)),
                  "in.unv\n\n3\n\n\n",
                  24,
                  truncated,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)},
                   {"GRID.INP", std::string(kGridHeader3D)}}},
        FaultCase{
            "groupEntities",
            nodes1to4() + oneTet() +
                cut("  2435", groupRecord(9) + "INLET\n" + entities(1, 2) +
                                  entities(3, 4) + entities(1, 2) +
                                  entities(3, 4)),
            "in.unv\n\n3\n\n\n",
            24,
            truncated,
            {{"OUT.XYZ", vertices1to4()},
             {"OUT.CNC", tetLine(1)},
             {std::string(kMapName), std::string(kMapHeader)},
             {"GRID.INP",
              std::string(kGridHeader3D) +
                  "LOCATE VERTEX ID=INLET     ! # of vertices =          9\r\n"
                  "          1          2          3          4"
                  "          1          2          3          4\r\n"}}},
        FaultCase{
            "groupLookAhead",
            nodes1to4() + oneTet() +
                cut("  2435",
                    groupRecord(1) + "INLET\n" + labels({7, 4, 0, 0})),
            "in.unv\n\n3\n\n\n",
            24,
            truncated,
            {{"OUT.XYZ", vertices1to4()},
             {"OUT.CNC", tetLine(1)},
             {std::string(kMapName), std::string(kMapHeader)},
             {"GRID.INP",
              std::string(kGridHeader3D) +
                  "LOCATE VERTEX ID=INLET     ! # of vertices =          1\r\n"
                  "          4\r\n"}}}),
    ByName());

// End of the console input at every question: report 24 on unit -4.
INSTANTIATE_TEST_SUITE_P(
    ConsoleEnded, Fault,
    ::testing::Values(
        FaultCase{"inputFileName", nodes1to4(), "", 24, consoleEnded, {}},
        FaultCase{
            "blankInputFileName", nodes1to4(), "\n", 24, consoleEnded, {}},
        FaultCase{
            "vertexFileName", nodes1to4(), "in.unv\n", 24, consoleEnded, {}},
        FaultCase{"renumbering",
                  dataset("  2411", node(5)),
                  "in.unv\n\n",
                  24,
                  consoleEnded,
                  {{"OUT.XYZ", ""}}},
        FaultCase{"gridDimension",
                  nodes1to4() + oneTet(),
                  "in.unv\n\n",
                  24,
                  consoleEnded,
                  {{"OUT.XYZ", vertices1to4()}}},
        FaultCase{"gridDimensionAgain",
                  nodes1to4() + oneTet(),
                  "in.unv\n\n2D\n",
                  24,
                  consoleEnded,
                  {{"OUT.XYZ", vertices1to4()}}},
        FaultCase{"connectivityFileName",
                  nodes1to4() + oneTet(),
                  "in.unv\n\n3\n",
                  24,
                  consoleEnded,
                  {{"OUT.XYZ", vertices1to4()}}},
        FaultCase{
            "gridFileName",
            nodes1to4() + oneTet() + dataset("  2435", groupRecord(0) + "G\n"),
            "in.unv\n\n3\n\n",
            24,
            consoleEnded,
            {{"OUT.XYZ", vertices1to4()},
             {"OUT.CNC", tetLine(1)},
             {std::string(kMapName), std::string(kMapHeader)}}}),
    ByName());

// 32-bit overflow wherever the numbering arithmetic can leave the range:
// report 165. Labels and tags are 10-column fields, so they lie between
// -999999999 and 2147483647: the first label minus 1 (node and element
// offsets) cannot overflow, but a later label minus an offset can.
std::string nodes0to3() {
  return dataset("  2411", node(0) + node(1) + node(2) + node(3));
}

INSTANTIATE_TEST_SUITE_P(
    Overflow, Fault,
    ::testing::Values(
        // Node 0 renumbered gives offset -1; 2147483647 - (-1) overflows.
        FaultCase{"nodeLabelMinusOffset",
                  dataset("  2411", node(0) + node(2147483647)),
                  "in.unv\n\ny\n",
                  165,
                  overflowed,
                  {{"OUT.XYZ", vertex(1)}}},
        // The lowest label gives the offset -1000000000.
        FaultCase{"nodeLabelMinusLowestOffset",
                  dataset("  2411", node(-999999999) + node(1147483648)),
                  "in.unv\n\n\n",
                  165,
                  overflowed,
                  {{"OUT.XYZ", vertex(1)}}},
        // First label 0 gives element offset -1.
        FaultCase{"labelMinusElementOffset",
                  nodes1to4() + dataset("  2412", tet(0) + tet(2147483647)),
                  "in.unv\n\n3\n\n",
                  165,
                  overflowed,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{
            "labelMinusLowestElementOffset",
            nodes1to4() + dataset("  2412", tet(-999999999) + tet(1147483648)),
            "in.unv\n\n3\n\n",
            165,
            overflowed,
            {{"OUT.XYZ", vertices1to4()},
             {"OUT.CNC", tetLine(1)},
             {std::string(kMapName), std::string(kMapHeader)}}},
        // Node offset -1 (first node 0, renumbered).
        FaultCase{
            "elementNodeMinusNodeOffset",
            nodes0to3() + dataset("  2412", tet(1, 0, 1, 2, 3) +
                                                tet(2, 0, 1, 2, 2147483647)),
            "in.unv\n\ny\n3\n\n",
            165,
            overflowed,
            {{"OUT.XYZ", vertices1to4()},
             {"OUT.CNC", tetLine(1)},
             {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{
            "groupTagMinusNodeOffset",
            nodes0to3() + dataset("  2435", groupRecord(2) + "G\n" +
                                                entities(0, 2147483647)),
            "in.unv\n\ny\n\n",
            165,
            overflowed,
            {{"OUT.XYZ", vertices1to4()},
             {"GRID.INP",
              "GRID THREeD  UNSTructured; # of ELEMents       0\r\n"
              "! # of vertices =        4\r\n"
              "CONNectivity HYBRid in file <cncFileName>\r\n"
              "COOR X Y Z VERTices in file <xyzFileName>\r\n"
              "!original node numbers were offset by       -1\r\n"
              "LOCATE VERTEX ID=G         ! # of vertices =          2\r\n"}}}),
    ByName());

// A write that the device refuses (a full disk): report 38 at each output
// file, with the files written before it complete.
std::string fullDisk(int unit) {
  return severe(38, "error during write", unit, "/dev/full");
}
std::string noReport() { return ""; }
std::string vertexFileFull() { return fullDisk(21); }
std::string connectivityFileFull() { return fullDisk(22); }
std::string gridFileFull() { return fullDisk(23); }
std::string mapFull() {
  return severe(38, "error during write", 24,
                here() + "/" + std::string(kMapName));
}

std::string wholeMesh() {
  return nodes1to4() + oneTet() +
         dataset("  2435", groupRecord(1) + "G\n" + labels({7, 4, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    FullDisk, Fault,
    ::testing::Values(
        FaultCase{"vertexFile",
                  wholeMesh(),
                  "in.unv\n/dev/full\n",
                  38,
                  vertexFileFull,
                  {}},
        FaultCase{"connectivityFile",
                  wholeMesh(),
                  "in.unv\n\n3\n/dev/full\n",
                  38,
                  connectivityFileFull,
                  {{"OUT.XYZ", vertices1to4()},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        FaultCase{"gridFile",
                  wholeMesh(),
                  "in.unv\n\n3\n\n/dev/full\n",
                  38,
                  gridFileFull,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)}}},
        // A console that cannot be written neither stops nor holds up the
        // run: every file is written and the status is 0.
        FaultCase{"console",
                  wholeMesh(),
                  "in.unv\n\n3\n\n\n",
                  0,
                  noReport,
                  {{"OUT.XYZ", vertices1to4()},
                   {"OUT.CNC", tetLine(1)},
                   {std::string(kMapName), std::string(kMapHeader)},
                   {"GRID.INP", std::string(kGridHeader3D) +
                                    "LOCATE VERTEX ID=G         ! # of "
                                    "vertices =          1\r\n"
                                    "          4\r\n"}},
                  "/dev/full"}),
    ByName());

TEST(FullDisk, MapFileThroughALink) {
  ScratchDir dir;
  writeFile("in.unv", wholeMesh());
  ASSERT_EQ(::symlink("/dev/full", std::string(kMapName).c_str()), 0);
  const RunResult r = runBinary(here(), "in.unv\n\n3\n\n\n");
  EXPECT_EQ(r.err, mapFull());
  EXPECT_EQ(r.status, 38u);
  EXPECT_EQ(readFile("OUT.XYZ"), vertices1to4());
  EXPECT_EQ(readFile("OUT.CNC"),
            "");  // opened; the map fails before any element
  EXPECT_FALSE(fileExists("GRID.INP"));
  EXPECT_EQ(readFile("in.unv"), wholeMesh());
}

// An output file that held an earlier run's content: whatever the write
// that fails, the file holds exactly the bytes of this run that reached it
// (files limited to `limit` bytes, so a write past it fails like a full
// disk), nothing of the old content.
struct OldContentCase {
  const char* name;
  std::string old;    // the vertex file before the run
  std::size_t limit;  // bytes a file may hold; SIZE_MAX for no limit
  bool fails;         // report 38 on the vertex file
  std::size_t kept;   // bytes of the vertex records the file holds
};
void PrintTo(const OldContentCase& c, std::ostream* os) { *os << c.name; }

class OldContent : public ::testing::TestWithParam<OldContentCase> {};

TEST_P(OldContent, OutputHoldsOnlyWhatThisRunWrote) {
  const OldContentCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", nodes1to4());
  writeFile("OUT.XYZ", c.old);
  const RunResult r = runBinaryWithFileSizeLimit(here(), "in.unv\n\n", c.limit);
  ASSERT_NE(r.status, 126u) << "could not limit the file size";
  if (c.fails) {
    EXPECT_EQ(r.err, severe(38, "error during write", 21, here() + "/OUT.XYZ"));
    EXPECT_EQ(r.status, 38u);
  } else {
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0u);
  }
  EXPECT_EQ(readFile("OUT.XYZ"), vertices1to4().substr(0, c.kept));
}

const std::string kLongOld(5000, 'o');
constexpr std::size_t kWhole = std::string::npos;
INSTANTIATE_TEST_SUITE_P(
    WriteFailure, OldContent,
    ::testing::Values(
        OldContentCase{"longerFileFirstWriteFails", kLongOld, 0, true, 0},
        OldContentCase{"oneByteFileFirstWriteFails", "o", 0, true, 0},
        OldContentCase{"twoByteFileFirstWriteFails", "oo", 0, true, 0},
        OldContentCase{"firstWriteCutShort", kLongOld, 1, true, 1},
        OldContentCase{"writeCutShortMidRecord", kLongOld, 30, true, 30},
        OldContentCase{"longerFileRewritten", kLongOld, SIZE_MAX, false,
                       kWhole},
        OldContentCase{"oneByteFileRewritten", "o", SIZE_MAX, false, kWhole}),
    ByName());

// An output file named like the input, or like another open output: report
// 30 before anything is written, and the input unchanged.
struct CollisionCase {
  const char* name;
  std::string input;
  std::string inputName;
  std::string replies;
  int unit;
  std::string reportedName;
  std::map<std::string, std::string> files;
};
void PrintTo(const CollisionCase& c, std::ostream* os) { *os << c.name; }

class Collision : public ::testing::TestWithParam<CollisionCase> {};

TEST_P(Collision, EndsWithReport30AndTheInputUnchanged) {
  const CollisionCase& c = GetParam();
  ScratchDir dir;
  writeFile(c.inputName, c.input);
  ASSERT_EQ(::symlink(c.inputName.c_str(), "link.unv"), 0);
  ASSERT_EQ(::link(c.inputName.c_str(), "hard.unv"), 0);
  const RunResult r = runBinary(here(), c.replies);
  EXPECT_EQ(r.err,
            severe(30, "open failure", c.unit, here() + "/" + c.reportedName));
  EXPECT_EQ(r.status, 30u);
  EXPECT_EQ(readFile(c.inputName), c.input);
  for (const auto& [name, content] : c.files) {
    EXPECT_EQ(readFile(name), content) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    OutputNamedLikeAnOpenFile, Collision,
    ::testing::Values(
        CollisionCase{"vertexFileIsInput",
                      wholeMesh(),
                      "in.unv",
                      "in.unv\nin.unv\n",
                      21,
                      "in.unv",
                      {}},
        CollisionCase{"vertexFileIsInputByAnotherPath",
                      wholeMesh(),
                      "in.unv",
                      "in.unv\n./sub/../in.unv\n",
                      21,
                      "in.unv",
                      {}},
        CollisionCase{"vertexFileLinksToInput",
                      wholeMesh(),
                      "in.unv",
                      "in.unv\nlink.unv\n",
                      21,
                      "link.unv",
                      {}},
        CollisionCase{"connectivityFileIsInput",
                      wholeMesh(),
                      "in.unv",
                      "in.unv\n\n3\nin.unv\n",
                      22,
                      "in.unv",
                      {{"OUT.XYZ", vertices1to4()}}},
        CollisionCase{
            "connectivityFileIsTheMap",
            wholeMesh(),
            "in.unv",
            "in.unv\n\n3\nElement_Renumbering_Map.dat\n",
            24,
            std::string(kMapName),
            {{"OUT.XYZ", vertices1to4()}, {std::string(kMapName), ""}}},
        CollisionCase{"mapIsInput",
                      wholeMesh(),
                      std::string(kMapName),
                      "Element_Renumbering_Map.dat\n\n3\n\n",
                      24,
                      std::string(kMapName),
                      {{"OUT.XYZ", vertices1to4()}, {"OUT.CNC", ""}}},
        CollisionCase{"gridFileIsInput",
                      wholeMesh(),
                      "in.unv",
                      "in.unv\n\n3\n\nin.unv\n",
                      23,
                      "in.unv",
                      {{"OUT.XYZ", vertices1to4()},
                       {"OUT.CNC", tetLine(1)},
                       {std::string(kMapName), std::string(kMapHeader)}}},
        CollisionCase{"gridFileIsAHardLinkToInput",
                      wholeMesh(),
                      "in.unv",
                      "in.unv\n\n3\n\nhard.unv\n",
                      23,
                      "hard.unv",
                      {{"OUT.XYZ", vertices1to4()},
                       {"OUT.CNC", tetLine(1)},
                       {std::string(kMapName), std::string(kMapHeader)}}}),
    ByName());

// ---- file names longer than a reply --------------------------------------

// A name typed past column 64 at any of the four file-name questions: report
// 43 on that question's unit naming the whole name, before the file is
// opened. The file that the 64-character cut names exists and is left as it
// was; the files of the questions before are complete.
struct LongNameCase {
  const char* name;
  std::string replies;  // up to the file-name question, which follows
  int unit;
  std::string out;  // the console's last line before the report
  std::map<std::string, std::string> files;
};
void PrintTo(const LongNameCase& c, std::ostream* os) { *os << c.name; }

class LongName : public ::testing::TestWithParam<LongNameCase> {};

TEST_P(LongName, EndsWithReport43NamingTheWholeNameAndOpensNothing) {
  const LongNameCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", wholeMesh());
  const std::string cutName(64, 'c');
  const std::string typed = cutName + ".xyz";
  writeFile(cutName, "not to be read or overwritten\n");
  const RunResult r = runBinary(here(), c.replies + typed + "  \n");
  EXPECT_EQ(r.err, severe(43, "file name specification error", c.unit,
                          here() + "/" + typed));
  EXPECT_EQ(r.status, 43u);
  EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), c.out.size())),
            c.out);
  EXPECT_EQ(readFile(cutName), "not to be read or overwritten\n");
  EXPECT_FALSE(fileExists(typed));
  expectFiles(c.files);
  EXPECT_EQ(readFile("in.unv"), wholeMesh());
}

INSTANTIATE_TEST_SUITE_P(
    FileNameQuestions, LongName,
    ::testing::Values(
        LongNameCase{"inputFile", "", 10, std::string(kBanner), {}},
        LongNameCase{
            "vertexFile",
            "in.unv\n",
            21,
            " Enter vertex filename for output (*.xyz) [default: out.xyz]:\r\n",
            {}},
        LongNameCase{"connectivityFile",
                     "in.unv\n\n3\n",
                     22,
                     " Enter connectivity filename for output (*.cnc) "
                     "[default: out.cnc]:\r\n",
                     {{"OUT.XYZ", vertices1to4()}}},
        LongNameCase{"gridFile",
                     "in.unv\n\n3\n\n",
                     23,
                     " Enter GRID commands' filename for output (*.inp) "
                     "[default: grid.inp]:\r\n",
                     {{"OUT.XYZ", vertices1to4()},
                      {"OUT.CNC", tetLine(1)},
                      {std::string(kMapName), std::string(kMapHeader)}}}),
    ByName());

// ---- opening failures ---------------------------------------------------

TEST(OpenFailure, MissingDirectoryOfAnOutputFile) {
  ScratchDir dir;
  writeFile("in.unv", wholeMesh());
  const RunResult r = runBinary(here(), "in.unv\nnodir/v.xyz\n");
  EXPECT_EQ(r.err, severe(29, "file not found", 21, here() + "/nodir/v.xyz"));
  EXPECT_EQ(r.status, 29u);
  EXPECT_FALSE(fileExists("nodir"));
}

// A misspelt input name is a failure, not an empty mesh converted with
// success: nothing is created and no opening line is printed.
TEST(OpenFailure, MissingInputOrItsDirectoryPrintsNoOpeningLine) {
  for (const std::string name : {"in.unv", "nodir/in.unv", "dangling.unv"}) {
    ScratchDir dir;
    ASSERT_EQ(::symlink("gone.unv", "dangling.unv"), 0);
    const RunResult r = runBinary(here(), name + "\n");
    EXPECT_EQ(r.err, severe(29, "file not found", 10, here() + "/" + name))
        << name;
    EXPECT_EQ(r.status, 29u) << name;
    EXPECT_EQ(r.out, kBanner) << name;
    EXPECT_FALSE(fileExists("in.unv")) << name;
    EXPECT_FALSE(fileExists("gone.unv")) << name;
  }
}

TEST(OpenFailure, InputThatIsADirectory) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir("mesh.unv", 0755), 0);
  const RunResult r = runBinary(here(), "mesh.unv\n");
  EXPECT_EQ(r.err, severe(9, "permission to access file denied", 10,
                          here() + "/mesh.unv"));
  EXPECT_EQ(r.status, 9u);
  EXPECT_EQ(r.out, kBanner);
}

TEST(OpenFailure, OutputThatCanOnlyBeReadGivesReport47AtTheFirstWrite) {
  ScratchDir dir;
  writeFile("in.unv", wholeMesh());
  writeFile("ro.xyz", "old content\n");
  ASSERT_EQ(::chmod("ro.xyz", 0444), 0);
  RunResult r;
  if (::geteuid() == 0) {
    // Root may write any file: run as "nobody" in a directory it may read
    // but not write, on a file it may only read.
    ASSERT_EQ(::chmod(here().c_str(), 0755), 0);
    ASSERT_EQ(::chmod("in.unv", 0644), 0);
    r = support::runBinaryAsNobody(here(), "in.unv\nro.xyz\n");
    if (r.status == 126) GTEST_SKIP() << "cannot run as user nobody: " << r.err;
  } else {
    r = runBinary(here(), "in.unv\nro.xyz\n");
  }
  EXPECT_EQ(r.err,
            severe(47, "write to READONLY file", 21, here() + "/ro.xyz"));
  EXPECT_EQ(r.status, 47u);
  EXPECT_EQ(readFile("ro.xyz"), "old content\n");
  EXPECT_EQ(readFile("in.unv"), wholeMesh());
}

// A read-only file that is opened and closed without a record written (an
// empty node dataset) is no write to a READONLY file: no report, and the
// file is as it was.
TEST(OpenFailure, ReadOnlyOutputWithoutARecordWrittenIsNoFailure) {
  ScratchDir dir;
  writeFile("in.unv", dataset("  2411", ""));
  writeFile("ro.xyz", "");
  ASSERT_EQ(::chmod("ro.xyz", 0444), 0);
  RunResult r;
  if (::geteuid() == 0) {
    // Root may write any file: run as "nobody" in a directory it may read
    // but not write.
    ASSERT_EQ(::chmod(here().c_str(), 0755), 0);
    ASSERT_EQ(::chmod("in.unv", 0644), 0);
    r = support::runBinaryAsNobody(here(), "in.unv\nro.xyz\n");
    if (r.status == 126) GTEST_SKIP() << "cannot switch to user nobody";
  } else {
    r = runBinary(here(), "in.unv\nro.xyz\n");
  }
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("ro.xyz"), "");
}

// ---- interrupts ---------------------------------------------------------

struct InterruptCase {
  const char* name;
  int signal;
  std::string replies;
  std::string prompt;
  std::string event;
};
void PrintTo(const InterruptCase& c, std::ostream* os) { *os << c.name; }

class Interrupt : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(Interrupt, AtAQuestionEndsWithReport200) {
  const InterruptCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", wholeMesh());
  const RunResult r =
      support::runBinaryInterrupted(here(), c.replies, c.prompt, c.signal);
  EXPECT_EQ(r.err, "forrtl: error (200): program aborting due to " + c.event +
                       " event\r\n");
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(readFile("in.unv"), wholeMesh());
}

INSTANTIATE_TEST_SUITE_P(
    ConsoleEvents, Interrupt,
    ::testing::Values(
        InterruptCase{"interruptKeyAtInputName", SIGINT, "", "(*.unv): \r\n",
                      "control-C"},
        InterruptCase{"breakKeyAtGridDimension", SIGQUIT, "in.unv\n\n",
                      "(2 for 2D OR 3 for 3D)\r\n", "control-BREAK"},
        InterruptCase{"windowClosedAtGridFileName", SIGHUP, "in.unv\n\n3\n\n",
                      "[default: grid.inp]:\r\n", "window-CLOSE"}),
    ByName());

TEST(Interrupt, VertexFileKeepsItsRecordsAfterAnInterruptAtTheNextQuestion) {
  ScratchDir dir;
  writeFile("in.unv", wholeMesh());
  const RunResult r = support::runBinaryInterrupted(
      here(), "in.unv\n\n", "(2 for 2D OR 3 for 3D)\r\n", SIGINT);
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(readFile("OUT.XYZ"), vertices1to4());
}

// ---- awkward input files ------------------------------------------------

TEST(AwkwardInput, TenMegabyteLinesArePassedOverOrCutToTheirColumns) {
  ScratchDir dir;
  const std::string tenMb(10u << 20, 'x');
  const std::string blanks(10u << 20, ' ');
  // A long line before the first delimiter, a long node label record (its
  // columns 1-10 are all that is read) and a long closing delimiter.
  const std::string input = tenMb + "\n" + std::string(kDelimiter) +
                            "  2411\n" + nodeLabel(1).substr(0, 10) + blanks +
                            "\n" + nodeCoordinates() + "    -1 " + tenMb +
                            "\n" + dataset("   164", tenMb + "\n");
  writeFile("in.unv", input);
  const RunResult r = runBinary(here(), "in.unv\n\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("OUT.XYZ"), vertex(1));
}

TEST(AwkwardInput, FileOfNulBytesHoldsNoDataset) {
  ScratchDir dir;
  writeFile("in.unv", std::string(3u << 20, '\0'));
  const RunResult r = runBinary(here(), "in.unv\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, openingAndDone());
  EXPECT_FALSE(fileExists("OUT.XYZ"));
}

TEST(AwkwardInput, NulBytesInANumberFieldAreAConversionError) {
  ScratchDir dir;
  const std::string input =
      cut("  2411", std::string(10, '\0') + "\n" + nodeCoordinates());
  writeFile("in.unv", input);
  const RunResult r = runBinary(here(), "in.unv\n\n");
  EXPECT_EQ(r.err,
            severe(64, "input conversion error", 10, here() + "/in.unv"));
  EXPECT_EQ(r.status, 64u);
  EXPECT_EQ(readFile("OUT.XYZ"), "");
}

TEST(AwkwardInput, FileWithoutAnyLineEnd) {
  ScratchDir dir;
  // Longer than the reader's buffer, and no LF anywhere.
  writeFile("in.unv", std::string(3u << 20, 'x'));
  RunResult r = runBinary(here(), "in.unv\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, openingAndDone());
  // A lone delimiter without its line end is a line, and a delimiter.
  writeFile("in.unv", "    -1");
  r = runBinary(here(), "in.unv\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, openingAndDone());
}

TEST(AwkwardInput, ClosingDelimiterWithoutLineEndEndsTheDataset) {
  ScratchDir dir;
  std::string input = nodes1to4();
  input.pop_back();  // the closing delimiter loses its LF
  writeFile("in.unv", input);
  const RunResult r = runBinary(here(), "in.unv\n\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("OUT.XYZ"), vertices1to4());
}

// Only a CR before an LF belongs to the line end: a CR LF file cut before
// its last LF ends in "    -1" and a CR, which is no delimiter and is read
// as the next node.
TEST(AwkwardInput, ClosingDelimiterEndingInACrWithoutLfIsNoDelimiter) {
  ScratchDir dir;
  std::string input;
  for (const char c : nodes1to4()) {
    if (c == '\n') input += '\r';
    input += c;
  }
  input.pop_back();
  writeFile("in.unv", input);
  const RunResult r = runBinary(here(), "in.unv\n\n");
  EXPECT_EQ(r.err,
            severe(64, "input conversion error", 10, here() + "/in.unv"));
  EXPECT_EQ(r.status, 64u);
  EXPECT_EQ(readFile("OUT.XYZ"), vertices1to4());
}

}  // namespace
}  // namespace unv2tessal
