// The lines a LineReader hands out when a ReadAhead thread reads its file in
// blocks are the lines it hands out when it reads the file itself: the same
// texts, line numbers, step-backs, end of file and read errors, wherever the
// ends of the blocks fall.

#include "io/read_ahead.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "io/line_io.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::ScratchDir;
using support::writeFile;

// The smallest block a LineReader allows: blocks end often.
constexpr std::size_t kBlock = 2 * LineReader::kLongLineKeep;

// Everything one reader hands out, line by line: each line with its number,
// stepped back over and read again every third line; then the closing
// status and errno.
std::vector<std::string> walk(const std::string& path, bool readAhead) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  LineReader reader(fd, kBlock, readAhead);
  std::vector<std::string> seen;
  std::string_view line;
  LineReader::Status status;
  std::size_t k = 0;
  while ((status = reader.next(&line)) == LineReader::Status::kLine) {
    seen.push_back(std::to_string(reader.lineNumber()) + ":" +
                   std::string(line));
    if (++k % 3 == 0) {
      reader.stepBack();
      if (reader.next(&line) != LineReader::Status::kLine) {
        seen.push_back("step back lost the line");
        break;
      }
      seen.push_back("again " + std::to_string(reader.lineNumber()) + ":" +
                     std::string(line));
    }
  }
  seen.push_back("status " + std::to_string(static_cast<int>(status)) +
                 " errno " + std::to_string(reader.lastError()));
  // The end is kept: asking again gives the same.
  seen.push_back("again " +
                 std::to_string(static_cast<int>(reader.next(&line))));
  ::close(fd);
  return seen;
}

// Lines of `length` bytes (LF included), as many as fill `bytes`.
std::string linesOf(std::size_t length, std::size_t bytes, char fill) {
  std::string out;
  while (out.size() + length <= bytes) {
    out += std::string(length - 1, fill);
    out += '\n';
    fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1);
  }
  return out;
}

struct Content {
  const char* name;
  std::string text;
};
void PrintTo(const Content& c, std::ostream* os) { *os << c.name; }

class ReadAheadLines : public ::testing::TestWithParam<Content> {};

TEST_P(ReadAheadLines, AreTheLinesReadWithoutIt) {
  ScratchDir dir;
  writeFile("f.txt", GetParam().text);
  const std::vector<std::string> plain = walk(dir.file("f.txt"), false);
  const std::vector<std::string> ahead = walk(dir.file("f.txt"), true);
  ASSERT_GE(plain.size(), 2u);
  EXPECT_EQ(ahead, plain);
}

std::string longLine(std::size_t n) {
  std::string s = "    -1";
  while (s.size() < n) s += static_cast<char>('a' + s.size() % 26);
  return s.substr(0, n);
}

INSTANTIATE_TEST_SUITE_P(
    BlockEnds, ReadAheadLines,
    ::testing::Values(
        Content{"empty", ""},
        Content{"smallerThanABlock", "a\nbb\r\nccc\nlast"},
        Content{"oneBlockExactly", linesOf(64, kBlock, 'a')},
        Content{"oneBlockAndOneByte", linesOf(64, kBlock, 'a') + "x"},
        // A line that the end of the first block cuts: carried over.
        Content{"lineCutByTheBlockEnd", linesOf(100, 5 * kBlock, 'a')},
        // The CR of a CR LF falls on the last byte of a block.
        Content{"crOnTheBlockEnd",
                std::string(kBlock - 2, 'q') + "\r\nnext\r\n"},
        Content{"lfOnTheBlockEnd", std::string(kBlock - 1, 'q') + "\nnext\n"},
        Content{"lastLineWithoutLf", linesOf(70, 3 * kBlock, 'k') + "end\r"},
        // Lines of a block or more are cut to their first columns.
        Content{"lineOfABlockExactly",
                longLine(kBlock) + "\nafter\n" + longLine(kBlock - 1) + "\n"},
        Content{"longLineAfterShortOnes",
                "a\nb\n" + longLine(3 * kBlock + 17) + "\r\nafter\n"},
        Content{"longLinesInARow",
                longLine(2 * kBlock) + "\n" + longLine(kBlock + 5) + "\nx\n"},
        Content{"longLineAtTheEnd", "a\n" + longLine(4 * kBlock)},
        Content{"longLineEndingOnABlockEnd",
                longLine(2 * kBlock - 1) + "\n" + linesOf(33, kBlock, 'm')},
        Content{"emptyLinesAcrossBlocks", std::string(3 * kBlock + 1, '\n')}),
    support::ByName());

TEST(ReadAhead, ReadErrorsComeWhereTheyComeWithoutIt) {
  // A directory fails at its first read (EISDIR); the process's own memory
  // from offset 0 fails with EIO.
  ScratchDir dir;
  struct Case {
    std::string path;
    int error;
  };
  std::vector<Case> cases{{dir.path(), EISDIR}};
  if (::access("/proc/self/mem", R_OK) == 0) {
    cases.push_back({"/proc/self/mem", EIO});
  }
  for (const Case& c : cases) {
    for (bool readAhead : {false, true}) {
      const int fd = ::open(c.path.c_str(), O_RDONLY);
      ASSERT_GE(fd, 0) << c.path;
      LineReader reader(fd, kBlock, readAhead);
      std::string_view line;
      EXPECT_EQ(reader.next(&line), LineReader::Status::kError) << c.path;
      EXPECT_EQ(reader.lastError(), c.error) << c.path;
      EXPECT_EQ(reader.lineNumber(), 0u) << c.path;
      ::close(fd);
    }
  }
}

TEST(ReadAhead, BlocksHoldWholeLinesAndAreReusedInTurn) {
  ScratchDir dir;
  const std::string text = linesOf(100, 20 * kBlock, 'a');
  writeFile("f.txt", text);
  const int fd = ::open("f.txt", O_RDONLY);
  ReadAhead ahead(fd, kBlock, LineReader::kLongLineKeep);
  std::string joined;
  for (;;) {
    const ReadAhead::Block b = ahead.next();
    EXPECT_EQ(b.longLine, nullptr);
    EXPECT_EQ(b.error, 0);
    EXPECT_LE(b.size, kBlock);
    if (b.size > 0 && !b.eof) {
      EXPECT_EQ(b.data[b.size - 1], '\n');
    }
    joined.append(b.data, b.size);
    if (b.eof) break;
  }
  ::close(fd);
  EXPECT_EQ(joined, text);
}

TEST(ReadAhead, StopsWhenItsReaderGoesAwayEarly) {
  // The thread waits for a block to be handed back when the reader is
  // destroyed: it must end, not wait for ever.
  ScratchDir dir;
  writeFile("f.txt", linesOf(50, 40 * kBlock, 'a'));
  for (int k = 0; k < 20; ++k) {
    const int fd = ::open("f.txt", O_RDONLY);
    {
      LineReader reader(fd, kBlock, /*readAhead=*/true);
      std::string_view line;
      for (int n = 0; n < k * 7; ++n) {
        ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
      }
    }
    ::close(fd);
  }
}

}  // namespace
}  // namespace unv2tessal
