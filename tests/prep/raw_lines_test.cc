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
                                 RawLineReader::Status* last, bool readAhead) {
  ScratchDir dir;
  writeFile("f", content);
  const int fd = ::open("f", O_RDONLY);
  std::vector<std::string> got;
  {
    // The reader (and a thread reading ahead) ends before the file closes.
    RawLineReader reader(fd, capacity, readAhead);
    RawLine line;
    while ((*last = reader.next(&line)) == RawLineReader::Status::kLine) {
      const std::string bytes(line.bytes);
      reader.stepBack();
      EXPECT_EQ(reader.next(&line), RawLineReader::Status::kLine);
      EXPECT_EQ(std::string(line.bytes), bytes);
      got.push_back(bytes + "|" + std::string(line.text) + "|" +
                    std::to_string(reader.lineNumber()));
    }
  }
  ::close(fd);
  return got;
}

// Each case is read by the reader itself and through a thread reading
// ahead: the lines must be the same.
class RawLineReaderModes : public ::testing::TestWithParam<bool> {};

TEST_P(RawLineReaderModes, HandsOutEachLineWithItsOwnEnd) {
  for (std::size_t capacity : {std::size_t{16}, std::size_t{1} << 22}) {
    RawLineReader::Status last;
    EXPECT_EQ(
        readAll("    -1\n  2411\r\n\nlast\r", capacity, &last, GetParam()),
        (std::vector<std::string>{"    -1\n|    -1|1", "  2411\r\n|  2411|2",
                                  "\n||3", "last\r|last\r|4"}));
    EXPECT_EQ(last, RawLineReader::Status::kEndOfFile);
  }
}

TEST_P(RawLineReaderModes, LineLongerThanTheBufferIsReported) {
  RawLineReader::Status last;
  EXPECT_EQ(
      readAll("short\n" + std::string(40, 'x') + "\n", 16, &last, GetParam()),
      std::vector<std::string>{"short\n|short|1"});
  EXPECT_EQ(last, RawLineReader::Status::kTooLong);
}

// The delimiter lines of `content` with their line numbers, found by
// nextDelimiter() through a buffer of `capacity`, and by splitting the text.
TEST_P(RawLineReaderModes, NextDelimiterFindsWhatLineByLineFinds) {
  std::string content;
  const char* lines[] = {"    -1",       "  2411", "    -10",  "         1   2",
                         "    -1 x",     "  -1",   "    -1\r", "\t    -1",
                         "    -1.5D+00", "",       "    -1"};
  for (int k = 0; k < 40; ++k) {
    content += std::string(static_cast<std::size_t>(k % 23), 'x') + "\n";
    content += std::string(lines[k % 11]) + "\n";
  }
  // Lines that start like a delimiter but are not one, next to one, at
  // many offsets of a 64-byte step of the scan (lines fit the smallest
  // buffer).
  for (int k = 0; k < 64; ++k) {
    content += std::string(static_cast<std::size_t>(k % 40), 'y') + "\n";
    content += "    -2\n    -10\n    -1\n    -1\n";
  }
  content += "    -1";  // the last line, without LF
  std::vector<std::string> want;
  std::size_t number = 0, start = 0;
  while (start < content.size()) {
    std::size_t nl = content.find('\n', start);
    if (nl == std::string::npos) nl = content.size();
    std::string text = content.substr(start, nl - start);
    if (nl < content.size() && !text.empty() && text.back() == '\r') {
      text.pop_back();
    }
    ++number;
    if (text.rfind("    -1", 0) == 0 && (text.size() == 6 || text[6] == ' ')) {
      want.push_back(std::to_string(number) + ":" + text);
    }
    start = nl + 1;
  }
  for (std::size_t capacity :
       {std::size_t{48}, std::size_t{100}, std::size_t{4096}}) {
    ScratchDir dir;
    writeFile("f", content);
    const int fd = ::open("f", O_RDONLY);
    std::vector<std::string> got;
    {
      RawLineReader reader(fd, capacity, GetParam());
      RawLine line;
      while (reader.nextDelimiter(&line) == RawLineReader::Status::kLine) {
        got.push_back(std::to_string(reader.lineNumber()) + ":" +
                      std::string(line.text));
      }
    }
    ::close(fd);
    EXPECT_EQ(got, want) << capacity;
  }
}

INSTANTIATE_TEST_SUITE_P(RawLineReader, RawLineReaderModes,
                         ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) {
                           return p.param ? "ReadAhead" : "Itself";
                         });

}  // namespace
}  // namespace unv2tessal
