#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer keeps shadow memory for every byte of the read-ahead
// blocks that a helper thread touched: four times their size.
constexpr long kShadowFactor = 4;
#else
constexpr long kShadowFactor = 1;
#endif

constexpr long kBoundKiB = 16 * 1024;  // peak resident set of one check
// Allowed difference small -> large.
constexpr long kGrowthKiB = 2 * 1024 * kShadowFactor;

// Writes a mesh of `nodes` nodes, nodes/4 tetrahedra and one group of
// 100 nodes: 2.5 lines per node. Coordinates are the shortest valid field.
void writeMesh(const std::string& path, int nodes) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("    -1\n  2411\n", f);
  for (int n = 1; n <= nodes; ++n) std::fprintf(f, "%10d\n1.5\n", n);
  std::fputs("    -1\n    -1\n  2412\n", f);
  for (int e = 1; e <= nodes / 4; ++e) {
    const int a = 4 * e - 3;
    std::fprintf(f, "%10d%10d\n%10d%10d%10d%10d\n", e, 111, a, a + 1, a + 2,
                 a + 3);
  }
  std::fputs("    -1\n    -1\n  2435\n", f);
  std::fprintf(f, "%10d%60s%10d\nALL\n", 1, "", 100);
  for (int k = 1; k <= 100; k += 2) {
    std::fprintf(f, "%10d%10d%10d%10d%10d%10d%10d%10d\n", 7, k, 0, 0, 7, k + 1,
                 0, 0);
  }
  std::fputs("    -1\n", f);
  std::fclose(f);
}

struct ChildRun {
  int status = -1;
  long maxRssKiB = 0;
};

// Runs the built unvcheck on `file`, output thrown away, and returns its
// exit status and peak resident set size.
ChildRun runCheck(const std::string& file) {
  const std::string bin =
      (std::filesystem::path(support::binaryPath()).parent_path() / "unvcheck")
          .string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execl(bin.c_str(), bin.c_str(), file.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ChildRun r;
  int wstatus = 0;
  struct rusage usage {};
  ::wait4(pid, &wstatus, 0, &usage);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  r.maxRssKiB = usage.ru_maxrss;
  return r;
}

TEST(UnvcheckMemory, PeakMemoryDoesNotGrowWithTheMesh) {
  support::ScratchDir dir;
  writeMesh(dir.file("small.unv"), 400);
  writeMesh(dir.file("large.unv"), 1000000);  // 2.5 million lines
  const ChildRun small = runCheck(dir.file("small.unv"));
  const ChildRun large = runCheck(dir.file("large.unv"));
  ASSERT_EQ(small.status, 0) << "unvcheck missing or failing";
  ASSERT_EQ(large.status, 0);
  EXPECT_LT(large.maxRssKiB - small.maxRssKiB, kGrowthKiB)
      << "small " << small.maxRssKiB << " KiB, large " << large.maxRssKiB
      << " KiB";
  if (!kSanitized) {
    EXPECT_LT(large.maxRssKiB, kBoundKiB);
  }
}

}  // namespace
}  // namespace unv2tessal
