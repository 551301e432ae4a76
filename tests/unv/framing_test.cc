#include "unv/framing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "io/failure.h"
#include "support/test_io.h"
#include "unv/run_state.h"

namespace unv2tessal {
namespace {

using support::lines;
using support::ScratchDir;
using support::ScriptedConsole;
using support::writeFile;

// Where a dataset handler leaves the input.
enum class Leave {
  kAtFirstRecord,   // reads nothing of the body
  kAfterDelimiter,  // reads through the closing delimiter
};

struct ScanResult {
  std::vector<std::string> numbers;
  std::string report;  // "" when the walk reached the end of the file
  std::string path;    // full path of the input
};

ScanResult scan(const std::string& content, Leave leave) {
  ScratchDir dir;
  writeFile("in.unv", content);
  ScriptedConsole io({});
  unv2tessal::Run run(io, {});
  run.state.CHANNELS.unvUnit = 10;
  run.units.openUnit(10, "in.unv");
  ScanResult r;
  r.path = dir.file("in.unv");
  try {
    scanDatasets(run.units, 10, [&](std::string_view number) {
      r.numbers.emplace_back(number);
      if (leave == Leave::kAfterDelimiter) {
        std::string_view line;
        while (!atClosingDelimiter(run.units, 10))
          run.units.readLine(10, false, &line);
      }
    });
  } catch (const RunFailure& f) {
    r.report = formatReport(f);
  }
  return r;
}

TEST(ScanDatasets, FramingOfTheUniversalFile) {
  using V = std::vector<std::string>;
  struct Case {
    std::string_view what;
    std::string content;
    V want;
    bool cutShort = false;  // a handler reading the body meets end of file
  };
  const Case cases[] = {
      {"no delimiter at all", lines({"  2411", "         1", "  2412"}), V{}},
      {"only other datasets",
       lines({"    -1", "   151", "header", "    -1", "    -1", "  2420", "x",
              "    -1"}),
       V{" 151", "2420"}},
      {"number in columns 1-4", lines({"    -1", "2411", "    -1"}), V{"11  "}},
      {"number in columns 4-7", lines({"    -1", "   2411", "    -1"}),
       V{" 241"}},
      {"-10 is no delimiter", lines({"    -10", "  2411", "b"}), V{}},
      {"-1X is no delimiter", lines({"    -1X", "  2411", "b"}), V{}},
      {"minus sign in column 4", lines({"   -1", "  2411", "b"}), V{}},
      {"tab in column 7", lines({"    -1\t", "  2411", "b"}), V{}},
      {"trailing blanks", lines({"    -1   ", "  2411", "    -1"}), V{"2411"}},
      {"blank and text", lines({"    -1 text", "  2411", "    -1"}), V{"2411"}},
      {"-10 after a delimiter is a further delimiter",
       lines({"    -1", "    -10", "  2411", "    -1"}), V{"2411"}},
      {"any columns 3-6 of -1 after a delimiter",
       lines({"    -1", "xx  -1yyy", "  2412", "    -1"}), V{"2412"}},
      {"several delimiters in a row",
       lines({"    -1", "    -1", "    -1", "    -1", "  2412", "    -1"}),
       V{"2412"}},
      {"ends right after a closing delimiter",
       lines({"    -1", "  2435", "    -1"}), V{"2435"}},
      {"ends right after an opening delimiter",
       lines({"    -1", "  2411", "    -1", "    -1"}), V{"2411"}},
      {"opening delimiter without LF", "text\n    -1", V{}},
      {"ends inside a dataset", lines({"    -1", "  2420", "body"}), V{"2420"},
       true},
      {"number line read as columns 3-6 only",
       lines({"    -1", "XX2411 and more", "    -1"}), V{"2411"}},
      {"empty number line", lines({"    -1", "", "b", "    -1"}), V{"    "}},
      {"CR LF line ends", "    -1\r\n  2411\r\nb\r\n    -1\r\n", V{"2411"}},
      {"skipped dataset then a node dataset",
       lines({"    -1", "   151", "h", "    -1", "    -1", "  2411", "b",
              "    -1", "    -1", "  2412", "b", "    -1"}),
       V{" 151", "2411", "2412"}},
  };
  for (const Case& c : cases) {
    for (Leave leave : {Leave::kAtFirstRecord, Leave::kAfterDelimiter}) {
      const ScanResult r = scan(c.content, leave);
      EXPECT_EQ(r.numbers, c.want) << c.what;
      const bool eof = c.cutShort && leave == Leave::kAfterDelimiter;
      EXPECT_EQ(r.report,
                eof ? "forrtl: severe (24): end-of-file during read, unit 10, "
                      "file " +
                          r.path + "\r\n"
                    : "")
          << c.what;
    }
  }
}

TEST(ScanDatasets, HandlerMustNotTakeTheNextOpeningDelimiter) {
  // A handler that reads one line too many swallows the next dataset: its
  // number line is taken as an ordinary line.
  ScratchDir dir;
  writeFile("in.unv", lines({"    -1", "  2411", "b", "    -1", "    -1",
                             "  2412", "c", "    -1"}));
  ScriptedConsole io({});
  unv2tessal::Run run(io, {});
  run.units.openUnit(10, "in.unv");
  std::vector<std::string> numbers;
  scanDatasets(run.units, 10, [&](std::string_view number) {
    numbers.emplace_back(number);
    std::string_view line;
    for (int k = 0; k < 3; ++k) run.units.readLine(10, false, &line);
  });
  EXPECT_EQ(numbers, std::vector<std::string>{"2411"});
}

// The delimiter lines of `content` with their line numbers, found by the
// reader's fast scan through a buffer of `capacity` (by itself and reading
// ahead), and by splitting the text; the lines passed over, handed on in
// pieces, are the rest of the file.
TEST(NextDelimiterLine, FindsWhatLineByLineFinds) {
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
    if (isDelimiterLine(text)) {
      want.push_back(std::to_string(number) + ":" + text);
    }
    start = nl + 1;
  }
  for (const bool readAhead : {false, true}) {
    for (std::size_t capacity :
         {std::size_t{48}, std::size_t{100}, std::size_t{4096}}) {
      SCOPED_TRACE(std::to_string(capacity) + (readAhead ? " ahead" : ""));
      ScratchDir dir;
      writeFile("f", content);
      const int fd = ::open("f", O_RDONLY);
      std::vector<std::string> got;
      std::string all;  // every byte, passed over or found
      {
        LineReader reader(fd, capacity, readAhead);
        const LineReader::Passed passed{
            [](void* to, std::string_view bytes) {
              static_cast<std::string*>(to)->append(bytes);
            },
            &all};
        RawLine line;
        while (nextDelimiterLine(reader, &line, &passed) ==
               LineReader::Status::kLine) {
          got.push_back(std::to_string(reader.lineNumber()) + ":" +
                        std::string(line.text));
          all.append(line.bytes);
        }
      }
      ::close(fd);
      EXPECT_EQ(got, want);
      EXPECT_TRUE(all == content);
    }
  }
}

TEST(AtClosingDelimiter, ReadsOneLineAndStepsBackWhenItIsNoDelimiter) {
  ScratchDir dir;
  writeFile("in.unv", lines({"    -1 after", "    -10", "    -1"}));
  ScriptedConsole io({});
  unv2tessal::Run run(io, {});
  run.state.CHANNELS.unvUnit = 10;
  run.units.openUnit(10, "in.unv");
  EXPECT_TRUE(atClosingDelimiter(run.units, 10));
  EXPECT_FALSE(atClosingDelimiter(run.units, 10));
  std::string_view line;
  ASSERT_TRUE(run.units.readLine(10, false, &line));
  EXPECT_EQ(line, "    -10");
  EXPECT_TRUE(atClosingDelimiter(run.units, 10));
  try {
    atClosingDelimiter(run.units, 10);
    FAIL() << "no report at the end of the input";
  } catch (const RunFailure& f) {
    EXPECT_EQ(formatReport(f),
              "forrtl: severe (24): end-of-file during read, unit 10, file " +
                  dir.file("in.unv") + "\r\n");
  }
}

}  // namespace
}  // namespace unv2tessal
