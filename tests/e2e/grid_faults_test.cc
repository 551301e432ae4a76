// tessalgrid when something goes wrong: a mesh that cannot be converted is
// one line naming the mesh's own file, line and cause (whichever pass met
// it: unvprep's, the survey or the converter reading the prepared text),
// status 2, no temporary file left and the files of an earlier run under
// the same prefix untouched; a signal leaves the same and kills the run by
// itself; files an earlier run wrote and this one does not are removed with
// the new set in place; any path length.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/test_io.h"
#include "support/unv_text.h"

namespace unv2tessal {
namespace {

using support::dataset;
using support::descriptor;
using support::filesIn;
using support::labels;
using support::node;
using support::readFile;
using support::RunResult;
using support::ScratchDir;
using support::writeFile;

// 1-based line of `text` that holds `needle`.
std::size_t lineOf(const std::string& text, const std::string& needle) {
  const std::size_t at = text.find(needle);
  EXPECT_NE(at, std::string::npos) << needle;
  return 1 + static_cast<std::size_t>(std::count(
                 text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

// Six nodes, of which node 2 is used by no element.
std::string nodes(std::string_view badY = "", long long badLabelOf = 0) {
  std::string body;
  for (long long n = 1; n <= 6; ++n) {
    body += n == badLabelOf
                ? "        X4         1         1        11\n"
                  "                      0.0"
                  "                      0.0"
                  "                      0.0\n"
                : node(n, "0.0", n == 5 && !badY.empty() ? badY : "1.0");
  }
  return dataset("  2411", body);
}

// A ten-node tetrahedron (two node records, reduced to its corners), an
// empty line (as gmsh writes after some elements), then a brick.
std::string elements(std::string_view brickNodes) {
  return dataset("  2412", descriptor(10, 118, 10) +
                               labels({1, 3, 3, 4, 4, 4, 5, 5}) +
                               labels({5, 6}) + "\n" + descriptor(11, 115, 8) +
                               std::string(brickNodes));
}

const std::string kBrick = labels({1, 3, 4, 5, 6, 6, 6, 6});

struct Fault {
  std::string name;
  std::string mesh;
  std::vector<std::string> options;
  std::string lineHolding;  // the text of the line named
  std::string message;      // a regular expression
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

class GridFault : public ::testing::TestWithParam<Fault> {};

// The earlier set of files under the prefix, which a failed run leaves as
// it was.
const std::vector<std::pair<std::string, std::string>> kEarlier = {
    {"g.xyz", "earlier vertices\n"},
    {"g.cnc", "earlier elements\n"},
    {"g.inp", "earlier commands\n"},
    {"g.map", "earlier map\n"},
    {"g.vmap", "earlier vertex map\n"}};

TEST_P(GridFault, OneLineAtTheMeshsLineAndNothingWritten) {
  const Fault& f = GetParam();
  ScratchDir dir;
  writeFile("in.unv", f.mesh);
  for (const auto& [name, text] : kEarlier) writeFile(name, text);
  std::vector<std::string> args = f.options;
  args.insert(args.end(), {"-o", "g", "in.unv"});
  const RunResult r =
      support::runProgram(support::tessalgridPath(), dir.path(), "", args);
  EXPECT_EQ(r.status, 2u) << r.err;
  const std::string where =
      "in.unv:" + std::to_string(lineOf(f.mesh, f.lineHolding));
  EXPECT_TRUE(std::regex_match(
      r.err,
      std::regex("tessalgrid: " + where + "(:[0-9]+)?: " + f.message + "\n")))
      << r.err << " wanted at " << where;
  for (const auto& [name, text] : kEarlier) {
    EXPECT_EQ(readFile(dir.file(name)), text) << name;
  }
  std::set<std::string> expected{"in.unv"};
  for (const auto& entry : kEarlier) expected.insert(entry.first);
  EXPECT_EQ(filesIn(dir.path()), expected);
}

const std::string kGood = nodes() + elements(kBrick);

INSTANTIATE_TEST_SUITE_P(
    Meshes, GridFault,
    ::testing::Values(
        // The converter meets them in the prepared text; the line named is
        // the mesh's, past the node that is left out, the element that is
        // reduced and the empty line that is left out.
        Fault{"CoordinateByDefault",
              nodes("1.0.5") + elements(kBrick),
              {},
              "1.0.5",
              "columns 26-50 of the node coordinate record are not a valid "
              "number"},
        Fault{"CoordinateKeepingNodes",
              nodes("1.0.5") + elements(kBrick),
              {"--keep-nodes"},
              "1.0.5",
              "columns 26-50 of the node coordinate record are not a valid "
              "number"},
        Fault{"NodeLabel",
              nodes("", 4) + elements(kBrick),
              {"--keep-nodes"},
              "X4",
              "columns 1-10 of the node label record are not a valid "
              "number"},
        Fault{
            "ElementNodeKeepingNodes",
            nodes() + elements(labels({1, 3, 4, 5, 6, 6, 6, 6}).substr(0, 70) +
                               "  X6\n"),
            {"--keep-nodes", "--dim", "3"},
            "X6",
            "columns 71-80 of the element node record are not a valid "
            "number"},
        // The survey of the default mode meets it first.
        Fault{
            "ElementNodeByDefault",
            nodes() + elements(labels({1, 3, 4, 5, 6, 6, 6, 6}).substr(0, 70) +
                               "  X6\n"),
            {},
            "X6",
            "element node record: a node label is not an integer"},
        // unvprep's pass meets it.
        Fault{"Descriptor",
              nodes() + dataset("  2412", "        1X       115\n"),
              {},
              "1X",
              "element descriptor record: label or FE id is not an "
              "integer"},
        Fault{"SecondNodeDataset",
              kGood + dataset("  2411", node(9)),
              {},
              "  2411\n" + node(9),
              "a second node dataset \\(the first begins at line 2\\).*"},
        Fault{"SecondElementDatasetKeepingNodes",
              kGood + dataset("  2412", support::tet(20)),
              {"--keep-nodes", "--dim", "3"},
              "  2412\n" + support::tet(20),
              "a second element dataset \\(the first begins at line 17\\).*"}),
    support::ByName());

TEST(GridFaults, FilesThatCannotBeMadeAreNamed) {
  ScratchDir dir;
  writeFile("in.unv", kGood);
  const struct {
    std::vector<std::string> args;
    std::string line;
  } rows[] = {
      {{"missing.unv"}, "tessalgrid: missing.unv: No such file or directory\n"},
      {{"-o", "nofolder/g", "in.unv"},
       "tessalgrid: nofolder/g.xyz: cannot create a file in its folder: No "
       "such file or directory\n"},
      {{"-o", "g", "--vtu", "g.inp", "in.unv"},
       "tessalgrid: g.inp: is one of the grid's files (--vtu)\n"},
      {{"-o", "in", "--vtu", "in.unv", "in.unv"},
       "tessalgrid: in.unv: is the input file\n"},
  };
  for (const auto& row : rows) {
    const RunResult r = support::runProgram(support::tessalgridPath(),
                                            dir.path(), "", row.args);
    EXPECT_EQ(r.status, 2u);
    EXPECT_EQ(r.err, row.line);
    EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{"in.unv"});
  }
}

// The files of a run replace the earlier set: its map and vertex map are
// removed when this run has none to write. Any path length.
TEST(GridFaults, ANewSetReplacesTheEarlierOneWhole) {
  ScratchDir dir;
  const std::string deep = dir.path() + "/" + std::string(120, 'a') + "/" +
                           std::string(120, 'b') + "/" + std::string(100, 'c');
  std::filesystem::create_directories(deep);
  // Nodes 1..4, all used by one tetrahedron: nothing to map.
  writeFile(deep + "/in.unv",
            dataset("  2411", node(1) + node(2) + node(3) + node(4)) +
                dataset("  2412", support::tet(1)));
  for (const auto& [name, text] : kEarlier) writeFile(deep + "/" + name, text);
  const RunResult r = support::runProgram(
      support::tessalgridPath(), dir.path(), "",
      {"-o", deep + "/g", "--vtu", deep + "/g.vtu", deep + "/in.unv"});
  ASSERT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(filesIn(deep), (std::set<std::string>{"in.unv", "g.xyz", "g.cnc",
                                                  "g.inp", "g.vtu"}));
  EXPECT_EQ(readFile(deep + "/g.cnc"),
            "         1  3  4           1         2         3         4\r\n");
}

bool temporaryFileIn(const std::string& dir) {
  for (const std::string& name : filesIn(dir)) {
    if (name.find(".tessalgrid-") != std::string::npos) return true;
  }
  return false;
}

// A mesh large enough that tessalgrid is still at work when the test sees
// its temporary files: a row of tetrahedra.
std::string largeMesh(int tetrahedra) {
  std::string text = "    -1\n  2411\n";
  char record[160];
  for (int k = 1; k <= tetrahedra + 3; ++k) {
    const int n =
        std::snprintf(record, sizeof record, "%10d%10d%10d%10d\n%25s%25s%25s\n",
                      k, 1, 1, 11, "0.1000000000000000D+01",
                      "0.2000000000000000D+01", "0.3000000000000000D+01");
    text.append(record, static_cast<std::size_t>(n));
  }
  text += "    -1\n    -1\n  2412\n";
  for (int k = 1; k <= tetrahedra; ++k) {
    text += descriptor(k, 111, 4) + labels({k, k + 1, k + 2, k + 3});
  }
  return text + "    -1\n";
}

// Stopped by a signal, the run removes its temporary files, says so in one
// line and dies by the signal; the earlier set stays as it was.
TEST(GridFaults, StoppedBySignalLeavesTheEarlierSet) {
  const std::string mesh = largeMesh(300000);
  for (const auto& [sig, name] :
       {std::pair{SIGINT, "SIGINT"}, std::pair{SIGTERM, "SIGTERM"}}) {
    for (const bool keepNodes : {true, false}) {
      SCOPED_TRACE(std::string(name) + (keepNodes ? " --keep-nodes" : ""));
      ScratchDir dir;
      writeFile("in.unv", mesh);
      for (const auto& [file, text] : kEarlier) writeFile(file, text);
      const std::string here = dir.path();
      bool signalled = false;
      support::ProgramRunOptions options;
      options.signal = sig;
      options.ready = [&here] { return temporaryFileIn(here); };
      options.signalled = &signalled;
      std::vector<std::string> args{"-o", "g", "in.unv"};
      if (keepNodes) args.insert(args.begin(), "--keep-nodes");
      const RunResult r = support::runProgram(support::tessalgridPath(), here,
                                              "", args, options);
      ASSERT_TRUE(signalled) << "tessalgrid ended before the signal: " << r.err;
      EXPECT_EQ(r.status, 128u + static_cast<unsigned>(sig));
      EXPECT_EQ(r.err, std::string("tessalgrid: stopped by ") + name +
                           "; unfinished output removed\n");
      EXPECT_FALSE(temporaryFileIn(here));
      for (const auto& [file, text] : kEarlier) {
        EXPECT_EQ(readFile(dir.file(file)), text) << file;
      }
    }
  }
}

}  // namespace
}  // namespace unv2tessal
