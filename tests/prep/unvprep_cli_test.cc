#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prep/prep.h"

namespace unv2tessal {
namespace {

TEST(UnvprepCli, UsageErrorsAreOneLineAndStatus2) {
  struct Row {
    std::vector<std::string> args;
    std::string err;
  } rows[] = {
      {{"in.unv"}, "needs INPUT.unv and OUTPUT.unv, got 1 file names"},
      {{"--dim", "4", "a", "b"}, "--dim must be 2 or 3, not '4'"},
      {{"a", "b", "--answers"}, "--answers needs a value"},
      {{"--json=1", "a", "b"}, "--json takes no value"},
      {{"--frobnicate", "a", "b"}, "unknown option '--frobnicate'"},
      {{"--prefix", "p", "a", "b"},
       "--prefix names files in the answers: give --answers"},
      {{"--answers=b", "a", "b"},
       "--answers and OUTPUT.unv name the same file"},
  };
  for (const Row& row : rows) {
    std::string out, err;
    EXPECT_EQ(runUnvprep(row.args, &out, &err), 2);
    EXPECT_EQ(err, "unvprep: " + row.err + "\nTry 'unvprep --help'.\n");
    EXPECT_EQ(out, "");
  }
}

TEST(UnvprepCli, HelpAndVersionGoToStandardOutput) {
  std::string out, err;
  EXPECT_EQ(runUnvprep({"--version"}, &out, &err), 0);
  EXPECT_EQ(out, "unvprep " UNV2TESSAL_VERSION "\n");
  out.clear();
  EXPECT_EQ(runUnvprep({"a", "-h"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("Usage: unvprep [options] INPUT.unv OUTPUT.unv\n", 0),
            0u);
  EXPECT_EQ(err, "");
}

}  // namespace
}  // namespace unv2tessal
