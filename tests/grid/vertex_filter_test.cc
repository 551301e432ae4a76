#include "grid/vertex_filter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "io/line_pipe.h"
#include "io/safe_output.h"

namespace unv2tessal {
namespace {

// Runs the filter on `text` between two pipes and returns what the
// converter would read, byte for byte.
std::string filtered(const std::string& text, VertexFilter* filter) {
  LinePipe in, out;
  std::thread writer([&] {
    SafeOutput to;
    to.openPipe(in, "prepared");
    to.write(text);
    to.finish();
  });
  std::thread middle([&] {
    SafeOutput to;
    to.openPipe(out, "filtered");
    EXPECT_TRUE(filter->run(in, to));
  });
  std::string got;
  for (;;) {
    const BlockSource::Block b = out.next();
    got.append(b.data, b.size);
    if (b.eof || b.error != 0) break;
  }
  writer.join();
  middle.join();
  return got;
}

std::string crlf(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Nodes 10 to 50, of which 20 is used by no element: dropped from the node
// dataset and the group; the others numbered by rank, also in the element
// that the grid writes (not in the beam, which it does not), line ends and
// all other columns as they were.
TEST(VertexFilter, KeepsTheUsedNodesNumberedByRank) {
  const std::string coordinates =
      "   1.0000000000000000D+00   2.0000000000000000D+00   "
      "3.0000000000000000D+00\n";
  std::string nodes;
  for (int label : {10, 20, 30, 40, 50}) {
    char record[64];
    std::snprintf(record, sizeof record, "%10d%10d%10d%10d\n", label, 1, 1, 11);
    nodes += record + coordinates;
  }
  const std::string before = crlf(
      "    -1\n  2411\n" + nodes +
      "    -1\n    -1\n  2412\n"
      "         1       111         1         1         7         4\n"
      "        10        30        40        50\n"
      "         2        21         1         1         7         2\n"
      "         0         1         1\n"
      "        20        30\n"
      "    -1\n    -1\n  2435\n"
      "         1         0         0         0         0         0         0"
      "         3\n"
      "GROUP\n"
      "         7        10         0         0         7        20         0"
      "         0\n"
      "         7        30         0         0\n"
      "    -1\n");
  const std::string after = crlf(
      "    -1\n  2411\n"
      "         1         1         1        11\n" +
      coordinates + "         2         1         1        11\n" + coordinates +
      "         3         1         1        11\n" + coordinates +
      "         4         1         1        11\n" + coordinates +
      "    -1\n    -1\n  2412\n"
      "         1       111         1         1         7         4\n"
      "         1         2         3         4\n"
      "         2        21         1         1         7         2\n"
      "         0         1         1\n"
      "        20        30\n"
      "    -1\n    -1\n  2435\n"
      "         1         0         0         0         0         0         0"
      "         2\n"
      "GROUP\n"
      "         7         1         0         0         7         2         0"
      "         0\n"
      "    -1\n");
  UsedLabels used;
  for (int label : {10, 30, 40, 50}) used.add(label);
  used.freeze();
  VertexFilter filter(used, /*relabel=*/true, /*is2D=*/false);
  EXPECT_EQ(filtered(before, &filter), after);
  EXPECT_EQ(filter.nodesKept(), 4);
  EXPECT_EQ(filter.nodesDropped(), 1);
  EXPECT_EQ(filter.groupsBefore(), std::vector<std::int64_t>{3});
  EXPECT_EQ(filter.groupsAfter(), std::vector<std::int64_t>{2});
  for (std::int32_t rank : {1, 2, 3, 4}) EXPECT_TRUE(filter.found(rank));
}

}  // namespace
}  // namespace unv2tessal
