// Complete higher-order elements under the written kinds' ids (gmsh's
// 9-node quadrilaterals, 27-node bricks, ...) through the converter alone,
// on one CPU and on two: its connectivity file against the corners that the
// test reads from the file itself (tests/support/unv_reader), element by
// element.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/child_run.h"
#include "support/test_io.h"
#include "support/unv_reader.h"
#include "support/unv_text.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::ScratchDir;
using support::UnvElement;
using support::UnvMesh;

constexpr std::size_t kMiB = std::size_t{1} << 20;

struct WrittenShape {
  int code;
  int vertices;
};

// The shape of the written kinds in a grid of `dim`, from the connectivity
// file's format; {0, 0} for a kind that grid drops.
WrittenShape shapeIn(int dim, int feId) {
  if (dim == 2) {
    if (feId == 91) return {1, 3};
    if (feId == 94) return {2, 4};
  } else {
    if (feId == 111) return {3, 4};
    if (feId == 112) return {5, 6};
    if (feId == 115) return {6, 8};
  }
  return {0, 0};
}

// The connectivity file expected of a mesh whose nodes are numbered from 1:
// the elements that the grid keeps, numbered in file order, each on the
// first labels of its node list.
std::string expectedConnectivity(const UnvMesh& mesh, int dim) {
  std::string text;
  int number = 0;
  for (const UnvElement& e : mesh.elements) {
    const WrittenShape s = shapeIn(dim, e.feId);
    if (s.vertices == 0) continue;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10d  %d  %d  ", ++number, s.code,
                  s.vertices);
    text += buf;
    for (int k = 0; k < s.vertices; ++k) {
      std::snprintf(
          buf, sizeof buf, "%10lld",
          static_cast<long long>(e.nodes.at(static_cast<std::size_t>(k))));
      text += buf;
    }
    text += "\r\n";
  }
  return text;
}

// Converts in.unv of the current directory in a grid of `dim` on `cpus`
// CPUs and compares the connectivity file with the mesh's corners. The
// helper threads run on two CPUs (and convert elements of a mesh of many
// `blocks`), and not on one.
void convertOn(int cpus, int dim, const UnvMesh& mesh, std::string* console,
               bool blocks = false) {
  SCOPED_TRACE(std::to_string(cpus) + " CPU(s), " + std::to_string(dim) + "D");
  ::remove("OUT.CNC");
  ThreadCounts counts;
  const support::RunResult r =
      support::runBinaryOnCpus(".", "in.unv\n\n" + std::to_string(dim) + "\n\n",
                               cpus, SIZE_MAX, &counts);
  ASSERT_EQ(r.status, 0u) << r.err;
  EXPECT_EQ(counts.threadsStarted > 0, cpus == 2);
  EXPECT_EQ(counts.blocksReadAhead > 0, cpus == 2);
  EXPECT_EQ(counts.buffersWrittenBehind > 0, cpus == 2);
  if (cpus == 1 || blocks) {
    EXPECT_EQ(counts.recordsConvertedBeside > 0, cpus == 2);
  }
  EXPECT_EQ(r.err, "");
  const std::string got = readFile("OUT.CNC");
  const std::string want = expectedConnectivity(mesh, dim);
  // The first line that differs, not the whole file.
  const auto at =
      std::mismatch(got.begin(), got.end(), want.begin(), want.end());
  const std::size_t line =
      static_cast<std::size_t>(std::count(got.begin(), at.first, '\n'));
  EXPECT_TRUE(got == want) << "line " << line + 1 << " of " << got.size()
                           << " bytes against " << want.size();
  *console = r.out;
}

// Both CPU counts when there are two.
std::vector<int> cpuCounts() {
  if (support::usableCpus() < 2) return {1};
  return {1, 2};
}

TEST(HigherOrderElements, GmshMeshesAreWrittenOnTheirCornersInBothGrids) {
  // The fifth mesh, of 64-node bricks, has an empty line after each
  // element, which the converter does not read: it goes through unvprep
  // (tests/e2e/prep_samples_test.cc).
  for (const char* name : {"gmsh_brick27", "gmsh_plate_quad9_tri6",
                           "gmsh_wedge18", "gmsh_tet20"}) {
    SCOPED_TRACE(name);
    const std::string path =
        support::testDataDir() + "/higher_order/" + name + ".unv";
    UnvMesh mesh;
    ASSERT_NO_FATAL_FAILURE(support::readUnv(path, &mesh));
    ASSERT_EQ(mesh.nodeOrder.front(), 1);  // no vertex shift
    ScratchDir dir;
    support::writeFile("in.unv", readFile(path));
    for (const int dim : {2, 3}) {
      std::string first, console;
      for (const int cpus : cpuCounts()) {
        convertOn(cpus, dim, mesh, &console);
        if (first.empty()) first = console;
        EXPECT_EQ(console, first);
      }
    }
  }
}

// A mesh of about 3.5 MiB whose elements are labelled 1, 2, 3, ...:
// bricks (quadrilaterals in 2D) of the common form, which the helper
// thread converts, and written elements of 9 and of 17 nodes (FE 115 and
// 111; 94 and 91 in 2D), whose node labels go on in continuation records,
// wherever an element starts within 700 bytes before a MiB of the file
// (where the blocks of the input end), now and then in between,
// and as the last element of the dataset (`lastNodes` nodes).
std::string blockMesh(int dim, int lastNodes) {
  std::string text = support::dataset("   164", "header\n");
  std::string nodes;
  for (int k = 1; k <= 100; ++k) nodes += support::node(k);
  text += support::dataset("  2411", nodes);
  text += "    -1\n  2412\n";
  const int common = dim == 2 ? 94 : 115;
  const int commonNodes = dim == 2 ? 4 : 8;
  const int nine = dim == 2 ? 94 : 115;
  const int seventeen = dim == 2 ? 91 : 111;
  auto element = [&](long long number, int feId, int count) {
    text += support::descriptor(number, feId, count);
    for (int k = 0; k < count; ++k) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%10lld", (number + k) % 97 + 1);
      text += buf;
      if (k % 8 == 7 || k + 1 == count) text += '\n';
    }
  };
  long long label = 0;
  bool next9 = true;
  while (text.size() < 3 * kMiB + kMiB / 2) {
    ++label;
    // A block ends at the last line end before 1 MiB of the file past the
    // end of the one before: within 81 columns a block before k MiB.
    const bool nearBlockEnd = kMiB - text.size() % kMiB < 700;
    if (nearBlockEnd || label % 4999 == 0) {
      element(label, next9 ? nine : seventeen, next9 ? 9 : 17);
      next9 = !next9;
    } else {
      element(label, common, commonNodes);
    }
  }
  element(++label, lastNodes == 9 ? nine : seventeen, lastNodes);
  return text + "    -1\n";
}

TEST(HigherOrderElements, NineAndSeventeenNodesAtBlockEndsAndAtTheEnd) {
  for (const int dim : {2, 3}) {
    for (const int last : {9, 17}) {
      SCOPED_TRACE(std::to_string(dim) + "D, the last element of " +
                   std::to_string(last) + " nodes");
      ScratchDir dir;
      support::writeFile("in.unv", blockMesh(dim, last));
      UnvMesh mesh;
      ASSERT_NO_FATAL_FAILURE(support::readUnv("in.unv", &mesh));
      ASSERT_EQ(mesh.elements.back().nodes.size(),
                static_cast<std::size_t>(last));
      std::string first, console;
      for (const int cpus : cpuCounts()) {
        convertOn(cpus, dim, mesh, &console, /*blocks=*/true);
        if (first.empty()) first = console;
        EXPECT_EQ(console, first);
      }
      EXPECT_NE(first.find(support::totalLine(
                    "Total number of elements = ",
                    static_cast<long long>(mesh.elements.size()))),
                std::string::npos);
    }
  }
}

}  // namespace
}  // namespace unv2tessal
