#include "grid/tessalgrid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/json_reader.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::JsonValue;

TEST(TessalgridCommandLine, ALineThatCannotBeRunIsUsage) {
  const struct {
    std::vector<std::string> args;
    std::string line;
  } rows[] = {
      {{}, "needs one MESH.unv, got 0 file names"},
      {{"a.unv", "b.unv"}, "needs one MESH.unv, got 2 file names"},
      {{"--dim", "4", "a.unv"}, "--dim must be 2 or 3, not '4'"},
      {{"a.unv", "-o"}, "-o needs a value"},
      {{"--output=", "a.unv"}, "--output needs a value"},
      {{"--vtu", "", "a.unv"}, "--vtu needs a value"},
      {{"--keep-nodes=yes", "a.unv"}, "--keep-nodes takes no value"},
      {{"--answers", "x", "a.unv"}, "unknown option '--answers'"},
  };
  for (const auto& row : rows) {
    std::string out, err;
    EXPECT_EQ(runTessalgrid(row.args, &out, &err), 2);
    EXPECT_EQ(err, "tessalgrid: " + row.line + "\nTry 'tessalgrid --help'.\n");
    EXPECT_EQ(out, "");
  }
  std::string out, err;
  EXPECT_EQ(runTessalgrid({"--", "--help"}, &out, &err), 2);  // a file name
  EXPECT_EQ(err, "tessalgrid: --help: No such file or directory\n");
}

// The JSON summary of the gmsh channel (6-node triangles and 3-node beams
// in four physical groups), member by member.
TEST(TessalgridSummary, JsonTellsWhatTheRunMade) {
  support::ScratchDir dir;
  const std::string mesh =
      support::testDataDir() + "/../../examples/channel.unv";
  std::string out, err;
  ASSERT_EQ(runTessalgrid({"--json", "-o", "ch", mesh}, &out, &err), 0) << err;
  EXPECT_EQ(err, "");
  const JsonValue j = support::parseJson(out);
  EXPECT_EQ(j["input"].text, mesh);
  std::vector<std::string> files;
  for (const JsonValue& f : j["files"].items) {
    files.push_back(f["path"].text);
    EXPECT_EQ(f["bytes"].number,
              static_cast<long long>(support::readFile(f["path"].text).size()));
  }
  EXPECT_EQ(files, (std::vector<std::string>{"ch.xyz", "ch.cnc", "ch.map",
                                             "ch.vmap", "ch.inp"}));
  EXPECT_EQ(j["dim"].number, 2);
  EXPECT_FALSE(j["dim_given"].boolean);
  EXPECT_EQ(j["dim_reason"].text,
            "chosen: no element of the mesh is one that a 3D grid writes");
  EXPECT_EQ(j["vertices"].number, 18);
  EXPECT_EQ(j["nodes_dropped"].number, 39);
  EXPECT_TRUE(j["renumbered"].boolean);
  EXPECT_EQ(j["elements"].number, 22);
  EXPECT_EQ(j["elements_written"]["91"].number, 22);
  EXPECT_EQ(j["reduced"]["92"].number, 22);
  EXPECT_EQ(j["dropped_by_grid"]["24"].number, 12);
  const struct {
    const char* name;
    long long vertices, leftOut;
  } regions[] = {
      {"inlet", 3, 2}, {"outlet", 3, 2}, {"walls", 10, 8}, {"fluid", 18, 0}};
  ASSERT_EQ(j["regions"].items.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(j["regions"][k]["name"].text, regions[k].name);
    EXPECT_EQ(j["regions"][k]["vertices"].number, regions[k].vertices);
    EXPECT_EQ(j["regions"][k]["nodes_left_out"].number, regions[k].leftOut);
  }
  EXPECT_TRUE(j["warnings"].items.empty());
  EXPECT_EQ(j["status"].number, 0);
}

}  // namespace
}  // namespace unv2tessal

namespace unv2tessal {
namespace {

// The .vtu is one of the set, with a point array for each region.
TEST(TessalgridSummary, VtuOfAGridWithRegions) {
  support::ScratchDir dir;
  const std::string mesh =
      support::testDataDir() + "/../../examples/example.unv";
  std::string out, err;
  ASSERT_EQ(runTessalgrid({"--vtu", "g.vtu", "-o", "g", mesh}, &out, &err), 0)
      << err;
  const std::string vtu = support::readFile("g.vtu");
  for (const char* region : {"INLET", "OUTLET_F", "TOP_EDGE", "ALL_NODE"}) {
    EXPECT_NE(vtu.find(std::string("Name=\"") + region + "\""),
              std::string::npos)
        << region;
  }
  EXPECT_NE(err.find("  g.vtu: "), std::string::npos) << err;
}

}  // namespace
}  // namespace unv2tessal
