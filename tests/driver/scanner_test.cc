#include "driver/scanner.h"

#include <gtest/gtest.h>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using testing::lines;
using testing::runInProcess;
using testing::ScratchDir;
using testing::writeFile;

constexpr std::string_view kBanner =
    " IDEAS Universal File -> Quol Grid Converter \r\n"
    " Quol Team, 2026\r\n"
    "  \r\n"
    " Please enter IDEAS universal filename (*.unv): \r\n";

std::string openingLine(std::string_view name) {
  std::string padded(name);
  padded.resize(64, ' ');
  return " Opening File " + padded + "\r\n";
}

TEST(Scanner, UnknownDatasetsAreSkippedAndNothingIsAsked) {
  ScratchDir dir;
  writeFile("in.unv", lines({"    -1", "   151", "header", "    -1", "    -1",
                             "  2420", "x", "    -1"}));
  const auto r = runInProcess({"in.unv"});
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.out, std::string(kBanner) + openingLine("in.unv") + " Done.\r\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace unv2tessal
