#include "prep/raw_lines.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::ScratchDir;
using support::writeFile;

// Every line's bytes and text, read through a buffer of `capacity`, each
// line read twice (stepBack) to cross the buffer refills.
std::vector<std::string> readAll(const std::string& content,
                                 std::size_t capacity,
                                 RawLineReader::Status* last) {
  ScratchDir dir;
  writeFile("f", content);
  const int fd = ::open("f", O_RDONLY);
  RawLineReader reader(fd, capacity);
  std::vector<std::string> got;
  RawLine line;
  while ((*last = reader.next(&line)) == RawLineReader::Status::kLine) {
    const std::string bytes(line.bytes);
    reader.stepBack();
    EXPECT_EQ(reader.next(&line), RawLineReader::Status::kLine);
    EXPECT_EQ(std::string(line.bytes), bytes);
    got.push_back(bytes + "|" + std::string(line.text) + "|" +
                  std::to_string(reader.lineNumber()));
  }
  ::close(fd);
  return got;
}

TEST(RawLineReader, HandsOutEachLineWithItsOwnEnd) {
  for (std::size_t capacity : {std::size_t{16}, std::size_t{1} << 22}) {
    RawLineReader::Status last;
    EXPECT_EQ(
        readAll("    -1\n  2411\r\n\nlast\r", capacity, &last),
        (std::vector<std::string>{"    -1\n|    -1|1", "  2411\r\n|  2411|2",
                                  "\n||3", "last\r|last\r|4"}));
    EXPECT_EQ(last, RawLineReader::Status::kEndOfFile);
  }
}

TEST(RawLineReader, LineLongerThanTheBufferIsReported) {
  RawLineReader::Status last;
  EXPECT_EQ(readAll("short\n" + std::string(40, 'x') + "\n", 16, &last),
            std::vector<std::string>{"short\n|short|1"});
  EXPECT_EQ(last, RawLineReader::Status::kTooLong);
}

}  // namespace
}  // namespace unv2tessal
