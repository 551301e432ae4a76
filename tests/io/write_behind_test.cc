// Files written behind the conversion (WriteBehind, through Units) end as
// files written at once do, also when a write fails: the same report for the
// same file, the failing file holding what its failed write left, every
// other file exactly what it had been given by then.

#include "io/write_behind.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/failure.h"
#include "io/units.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::ScratchDir;
using support::ScriptedConsole;

// Files of this process are limited to `bytes` (a write past it fails with
// EFBIG, as on a full disk) while the object lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    savedSignal_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = static_cast<rlim_t>(bytes);
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, savedSignal_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  void (*savedSignal_)(int) = SIG_DFL;
  bool ok_ = false;
};

constexpr RecordLayout kWide{Repeat(8, IntegerField(10))};  // 82 bytes
constexpr RecordLayout kNarrow{IntegerField(10)};           // 12 bytes

struct Outcome {
  std::string report;  // "" when every file was closed
  std::string first;   // the files' content
  std::string second;
  std::string console;  // reports written while the run went on
  bool operator==(const Outcome&) const = default;
};
void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "report [" << o.report << "] first " << o.first.size()
      << " bytes, second " << o.second.size() << " bytes";
}

struct LimitCase {
  const char* name;
  std::uint64_t limit;
  bool firstIsWide;  // which file gets the 82-byte records
  int records;       // records of each file, one of each in turn
  int expectedUnit;  // unit of report 38, 0 for none
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

void writeOne(Units& units, int unit, bool wide, std::int32_t k) {
  if (wide) {
    units.writeRecord(unit, kWide, k, k, k, k, k, k, k, k);
  } else {
    units.writeRecord(unit, kNarrow, k);
  }
}

// Writes `records` records to units 21 and 24 in turn and closes them.
Outcome writeTwoFiles(const LimitCase& c, bool behind) {
  ::unlink("first.out");
  ::unlink("second.out");
  ScriptedConsole io({});
  Console console(io);
  Outcome o;
  {
    Units units(console, {});
    units.useHelperThreads(behind);
    units.openUnit(21, "first.out");
    units.openUnit(24, "second.out");
    // Until the units are closed, the failure settled included.
    FileSizeLimit limit(c.limit);
    if (!limit.ok()) return {"no limit", "", "", ""};
    try {
      for (std::int32_t k = 0; k < c.records; ++k) {
        writeOne(units, 21, c.firstIsWide, k);
        writeOne(units, 24, !c.firstIsWide, -k);
      }
      units.closeUnit(21);
      units.closeUnit(24);
    } catch (const RunFailure& thrown) {
      o.report = formatReport(units.settleFailure(thrown));
      units.closeAll();
    }
  }
  o.first = readFile("first.out");
  o.second = readFile("second.out");
  o.console = io.err;
  return o;
}

class WriteBehindFailure : public ::testing::TestWithParam<LimitCase> {};

TEST_P(WriteBehindFailure, LeavesTheFilesOfAWriteAtOnce) {
  const LimitCase& c = GetParam();
  ScratchDir dir;
  const Outcome atOnce = writeTwoFiles(c, false);
  const Outcome behind = writeTwoFiles(c, true);
  ASSERT_NE(atOnce.report, "no limit");
  EXPECT_EQ(behind, atOnce);
  if (c.expectedUnit == 0) {
    EXPECT_EQ(atOnce.report, "");
  } else {
    const std::string file = c.expectedUnit == 21 ? "first.out" : "second.out";
    EXPECT_EQ(atOnce.report, "forrtl: severe (38): error during write, unit " +
                                 std::to_string(c.expectedUnit) + ", file " +
                                 dir.file(file) + "\r\n");
  }
}

constexpr std::uint64_t kBuffer = OutputBuffer::kDefaultCapacity;
// 40000 records of 82 bytes: 3.1 MiB, six buffers and more; the 12-byte
// records of the other file fill a buffer less than once.
constexpr int kRecords = 40000;
INSTANTIATE_TEST_SUITE_P(
    FileSizeLimits, WriteBehindFailure,
    ::testing::Values(
        LimitCase{"firstWriteFails", 0, true, kRecords, 21},
        LimitCase{"firstWriteCutAfterOneByte", 1, true, kRecords, 21},
        LimitCase{"endOfTheFirstBuffer", kBuffer - 1, true, kRecords, 21},
        LimitCase{"exactlyOneBuffer", kBuffer, true, kRecords, 21},
        LimitCase{"secondBuffer", kBuffer + 1, true, kRecords, 21},
        // More buffers than are behind at once: hand-overs wait.
        LimitCase{"fifthBuffer", 4 * kBuffer + 1000, true, kRecords, 21},
        LimitCase{"lastWriteAtTheClose", 82 * kRecords - 1, true, kRecords, 21},
        LimitCase{"everyWriteFits", 82 * kRecords, true, kRecords, 0},
        LimitCase{"theOtherFileFails", 2 * kBuffer + 5, false, kRecords, 24},
        LimitCase{"smallerThanABuffer", 1000, true, 100, 21}),
    support::ByName());

TEST(WriteBehind, WritesEachFileInOrderAndCountsItsBytes) {
  ScratchDir dir;
  const int a = ::open("a.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int b = ::open("b.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::size_t none = 0;
  std::string wantA, wantB;
  std::vector<std::string> texts;
  for (int k = 0; k < 200; ++k) texts.push_back("text " + std::to_string(k));
  {
    WriteBehind behind;
    const int sa = behind.open(a, &none);
    const int sb = behind.open(b, &none);
    for (int k = 0; k < 200; ++k) {
      const std::string& t = texts[static_cast<std::size_t>(k)];
      behind.submit(k % 3 == 0 ? sb : sa, t.data(), t.size());
      (k % 3 == 0 ? wantB : wantA) += t;
    }
    behind.drain();
    int stream = -1, error = 0;
    EXPECT_FALSE(behind.failed(&stream, &error));
    EXPECT_EQ(behind.written(sa), wantA.size());
    EXPECT_EQ(behind.written(sb), wantB.size());
    EXPECT_EQ(behind.handedOver(sa), wantA.size());
    behind.close(sa);
    behind.close(sb);
  }
  ::close(a);
  ::close(b);
  EXPECT_EQ(readFile("a.out"), wantA);
  EXPECT_EQ(readFile("b.out"), wantB);
}

}  // namespace
}  // namespace unv2tessal
