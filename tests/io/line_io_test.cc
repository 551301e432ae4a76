#include "io/line_io.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::ScratchDir;
using support::writeFile;

// Reads every line of `content` with a reader of `capacity` bytes.
std::vector<std::string> readAll(
    const std::string& content,
    std::size_t capacity = LineReader::kDefaultCapacity) {
  ScratchDir dir;
  writeFile("f.txt", content);
  const int fd = ::open("f.txt", O_RDONLY);
  LineReader reader(fd, capacity);
  std::vector<std::string> got;
  std::string_view line;
  while (reader.next(&line) == LineReader::Status::kLine)
    got.emplace_back(line);
  ::close(fd);
  return got;
}

TEST(LineReader, LineEnds) {
  using V = std::vector<std::string>;
  EXPECT_EQ(readAll("a\nbb\n"), (V{"a", "bb"}));
  EXPECT_EQ(readAll("a\r\nbb\r\n"), (V{"a", "bb"}));
  EXPECT_EQ(readAll("a\nlast"), (V{"a", "last"}));  // no final LF
  // Only a CR before an LF belongs to the line end.
  EXPECT_EQ(readAll("a\r\nlast\r"), (V{"a", "last\r"}));
  EXPECT_EQ(readAll("\n\r\n\n"), (V{"", "", ""}));
  EXPECT_EQ(readAll("x\ry\n"), (V{"x\ry"}));  // a CR inside stays
  EXPECT_EQ(readAll(""), V{});
  EXPECT_EQ(readAll(std::string("a\0b\n\0\n", 6)),
            (V{std::string("a\0b", 3), std::string(1, '\0')}));
}

TEST(LineReader, StepBackAcrossBufferRefills) {
  // Lines of varied length so that many of them straddle the end of a small
  // buffer and are moved to its front by a refill.
  std::string content;
  std::vector<std::string> want;
  for (int k = 0; k < 400; ++k) {
    std::string line =
        std::to_string(k) + std::string(static_cast<std::size_t>(k % 97),
                                        static_cast<char>('a' + k % 26));
    want.push_back(line);
    content += line + (k % 3 == 0 ? "\r\n" : "\n");
  }
  ScratchDir dir;
  writeFile("f.txt", content);
  const int fd = ::open("f.txt", O_RDONLY);
  // The smallest buffer that keeps the first 1024 columns of a long line.
  LineReader reader(fd, 2 * LineReader::kLongLineKeep);
  std::string_view line;
  for (std::size_t k = 0; k < want.size(); ++k) {
    ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
    ASSERT_EQ(line, want[k]);
    EXPECT_EQ(reader.lineNumber(), k + 1);
    reader.stepBack();
    EXPECT_EQ(reader.lineNumber(), k);
    ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
    ASSERT_EQ(line, want[k]) << "after stepBack, line " << k + 1;
    EXPECT_EQ(reader.lineNumber(), k + 1);
  }
  EXPECT_EQ(reader.next(&line), LineReader::Status::kEndOfFile);
  EXPECT_EQ(reader.next(&line), LineReader::Status::kEndOfFile);
  ::close(fd);
}

TEST(LineReader, LinesLongerThanTheBuffer) {
  const std::string huge = "    -1" + std::string(10 * 1000 * 1000, 'x');
  const std::vector<std::string> got = readAll(huge + "\r\nnext\n" + huge);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], huge.substr(0, LineReader::kLongLineKeep));
  EXPECT_EQ(got[1], "next");
  EXPECT_EQ(got[2], huge.substr(0, LineReader::kLongLineKeep));

  // Exactly a buffer of bytes before the LF.
  const std::string full(4096, 'f');
  const std::vector<std::string> edge = readAll(full + "\nafter\n", 4096);
  ASSERT_EQ(edge.size(), 2u);
  EXPECT_EQ(edge[0], full.substr(0, LineReader::kLongLineKeep));
  EXPECT_EQ(edge[1], "after");
}

TEST(LineReader, StepBackOverALongLine) {
  ScratchDir dir;
  writeFile("f.txt", std::string(5000, 'L') + "\nshort\n");
  const int fd = ::open("f.txt", O_RDONLY);
  LineReader reader(fd, 2048);
  std::string_view line;
  ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
  reader.stepBack();
  ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
  EXPECT_EQ(line, std::string(LineReader::kLongLineKeep, 'L'));
  ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
  EXPECT_EQ(line, "short");
  EXPECT_EQ(reader.lineNumber(), 2u);
  ::close(fd);
}

TEST(LineReader, ReadErrorIsReported) {
  ScratchDir dir;
  const int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  LineReader reader(fd);
  std::string_view line;
  EXPECT_EQ(reader.next(&line), LineReader::Status::kError);
  EXPECT_EQ(reader.lastError(), EISDIR);
  ::close(fd);
}

// Every line's bytes and text, read through a buffer of `capacity` (by the
// reader itself or by a thread reading ahead), each line read twice
// (stepBack) to cross the refills; then the status that ended the reading.
std::vector<std::string> readRaw(const std::string& content,
                                 std::size_t capacity, bool readAhead,
                                 LineReader::Status* last) {
  ScratchDir dir;
  writeFile("f", content);
  const int fd = ::open("f", O_RDONLY);
  std::vector<std::string> got;
  {
    // The reader (and a thread reading ahead) ends before the file closes.
    LineReader reader(fd, capacity, readAhead);
    RawLine line;
    while ((*last = reader.next(&line)) == LineReader::Status::kLine) {
      const std::string bytes(line.bytes);
      reader.stepBack();
      EXPECT_EQ(reader.next(&line), LineReader::Status::kLine);
      EXPECT_EQ(std::string(line.bytes), bytes);
      got.push_back(bytes + "|" + std::string(line.text) + "|" +
                    std::to_string(reader.lineNumber()));
    }
    if (*last == LineReader::Status::kLongLine) {
      got.push_back("long " + std::string(line.bytes) + "|" +
                    std::to_string(reader.lineNumber()));
    }
  }
  ::close(fd);
  return got;
}

class RawLines : public ::testing::TestWithParam<bool> {};

TEST_P(RawLines, EachLineWithItsOwnEnd) {
  for (std::size_t capacity : {std::size_t{16}, std::size_t{1} << 22}) {
    LineReader::Status last;
    EXPECT_EQ(
        readRaw("    -1\n  2411\r\n\nlast\r", capacity, GetParam(), &last),
        (std::vector<std::string>{"    -1\n|    -1|1", "  2411\r\n|  2411|2",
                                  "\n||3", "last\r|last\r|4"}));
    EXPECT_EQ(last, LineReader::Status::kEndOfFile);
  }
}

// A line longer than the buffer: its first bytes (half a small buffer),
// counted as a line, with the status that tells it is cut.
TEST_P(RawLines, LineLongerThanTheBufferIsCut) {
  LineReader::Status last;
  EXPECT_EQ(
      readRaw("short\n" + std::string(40, 'x') + "\n", 16, GetParam(), &last),
      (std::vector<std::string>{"short\n|short|1", "long xxxxxxxx|2"}));
  EXPECT_EQ(last, LineReader::Status::kLongLine);
}

INSTANTIATE_TEST_SUITE_P(LineReader, RawLines, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) {
                           return p.param ? "ReadAhead" : "Itself";
                         });

// The block-lifetime rule (LineReader::lendRestOfBlock): while a task reads
// the rest of a block lent to it, the reader does not take the next block,
// which hands the lent one back to be refilled. The task holds on until
// the owner is inside the read that needs the next block and watches for
// that read to return: it must not before the task has ended.
TEST(LineReader, ABlockLentToATaskIsNotHandedBackWhileItReadsIt) {
  ScratchDir dir;
  std::string content;
  for (int k = 0; content.size() < 64 * 4096; ++k) {
    content += "line " + std::to_string(k) + "\n";
  }
  writeFile("f", content);
  const int fd = ::open("f", O_RDONLY);
  {
    LineReader reader(fd, 4096, /*readAhead=*/true);
    RawLine line;
    ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
    TaskThread borrower;
    const std::string_view lent = reader.lendRestOfBlock(&borrower);
    const std::string copy(lent);
    std::atomic<bool> started{false}, ownerReading{false}, ownerPassed{false};
    bool passedMeanwhile = false, sameBytes = false;
    borrower.post([&] {
      started = true;
      while (!ownerReading) std::this_thread::yield();
      const auto until =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
      while (!ownerPassed && std::chrono::steady_clock::now() < until) {
        std::this_thread::yield();
      }
      passedMeanwhile = ownerPassed;
      sameBytes = lent == copy;
    });
    while (!started) std::this_thread::yield();
    ownerReading = true;
    // The lines of the lent rest, then the first of the next block.
    const std::size_t lines =
        static_cast<std::size_t>(std::count(copy.begin(), copy.end(), '\n'));
    for (std::size_t k = 0; k <= lines; ++k) {
      ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
    }
    ownerPassed = true;
    borrower.wait();
    EXPECT_FALSE(passedMeanwhile)
        << "the next block was taken while the lent one was read";
    EXPECT_TRUE(sameBytes) << "the lent block changed while it was read";
  }
  ::close(fd);
}

TEST(OutputBuffer, WritesWhatWasCommitted) {
  ScratchDir dir;
  const int fd = ::open("o.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  {
    OutputBuffer out(fd, /*eager=*/false, 16);
    for (int k = 0; k < 10; ++k) {
      char* p = out.reserve(5);
      ASSERT_NE(p, nullptr);
      std::memcpy(p, "rec\r\n", 5);
      ASSERT_TRUE(out.commit(5));
    }
    ASSERT_TRUE(out.flush());
  }
  ::close(fd);
  std::string want;
  for (int k = 0; k < 10; ++k) want += "rec\r\n";
  EXPECT_EQ(support::readFile("o.txt"), want);
}

TEST(OutputBuffer, WriteErrorOfAFullDevice) {
  const int fd = ::open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "/dev/full is not available";
  OutputBuffer eager(fd, /*eager=*/true);
  char* p = eager.reserve(3);
  ASSERT_NE(p, nullptr);
  std::memcpy(p, "x\r\n", 3);
  EXPECT_FALSE(eager.commit(3));
  EXPECT_EQ(eager.lastError(), ENOSPC);
  ::close(fd);
}

}  // namespace
}  // namespace unv2tessal
