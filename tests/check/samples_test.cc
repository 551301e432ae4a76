#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "check/file_check.h"
#include "check/unvcheck.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::samplesDir;
using support::testDataDir;

// The reports on the shared sample files. Their dataset lines were checked
// against an independent walk of each file, their counts against the
// inventories of SOURCES.md, and their written elements and map lines
// against conversions of each file in 2D and in 3D.
TEST(UnvcheckSamples, ReportsMatchReviewedOutput) {
  const std::string samples = samplesDir();
  if (samples.empty()) GTEST_SKIP() << support::kNoSamples;
  const std::string expected = testDataDir() + "/check/samples";
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(samples);
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(expected)) {
    const std::string name = e.path().stem().string();
    SCOPED_TRACE(name);
    std::string out, err;
    const int status = runUnvcheck({name + ".unv"}, &out, &err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, readFile(e.path().string()));
    ++files;
  }
  std::filesystem::current_path(previous);
  EXPECT_EQ(files, 12);
}

// Figures stated in SOURCES.md, read from the report itself.
TEST(UnvcheckSamples, CountsAgreeWithTheSampleInventories) {
  const std::string samples = samplesDir();
  if (samples.empty()) GTEST_SKIP() << support::kNoSamples;
  const CheckReport ssls =
      checkFile(samples + "/ideas7_ssls130b_shell_2435.unv");
  EXPECT_EQ(ssls.nodes.labels.count(), 754);
  EXPECT_EQ(ssls.nodes.labels.max(), 897);
  EXPECT_EQ(ssls.elements.perFeId.at(91), 160);
  EXPECT_EQ(ssls.elements.perFeId.at(94), 612);
  ASSERT_EQ(ssls.groups.groups.size(), 6u);
  std::int64_t nodes = 0, elements = 0;
  for (const GroupFacts& g : ssls.groups.groups) {
    nodes += g.nodes;
    elements += g.elements;
  }
  EXPECT_EQ(nodes, 122);
  EXPECT_EQ(elements, 1492);
  EXPECT_EQ(ssls.groups.groups[1].regionId, "DROI_NO ");

  const CheckReport sim = checkFile(samples + "/simcenter_beam_shell_gaps.unv");
  EXPECT_EQ(sim.elements.labels.count(), 16688);
  EXPECT_EQ(sim.elements.labels.first(), 12082);
  EXPECT_FALSE(sim.elements.labels.ascending());
  EXPECT_EQ(sim.elements.beams.at(21), 4751);

  const CheckReport tet10 = checkFile(samples + "/gmsh_tet10_nodegroups.unv");
  ASSERT_EQ(tet10.otherGroups.size(), 1u);
  EXPECT_EQ(tet10.otherGroups[0].groups, 5);
  EXPECT_EQ(tet10.otherGroups[0].entities, 2192);
  EXPECT_EQ(tet10.elements.continued.at(118), 627);

  const CheckReport crlf = checkFile(samples + "/crlf_tet_2452.unv");
  EXPECT_EQ(crlf.otherGroups[0].groups, 7);
  EXPECT_EQ(crlf.otherGroups[0].entities, 4279);
  const CheckReport wedge =
      checkFile(samples + "/ideas5_sdlv122a_wedge_2430.unv");
  EXPECT_EQ(wedge.otherGroups[0].groups, 12);
  EXPECT_EQ(wedge.otherGroups[0].entities, 381);
}

}  // namespace
}  // namespace unv2tessal
