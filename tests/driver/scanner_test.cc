#include "driver/scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::kBanner;
using support::lines;
using support::openingLine;
using support::runInProcess;
using support::ScratchDir;
using support::writeFile;

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

}  // namespace
}  // namespace unv2tessal
