#include "nodes/read_nodes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "support/test_io.h"
#include "support/unv_text.h"

namespace unv2tessal {
namespace {

using support::ByName;
using support::dataset;
using support::head;
using support::kBanner;
using support::node;
using support::openingLine;
using support::readFile;
using support::runInProcess;
using support::ScratchDir;
using support::totalLine;
using support::vertex;
using support::writeFile;

constexpr std::string_view kAskName =
    " Enter vertex filename for output (*.xyz) [default: out.xyz]:\r\n";
constexpr std::string_view kAskRenumber =
    " It has been detected that the vertex numbers are not starting with 1. "
    "This may \r\n"
    " result in unnecessary waste of RAM at TESSAL runtime. Do you want to "
    "renumber t\r\n"
    " o save resources? [Y/N] (Default: Y)\r\n";
constexpr std::string_view kRenumbering = " Processing with Renumbering...\r\n";
constexpr std::string_view kNotRenumbering = " Processing...\r\n";
constexpr std::string_view kFinished = " FINISHED READING NODES\r\n";
constexpr std::string_view kDone = " Done.\r\n";

std::string totals(long long count, long long offset) {
  return totalLine("Total number of nodes = ", count) +
         totalLine("nodeoffset is", offset);
}

std::string nodeDataset(std::string_view body) {
  return dataset("  2411", body);
}

TEST(ReadNodes, WorkedRecordsByteForByteUnderTheDefaultName) {
  ScratchDir dir;
  writeFile(
      "in.unv",
      nodeDataset(node(1, "1.5000000000000000D+00", "-2.5000000000000000D-01",
                       "0.0000000000000000D+00") +
                  node(12, "1.2345678000000000D+03", "-1.0000000000000000D-03",
                       "2.0000000000000000E+00")));
  const auto r = runInProcess({"in.unv", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(
      readFile("OUT.XYZ"),
      "       1    0.15000000E+01   -0.25000000E+00    0.00000000E+00\r\n"
      "      12    0.12345678E+04   -0.10000000E-02    0.20000000E+01\r\n");
  EXPECT_EQ(r.out, head() + std::string(kAskName) +
                       " Total number of nodes =            2\r\n"
                       " nodeoffset is           0\r\n" +
                       std::string(kFinished) + std::string(kDone));
}

struct RenumberCase {
  const char* name;
  long long first;  // labels first, first + 1, first + 9
  const char* reply;
  bool renumbered;
  long long offset;
};
void PrintTo(const RenumberCase& c, std::ostream* os) { *os << c.name; }

class Renumbering : public ::testing::TestWithParam<RenumberCase> {};

TEST_P(Renumbering, ReplyDecidesTheOffsetFromTheFirstNode) {
  const RenumberCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv",
            nodeDataset(node(c.first) + node(c.first + 1) + node(c.first + 9)));
  const auto r = runInProcess({"in.unv", "v.xyz", c.reply});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile("v.xyz"), vertex(c.first - c.offset) +
                                   vertex(c.first + 1 - c.offset) +
                                   vertex(c.first + 9 - c.offset));
  EXPECT_EQ(r.out,
            head() + std::string(kAskName) + std::string(kAskRenumber) +
                std::string(c.renumbered ? kRenumbering : kNotRenumbering) +
                totals(3, c.offset) + std::string(kFinished) +
                std::string(kDone));
}

INSTANTIATE_TEST_SUITE_P(
    FirstNodeNotOne, Renumbering,
    ::testing::Values(RenumberCase{"yes", 101, "y", true, 100},
                      RenumberCase{"empty", 101, "", true, 100},
                      RenumberCase{"No", 101, "No", false, 0},
                      RenumberCase{"n", 101, "n", false, 0},
                      RenumberCase{"blankThenN", 101, " n", true, 100},
                      RenumberCase{"digit", 101, "7", true, 100},
                      RenumberCase{"firstZero", 0, "Y", true, -1},
                      RenumberCase{"negative", -5, "", true, -6}),
    ByName());

TEST(ReadNodes, GapsAreKeptAndTheCountIsTheNumberOfNodes) {
  ScratchDir dir;
  writeFile("in.unv", nodeDataset(node(101) + node(102) + node(110)));
  const auto r = runInProcess({"in.unv", "", ""});
  EXPECT_EQ(readFile("OUT.XYZ"), vertex(1) + vertex(2) + vertex(10));
  EXPECT_EQ(r.out, head() + std::string(kAskName) + std::string(kAskRenumber) +
                       std::string(kRenumbering) +
                       " Total number of nodes =            3\r\n"
                       " nodeoffset is         100\r\n" +
                       std::string(kFinished) + std::string(kDone));
}

TEST(ReadNodes, SecondDatasetReopensTheFileAndKeepsTheOffset) {
  ScratchDir dir;
  // The first dataset renumbers from 101; the second starts at 1, so it is
  // not asked and keeps offset 100. Its two records replace the first's three.
  writeFile("in.unv", nodeDataset(node(101) + node(102) + node(103)) +
                          nodeDataset(node(1, "1.0") + node(2)));
  const auto r = runInProcess({"in.unv", "same.xyz", "y", " same.xyz "});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(
      readFile("same.xyz"),
      "     -99    0.10000000E+01    0.00000000E+00    0.00000000E+00\r\n" +
          vertex(-98));
  EXPECT_EQ(r.out, head() + std::string(kAskName) + std::string(kAskRenumber) +
                       std::string(kRenumbering) + totals(3, 100) +
                       std::string(kFinished) + std::string(kAskName) +
                       totals(2, 100) + std::string(kFinished) +
                       std::string(kDone));
}

TEST(ReadNodes, DelimiterWithTextAfterABlankEndsTheDataset) {
  ScratchDir dir;
  writeFile("in.unv", "    -1\n  2411\n" + node(1) + "    -1 end of nodes\n" +
                          nodeDataset(node(1)));
  const auto r = runInProcess({"in.unv", "a.xyz", "b.xyz"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(readFile("a.xyz"), vertex(1));
  EXPECT_EQ(readFile("b.xyz"), vertex(1));
  EXPECT_EQ(r.out, head() + std::string(kAskName) + totals(1, 0) +
                       std::string(kFinished) + std::string(kAskName) +
                       totals(1, 0) + std::string(kFinished) +
                       std::string(kDone));
}

TEST(ReadNodes, LineWithNonBlankColumnSevenIsTheNextNode) {
  ScratchDir dir;
  // "    -10" is not a delimiter: it is the label record of node -10.
  writeFile("in.unv",
            nodeDataset(node(1) + "    -10\n" + "   1.5000000000000000D+00\n"));
  const auto r = runInProcess({"in.unv", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(
      readFile("OUT.XYZ"),
      vertex(1) +
          "     -10    0.15000000E+01    0.00000000E+00    0.00000000E+00\r\n");
  EXPECT_EQ(r.out, head() + std::string(kAskName) + totals(2, 0) +
                       std::string(kFinished) + std::string(kDone));
}

TEST(ReadNodes, EmptyDatasetEmptiesTheFileAndTheNextDatasetIsConverted) {
  ScratchDir dir;
  writeFile("OUT.XYZ", "an earlier run's vertices\r\n");
  writeFile("in.unv", "    -1\n  2411\n    -1\n" + nodeDataset(node(7)));
  const auto r = runInProcess({"in.unv", "", "next.xyz", "n"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(readFile("OUT.XYZ"), "");
  EXPECT_EQ(readFile("next.xyz"), vertex(7));
  EXPECT_EQ(r.out, head() + std::string(kAskName) + totals(0, 0) +
                       std::string(kFinished) + std::string(kAskName) +
                       std::string(kAskRenumber) +
                       std::string(kNotRenumbering) + totals(1, 0) +
                       std::string(kFinished) + std::string(kDone));
}

TEST(ReadNodes, VertexNumberTooWideIsWrittenAsAsterisksAndTheRunGoesOn) {
  ScratchDir dir;
  writeFile("in.unv", nodeDataset(node(123456789) + node(12345678)));
  const auto r = runInProcess({"in.unv", "", "N"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.err,
            "forrtl: error (63): output conversion error, unit 21, file " +
                dir.file("OUT.XYZ") + "\r\n");
  EXPECT_EQ(
      readFile("OUT.XYZ"),
      "********    0.00000000E+00    0.00000000E+00    0.00000000E+00\r\n" +
          vertex(12345678));
  EXPECT_EQ(r.out, head() + std::string(kAskName) + std::string(kAskRenumber) +
                       std::string(kNotRenumbering) + totals(2, 0) +
                       std::string(kFinished) + std::string(kDone));
}

struct FailureCase {
  const char* name;
  std::string unv;
  std::vector<std::string> replies;
  int report;
  std::string vertices;       // what the vertex file keeps
  std::string afterQuestion;  // console after the file-name question
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class NodeFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(NodeFailure, EndsTheRunWithItsReportAndKeepsWhatWasWritten) {
  const FailureCase& c = GetParam();
  ScratchDir dir;
  writeFile("in.unv", c.unv);
  const auto r = runInProcess(c.replies);
  EXPECT_EQ(r.status, 0xC0000000u + static_cast<unsigned>(c.report));
  std::string report;
  if (c.report == 24) {
    report = "forrtl: severe (24): end-of-file during read, unit 10, file " +
             dir.file("in.unv") + "\r\n";
  } else if (c.report == 64) {
    report = "forrtl: severe (64): input conversion error, unit 10, file " +
             dir.file("in.unv") + "\r\n";
  } else {
    report = "forrtl: severe (165): Program Exception - integer overflow\r\n";
  }
  EXPECT_EQ(r.err, report);
  EXPECT_EQ(readFile("OUT.XYZ"), c.vertices);
  EXPECT_EQ(r.out, head() + std::string(kAskName) + c.afterQuestion);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, NodeFailure,
    ::testing::Values(
        // End of file inside record 2 of the second node.
        FailureCase{"eofInRecord2",
                    "    -1\n  2411\n" + node(1) + "         2\n",
                    {"in.unv", ""},
                    24,
                    vertex(1),
                    ""},
        // End of file where the closing delimiter should be.
        FailureCase{"eofAtLookAhead",
                    "    -1\n  2411\n" + node(1) + node(2),
                    {"in.unv", ""},
                    24,
                    vertex(1) + vertex(2),
                    ""},
        // End of file right after the dataset number.
        FailureCase{
            "eofAfterNumber", "    -1\n  2411\n", {"in.unv", ""}, 24, "", ""},
        FailureCase{"badCoordinate",
                    nodeDataset(node(1) + node(2, "1.5x")),
                    {"in.unv", ""},
                    64,
                    vertex(1),
                    ""},
        FailureCase{"badLabel",
                    nodeDataset("       1.0\n" + std::string(75, ' ') + "\n"),
                    {"in.unv", ""},
                    64,
                    "",
                    ""},
        // A 10-column label is at least -999999999: the offset from it is
        // -1000000000, and 2000000000 minus that leaves the 32-bit range.
        FailureCase{"labelMinusOffset",
                    nodeDataset(node(-999999999) + node(2000000000)),
                    {"in.unv", "", "y"},
                    165,
                    vertex(1),
                    std::string(kAskRenumber) + std::string(kRenumbering)}),
    ByName());

}  // namespace
}  // namespace unv2tessal
