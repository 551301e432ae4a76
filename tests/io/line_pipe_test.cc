#include "io/line_pipe.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "io/line_io.h"
#include "io/safe_output.h"

namespace unv2tessal {
namespace {

// Writes `text` through a SafeOutput on the pipe in pieces of random
// sizes on a thread of its own (`fail`: stops halfway without finishing),
// and reads it back as lines by a LineReader.
std::vector<std::string> throughPipe(const std::string& text, unsigned seed,
                                     bool fail = false,
                                     LineReader::Status* last = nullptr) {
  LinePipe pipe;
  std::thread writer([&] {
    SafeOutput out;
    out.openPipe(pipe, "pipe");
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> piece(1, 300000);
    const std::size_t stop = fail ? text.size() / 2 : text.size();
    for (std::size_t at = 0; at < stop;) {
      const std::size_t n = std::min(piece(random), stop - at);
      out.write(std::string_view(text).substr(at, n));
      at += n;
    }
    if (!fail) out.finish();
  });
  LineReader reader(&pipe);
  std::vector<std::string> lines;
  std::string_view line;
  LineReader::Status status;
  while ((status = reader.next(&line)) == LineReader::Status::kLine) {
    lines.emplace_back(line);
  }
  if (last != nullptr) *last = status;
  writer.join();
  return lines;
}

// The text as LineReader hands a file's lines out.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t lf = text.find('\n', at);
    const bool whole = lf != std::string::npos;
    if (!whole) lf = text.size();
    std::string line = text.substr(at, lf - at);
    if (whole && !line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = lf + 1;
  }
  return lines;
}

TEST(LinePipe, HandsOverTheLinesWrittenWhateverThePieces) {
  std::string many;
  for (int k = 0; k < 200000; ++k) {
    many += std::string(static_cast<std::size_t>(k % 97), 'x') +
            (k % 3 == 0 ? "\r\n" : "\n");
  }
  const std::string longLine(LinePipe::kCapacity - 5, 'L');
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"nothing", ""},
      {"one line", "    -1\n"},
      {"last line without LF", "a\nb\r\nc"},
      {"CR without LF at the end", "a\nb\r"},
      {"many lines across buffers", many},
      {"a line nearly a buffer long", "a\n" + longLine + "\nz\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (unsigned seed : {1u, 2u}) {
      LineReader::Status last;
      EXPECT_EQ(throughPipe(c.text, seed, false, &last), linesOf(c.text));
      EXPECT_EQ(last, LineReader::Status::kEndOfFile);
    }
  }
}

TEST(LinePipe, AWriterThatFailsEndsTheTextWithAnError) {
  std::string text;
  for (int k = 0; k < 100000; ++k) text += "0123456789012345678\n";
  LineReader::Status last;
  const std::vector<std::string> lines = throughPipe(text, 3, true, &last);
  EXPECT_EQ(last, LineReader::Status::kError);
  EXPECT_LE(lines.size(), 50000u);
}

TEST(LinePipe, AReaderThatStopsLetsTheWriterRunToItsEnd) {
  LinePipe pipe;
  std::thread writer([&] {
    SafeOutput out;
    out.openPipe(pipe, "pipe");
    for (int k = 0; k < 20 * 100000; ++k) out.write("abcdefghijklmn\n");
    out.finish();
  });
  LineReader reader(&pipe);
  std::string_view line;
  ASSERT_EQ(reader.next(&line), LineReader::Status::kLine);
  EXPECT_EQ(line, "abcdefghijklmn");
  pipe.abandon();
  writer.join();  // it would wait for room forever otherwise
}

}  // namespace
}  // namespace unv2tessal
