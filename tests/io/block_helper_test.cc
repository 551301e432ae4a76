// The BlockHelper's scheme on records of two lines ("a<k>", "b<k>"): the
// owner and the task together convert every record once, in order, the
// task's stretches where they start at the owner's record and hold its
// numbers; on a reader that does not read ahead no record is ever due. The
// owner waits for each task to begin, so that none is withdrawn.

#include "io/block_helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <string>
#include <thread>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::ScratchDir;
using support::writeFile;

constexpr std::size_t kMost = 1 << 16;  // records a task converts at most

// The record number of a first line "a<k> ...", or -1 for one the task
// does not take ("a<k> stop").
long numberOf(std::string_view first) {
  if (first.size() < 2 || first[0] != 'a' ||
      first.find("stop") != std::string_view::npos) {
    return -1;
  }
  long k = 0;
  std::from_chars(first.data() + 1, first.data() + first.size(), k);
  return k;
}

struct Done {
  std::vector<long> numbers;  // every record converted, in order
  std::uint64_t beside = 0;   // by the task
  bool due = false;           // a record was due
};

Done convertAll(const std::string& content, bool readAhead) {
  ScratchDir dir;
  writeFile("f", content);
  const int fd = ::open("f", O_RDONLY);
  Done done;
  {
    LineReader reader(fd, LineReader::kDefaultCapacity, readAhead);
    std::vector<long> helped(kMost);
    long base = 0;  // the owner's number at the task's start
    long first = 0;
    std::atomic<bool> began{false};
    BlockHelper helper(reader);
    const std::uint64_t before = threadCounts().recordsConvertedBeside;
    std::string_view line;
    long owner = 0;  // records the owner has seen
    while (reader.next(&line) == LineReader::Status::kLine) {
      if (helper.due(line.data())) {
        done.due = true;
        const BlockHelper::Stretch* s = helper.reached(line.data());
        if (s != nullptr) {
          EXPECT_EQ(first, base + static_cast<long>(s->recordsBefore));
          EXPECT_EQ(first, owner);
          for (std::size_t k = 0; k < s->records; ++k) {
            done.numbers.push_back(helped[k]);
          }
          owner += static_cast<long>(s->records);
          helper.took(*s);
          if (reader.next(&line) != LineReader::Status::kLine) break;
        }
        base = owner;
        began = false;
        helper.start(line.data(), [&helped, &first, &began](
                                      const char* p, const char* end,
                                      BlockHelper::Stretch* stretch) {
          began = true;
          std::string_view a, b;
          const char* q = nullptr;
          const char* next = nullptr;
          first = -1;
          if (lineIn(p, end, &a, &q)) first = numberOf(a);
          while (stretch->records < kMost && lineIn(p, end, &a, &q) &&
                 lineIn(q, end, &b, &next) && numberOf(a) >= 0) {
            helped[stretch->records++] = numberOf(a);
            stretch->end = p = next;
          }
        });
        while (helper.working() && !began) std::this_thread::yield();
      }
      done.numbers.push_back(numberOf(line) >= 0 ? numberOf(line)
                                                 : owner);  // a "stop"
      ++owner;
      EXPECT_EQ(reader.next(&line), LineReader::Status::kLine);
    }
    done.beside = threadCounts().recordsConvertedBeside - before;
  }
  ::close(fd);
  return done;
}

TEST(BlockHelper, OwnerAndTaskConvertEveryRecordOnceInOrder) {
  std::string content;
  const long records = 120000;  // about 4 MiB
  for (long k = 0; k < records; ++k) {
    content += 'a';
    content += std::to_string(k);
    content += k % 9973 == 17 ? " stop\nb" : " xxxxxxxx\nb";
    content.append(static_cast<std::size_t>(k % 7), 'y');
    content += '\n';
  }
  for (const bool readAhead : {false, true}) {
    SCOPED_TRACE(readAhead ? "read ahead" : "read by itself");
    const Done done = convertAll(content, readAhead);
    ASSERT_EQ(done.numbers.size(), static_cast<std::size_t>(records));
    for (long k = 0; k < records; ++k) {
      ASSERT_EQ(done.numbers[static_cast<std::size_t>(k)], k);
    }
    EXPECT_EQ(done.due, readAhead);
    if (readAhead) {
      EXPECT_GT(done.beside, static_cast<std::uint64_t>(records / 4));
    } else {
      EXPECT_EQ(done.beside, 0u);
    }
  }
}

}  // namespace
}  // namespace unv2tessal
