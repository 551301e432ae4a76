#include "io/line_io.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
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
