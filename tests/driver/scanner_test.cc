#include "driver/scanner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/failure.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::kBanner;
using support::lines;
using support::openingLine;
using support::runInProcess;
using support::ScratchDir;
using support::ScriptedConsole;
using support::writeFile;

TEST(Scanner, UnknownDatasetsAreSkippedAndNothingIsAsked) {
  ScratchDir dir;
  writeFile("in.unv", lines({"    -1", "   151", "header", "    -1", "    -1",
                             "  2420", "x", "    -1"}));
  const auto r = runInProcess({"in.unv"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, std::string(kBanner) + openingLine("in.unv") + " Done.\r\n");
  EXPECT_EQ(r.err, "");
}

TEST(Scanner, InputWithoutDelimitersCreatesNoOutputFile) {
  ScratchDir dir;
  writeFile("in.unv", lines({"  2411", "         1", "  2412", "  2435"}));
  const auto r = runInProcess({"in.unv"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, std::string(kBanner) + openingLine("in.unv") + " Done.\r\n");
  EXPECT_EQ(r.err, "");
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    files.push_back(e.path().filename().string());
  }
  EXPECT_EQ(files, std::vector<std::string>{"in.unv"});
}

TEST(Scanner, GroupDatasetIsFollowedByNoFinishedLine) {
  ScratchDir dir;
  writeFile("in.unv", lines({"    -1", "  2435", "    -1"}));
  const auto r = runInProcess({"in.unv", ""});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out,
            std::string(kBanner) + openingLine("in.unv") +
                " Enter GRID commands' filename for output (*.inp) [default: "
                "grid.inp]:\r\n"
                " Processing ...\r\n"
                " Grid is 3D.\r\n"
                " Done.\r\n");
  EXPECT_EQ(r.err, "");
}

TEST(Scanner, BlankInputNameTakesTheFirstArgument) {
  ScratchDir dir;
  writeFile("mesh.unv", lines({"    -1", "   151", "    -1"}));
  const auto r = runInProcess({"   "}, {"mesh.unv"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, std::string(kBanner) + openingLine("") + " Done.\r\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace unv2tessal
