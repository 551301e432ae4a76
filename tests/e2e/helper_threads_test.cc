// With two CPUs the converter reads ahead and writes behind on threads of
// its own; on one it does neither. Both runs must leave the same console,
// reports, exit status and files, wherever the input fails: in the first,
// a middle or the last block of the input, on the end of a block, in a mesh
// smaller than a block, at a write that fails, at an interrupt. The runs
// count what their helper threads did: on two CPUs they ran, on one not.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
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
using support::labels;
using support::readFile;
using support::RunResult;
using support::ScratchDir;
using support::writeFile;

constexpr std::size_t kMiB = std::size_t{1} << 20;
const char* const kOutputs[] = {"OUT.XYZ", "OUT.CNC", "GRID.INP",
                                "Element_Renumbering_Map.dat"};

// Replies: the input, the vertex file, renumbering accepted, 3D, the
// connectivity file, the grid command file.
constexpr std::string_view kReplies = "in.unv\n\ny\n3\n\n\n";

std::string coordinate(long long k, int axis) {
  char buf[40];
  const double v =
      (static_cast<double>(k % 9973) - 4000.5) * (axis == 0   ? 1.25e-3
                                                  : axis == 1 ? -7.5e2
                                                              : 3.0e-7);
  std::snprintf(buf, sizeof buf, "%25.16E", v);
  return buf;
}

// A mesh of `nodes` nodes numbered from 1001 and about as many elements,
// bricks and tetrahedra, and one group. With `gaps` the element labels have
// gaps (every element is in the renumbering map) and a triangle comes now
// and then (dropped in 3D); without, the labels run 1, 2, 3, ...
std::string mesh(long long nodes, bool gaps = true) {
  std::string text = dataset("   164", "header\n");
  std::string body;
  body.reserve(static_cast<std::size_t>(nodes) * 120);
  for (long long k = 0; k < nodes; ++k) {
    body += support::node(1001 + k, coordinate(k, 0), coordinate(k, 1),
                          coordinate(k, 2));
  }
  text += dataset("  2411", body);
  body.clear();
  for (long long k = 0; k + 8 <= nodes; k += 1) {
    const long long n = 1001 + k;
    const long long label = gaps ? 3 * k + 5 : k + 1;
    if (gaps && k % 50 == 7) {
      body += descriptor(label, 91, 3) + labels({n, n + 1, n + 2});
    } else if (k % 3 == 0) {
      body += descriptor(label, 111, 4) + labels({n, n + 1, n + 2, n + 3});
    } else {
      body += descriptor(label, 115, 8) +
              labels({n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6, n + 7});
    }
  }
  text += dataset("  2412", body);
  text += dataset("  2435", labels({1, 0, 0, 0, 0, 0, 0, 2}) + "Group\n" +
                                labels({7, 1001, 0, 0, 7, 1002, 0, 0}));
  return text;
}

// About 6 MiB: blocks of 1 MiB end in the node and in the element dataset.
const std::string& bigMesh() {
  static const std::string text = mesh(28000);
  return text;
}

// The start of the line that holds byte `offset`.
std::size_t lineStart(const std::string& text, std::size_t offset) {
  const std::size_t nl = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  return nl == std::string::npos || offset == 0 ? 0 : nl + 1;
}

// An 'x' in column 2 of the line that holds byte `offset`: a conversion
// error in any record of the datasets.
std::string spoiled(std::string text, std::size_t offset) {
  text[lineStart(text, offset) + 1] = 'x';
  return text;
}

// The node label of the line that holds byte `offset`, or of the line
// after it when that one is a node's record 2, replaced by `label` (10
// columns).
std::string relabelled(std::string text, std::size_t offset,
                       std::string_view label) {
  std::size_t start = lineStart(text, offset);
  if (text.compare(start + 10, 10, "         1") != 0) {
    start = text.find('\n', start) + 1;
  }
  text.replace(start, 10, label);
  return text;
}

// About 6 MiB, its elements numbered without gaps and all written in 3D.
const std::string& meshWithoutGaps() {
  static const std::string text = mesh(28000, false);
  return text;
}

// Byte `offset` of the element dataset of `text`.
std::size_t inElements(const std::string& text, std::size_t offset) {
  return text.find("    -1\n  2412\n") + offset;
}

// The descriptor record at or after the line that holds byte `offset`,
// with its columns [column, column + 10) replaced by `field`.
std::string withDescriptorField(std::string text, std::size_t offset,
                                std::size_t column, std::string_view field) {
  std::size_t start = lineStart(text, offset);
  // A descriptor record has six fields; a node record of a brick eight.
  if (text.find('\n', start) - start != 60) {
    start = text.find('\n', start) + 1;
  }
  text.replace(start + column, 10, field);
  return text;
}

// The mesh cut off at byte `offset`: the run meets the end of the file.
std::string cutAt(const std::string& text, std::size_t offset) {
  return text.substr(0, offset);
}

std::size_t offsetOf(const std::string& text, std::string_view what) {
  return text.find(what);
}

struct Outcome {
  RunResult run;
  std::vector<std::string> files;  // the content of each output, or "-"
  ThreadCounts counts;
};

Outcome runOn(int cpus, const std::string& input, std::size_t limit,
              std::string_view replies) {
  Outcome o;
  for (const char* f : kOutputs) ::unlink(f);
  writeFile("in.unv", input);
  const std::string here = std::filesystem::current_path().string();
  o.run = support::runBinaryOnCpus(here, replies, cpus, limit, &o.counts);
  for (const char* f : kOutputs) {
    o.files.push_back(fileExists(f) ? readFile(f) : "-");
  }
  return o;
}

struct SamenessCase {
  const char* name;
  std::function<std::string()> input;
  std::size_t fileSizeLimit;  // SIZE_MAX: none
  unsigned status;            // the exit status both runs must end with
  std::string_view replies = kReplies;
  // The run goes past the middle of a block of many records: the helpers
  // convert records beside this thread.
  bool helps = false;
};
void PrintTo(const SamenessCase& c, std::ostream* os) { *os << c.name; }

class OneCpuAndTwo : public ::testing::TestWithParam<SamenessCase> {};

TEST_P(OneCpuAndTwo, LeaveTheSameConsoleAndFiles) {
  if (support::usableCpus() < 2) {
    GTEST_SKIP() << "one CPU: the converter uses no helper threads here";
  }
  const SamenessCase& c = GetParam();
  ScratchDir dir;
  const std::string input = c.input();
  const Outcome one = runOn(1, input, c.fileSizeLimit, c.replies);
  const Outcome two = runOn(2, input, c.fileSizeLimit, c.replies);
  ASSERT_NE(one.run.status, 126u) << "could not set CPUs or file size limit";
  EXPECT_EQ(one.run.status, c.status) << one.run.err;
  EXPECT_EQ(two.run.status, one.run.status);
  EXPECT_EQ(two.run.err, one.run.err);
  EXPECT_EQ(two.run.out, one.run.out);
  for (std::size_t k = 0; k < std::size(kOutputs); ++k) {
    EXPECT_TRUE(two.files[k] == one.files[k])
        << kOutputs[k] << ": " << two.files[k].size() << " bytes against "
        << one.files[k].size();
  }
  // The threads ran on two CPUs, and not on one.
  EXPECT_GT(two.counts.blocksReadAhead, 0u);
  EXPECT_GT(two.counts.buffersWrittenBehind, 0u);
  if (c.helps) {
    EXPECT_GT(two.counts.recordsConvertedBeside, 0u);
  }
  EXPECT_EQ(one.counts.threadsStarted, 0u);
  EXPECT_EQ(one.counts.blocksReadAhead, 0u);
  EXPECT_EQ(one.counts.buffersWrittenBehind, 0u);
  EXPECT_EQ(one.counts.recordsConvertedBeside, 0u);
}

const std::string& elementsStart() {
  static const std::string mark = "    -1\n  2412\n";
  return mark;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OneCpuAndTwo,
    ::testing::Values(
        SamenessCase{"wholeMesh", [] { return bigMesh(); }, SIZE_MAX, 0,
                     kReplies, true},
        SamenessCase{"meshSmallerThanABlock", [] { return mesh(40); }, SIZE_MAX,
                     0},
        SamenessCase{"failureInTheFirstBlock",
                     [] { return spoiled(bigMesh(), 300); }, SIZE_MAX, 64},
        SamenessCase{"failureOnTheLineCutByTheFirstBlockEnd",
                     [] { return spoiled(bigMesh(), kMiB - 1); }, SIZE_MAX, 64},
        SamenessCase{"failureOnTheLineAfterTheFirstBlockEnd",
                     [] {
                       const std::string& m = bigMesh();
                       return spoiled(m, m.find('\n', kMiB) + 1);
                     },
                     SIZE_MAX, 64},
        SamenessCase{"failureInAMiddleBlockOfTheNodes",
                     [] { return spoiled(bigMesh(), 2 * kMiB + kMiB / 2); },
                     SIZE_MAX, 64},
        // Each block's second half is converted on a helper thread: what
        // it does not take, this thread converts.
        SamenessCase{"failureInTheFirstQuarterOfABlock",
                     [] { return spoiled(bigMesh(), 2 * kMiB + kMiB / 4); },
                     SIZE_MAX, 64},
        SamenessCase{"failureInTheLastQuarterOfABlock",
                     [] { return spoiled(bigMesh(), 3 * kMiB - kMiB / 4); },
                     SIZE_MAX, 64},
        SamenessCase{"asterisksInTheLastQuarterOfABlock",
                     [] {
                       return relabelled(bigMesh(), 3 * kMiB - kMiB / 4,
                                         "2000000000");
                     },
                     SIZE_MAX, 0},
        SamenessCase{"signedLabelInTheLastQuarterOfABlock",
                     [] {
                       return relabelled(bigMesh(), 2 * kMiB - kMiB / 5,
                                         "     +1500");
                     },
                     SIZE_MAX, 0},
        SamenessCase{"blanksInALabelInTheLastQuarterOfABlock",
                     [] {
                       return relabelled(bigMesh(), 2 * kMiB - kMiB / 6,
                                         "    15  00");
                     },
                     SIZE_MAX, 0},
        SamenessCase{"renumberingDeclined", [] { return bigMesh(); }, SIZE_MAX,
                     0, "in.unv\n\nn\n3\n\n\n"},
        SamenessCase{"renumberingDeclinedFailureLate",
                     [] { return spoiled(bigMesh(), 3 * kMiB - kMiB / 4); },
                     SIZE_MAX, 64, "in.unv\n\nn\n3\n\n\n"},
        // Elements numbered without gaps: the helper's lines are taken only
        // while this thread's running number agrees with the helper's.
        SamenessCase{"elementsWithoutGaps", [] { return meshWithoutGaps(); },
                     SIZE_MAX, 0, kReplies, true},
        SamenessCase{"elementsWithoutGapsFailureLateInABlock",
                     [] {
                       const std::string& m = meshWithoutGaps();
                       return spoiled(m, inElements(m, kMiB - kMiB / 5));
                     },
                     SIZE_MAX, 64},
        SamenessCase{"droppedElementEarlyInABlock",
                     [] {
                       const std::string& m = meshWithoutGaps();
                       return withDescriptorField(
                           m, inElements(m, kMiB + kMiB / 5), 10, "        91");
                     },
                     SIZE_MAX, 0},
        SamenessCase{"droppedElementLateInABlock",
                     [] {
                       const std::string& m = meshWithoutGaps();
                       return withDescriptorField(
                           m, inElements(m, 2 * kMiB - kMiB / 5), 10,
                           "        91");
                     },
                     SIZE_MAX, 0},
        SamenessCase{"mapLineLateInABlock",
                     [] {
                       const std::string& m = meshWithoutGaps();
                       return withDescriptorField(
                           m, inElements(m, 2 * kMiB - kMiB / 5), 0,
                           "   9999999");
                     },
                     SIZE_MAX, 0},
        SamenessCase{"elementsWithoutGapsConnectivityFileFull",
                     [] { return meshWithoutGaps(); }, 2100000, 38},
        SamenessCase{"failureInTheLastNodeRecord",
                     [] {
                       const std::string& m = bigMesh();
                       return spoiled(m, offsetOf(m, elementsStart()) - 8);
                     },
                     SIZE_MAX, 64},
        SamenessCase{"failureInTheElements",
                     [] {
                       const std::string& m = bigMesh();
                       return spoiled(m, offsetOf(m, elementsStart()) + kMiB);
                     },
                     SIZE_MAX, 64},
        SamenessCase{"failureInTheLastBlock",
                     [] {
                       const std::string& m = bigMesh();
                       return spoiled(m, offsetOf(m, "  2435") - 20);
                     },
                     SIZE_MAX, 64},
        SamenessCase{"endOfFileOnABlockEnd",
                     [] { return cutAt(bigMesh(), 3 * kMiB); }, SIZE_MAX, 24},
        SamenessCase{"endOfFileInTheElements",
                     [] {
                       const std::string& m = bigMesh();
                       return cutAt(m, offsetOf(m, "  2435") - 30);
                     },
                     SIZE_MAX, 24},
        // Writes that fail: the first, one inside the vertex file, one in
        // the connectivity file (whose map is then cut back with it).
        SamenessCase{"firstWriteFails", [] { return bigMesh(); }, 0, 38},
        SamenessCase{"vertexFileFull", [] { return bigMesh(); }, 1300000, 38},
        SamenessCase{"connectivityFileFull", [] { return bigMesh(); }, 1900000,
                     38}),
    ByName());

TEST(InterruptMidDataset, LeavesWholeRecordsOfTheUninterruptedRun) {
  ScratchDir dir;
  // About 14 MiB of nodes: the interrupt comes long before their end.
  writeFile("in.unv", mesh(120000));
  const std::string here = std::filesystem::current_path().string();
  const RunResult whole = support::runBinaryOnCpus(here, kReplies, 1);
  ASSERT_EQ(whole.status, 0u);
  const std::string reference = readFile("OUT.XYZ");
  for (int cpus : {1, 2}) {
    if (cpus > support::usableCpus()) continue;
    for (const char* f : kOutputs) ::unlink(f);
    const auto started = [] {
      struct stat st {};
      return ::stat("OUT.XYZ", &st) == 0 && st.st_size > 0;
    };
    bool signalled = false;
    ThreadCounts counts;
    const RunResult r = support::runBinarySignalledWhen(
        here, kReplies, cpus, started, SIGINT, &signalled, &counts);
    ASSERT_TRUE(signalled && r.status != 0u)
        << "the run ended before the interrupt, on " << cpus << " CPUs";
    EXPECT_EQ(counts.threadsStarted > 0, cpus == 2);
    EXPECT_EQ(counts.blocksReadAhead > 0, cpus == 2);
    EXPECT_EQ(counts.buffersWrittenBehind > 0, cpus == 2);
    EXPECT_EQ(r.status, 200u);
    EXPECT_EQ(r.err,
              "forrtl: error (200): program aborting due to control-C "
              "event\r\n");
    const std::string got = readFile("OUT.XYZ");
    constexpr std::size_t kRecord = 64;  // 62 columns and CR LF
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), reference.size()) << cpus << " CPUs";
    EXPECT_EQ(got.size() % kRecord, 0u) << cpus << " CPUs";
    EXPECT_TRUE(reference.compare(0, got.size(), got) == 0)
        << "not the start of the whole run's vertex file, " << cpus << " CPUs";
  }
}

}  // namespace
}  // namespace unv2tessal
