#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "check/report_json.h"
#include "check/unvcheck.h"
#include "support/json_reader.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using Value = support::JsonValue;

TEST(UnvcheckJson, ReportParsesBackWithItsFigures) {
  const std::string dir = support::testDataDir() + "/check/";
  std::string out, err;
  const int status = runUnvcheck(
      {"--json", dir + "regions.unv", dir + "truncated.unv"}, &out, &err);
  EXPECT_EQ(status, 2);
  ASSERT_EQ(out.back(), '\n');
  const Value doc = support::parseJson(out);
  EXPECT_EQ(doc["exit_status"].number, 2);
  ASSERT_EQ(doc["files"].items.size(), 2u);

  const Value& r = doc["files"][0];
  EXPECT_EQ(r["file"].text, dir + "regions.unv");
  EXPECT_EQ(r["exit_status"].number, 1);
  EXPECT_EQ(r["datasets"][2]["number"].text, "2435");
  EXPECT_EQ(r["datasets"][2]["first_line"].number, 21);
  EXPECT_EQ(r["datasets"][2]["last_line"].number, 33);
  EXPECT_EQ(r["nodes"]["labels"]["first"].number, 101);
  EXPECT_TRUE(r["nodes"]["renumbering_asked"].boolean);
  EXPECT_EQ(r["nodes"]["node_offset"].number, 100);
  EXPECT_EQ(r["elements"]["labels"]["missing"].number, 2);
  EXPECT_EQ(r["elements"]["grid_2d"]["map_lines"].number, 1);
  EXPECT_EQ(r["groups"]["groups"][1]["region_id"].text, "INLET_SI");
  EXPECT_EQ(r["groups"]["groups"][1]["tags_outside"].number, 1);
  EXPECT_EQ(r["groups"]["tag_check"].text, "exact");
  EXPECT_EQ(r["verdict"]["2d"]["elements"].number, 3);
  EXPECT_EQ(r["verdict"]["3d"]["regions"].number, 3);
  EXPECT_EQ(r["warnings"].items.size(), 6u);
  EXPECT_EQ(r["warnings"][3].text,
            "region ID \"INLET_SI\" is shared by 2 groups: \"INLET_SIDE_A\", "
            "\"INLET_SIDE_B\"");

  const Value& bad = doc["files"][1];
  EXPECT_EQ(bad["exit_status"].number, 2);
  EXPECT_EQ(bad["error"]["file"].text, dir + "truncated.unv");
  EXPECT_EQ(bad["error"]["line"].number, 13);  // the file's last line
  EXPECT_EQ(bad["error"]["column"].number, 0);
  EXPECT_EQ(bad["error"]["message"].text,
            "the file ends before the closing delimiter (dataset 2412 begun "
            "at line 10)");
  EXPECT_EQ(bad.members.count("verdict"), 0u);
}

TEST(UnvcheckJson, NoFileVerdictsAreNull) {
  const std::string dir = support::testDataDir() + "/check/";
  std::string out, err;
  runUnvcheck({dir + "plane_stress.unv", "--json"}, &out, &err);
  const Value r = support::parseJson(out)["files"][0];
  EXPECT_EQ(r["verdict"]["2d"]["vertices"].number, 4);
  EXPECT_EQ(r["verdict"]["2d"]["elements"].number, 0);
  EXPECT_EQ(r["verdict"]["2d"]["regions"].kind, Value::kNull);
  EXPECT_FALSE(r["elements"]["fe_ids"][0]["written_in_2d"].boolean);
}

// Higher-order elements of the written kinds by FE id and node count, apart
// from the elements with continuation records passed over; the empty lines
// between element records counted.
TEST(UnvcheckJson, HigherOrderElementsAndEmptyLines) {
  const std::string dir = support::testDataDir() + "/check/";
  std::string out, err;
  runUnvcheck({"--json", dir + "empty_lines.unv", dir + "beams.unv"}, &out,
              &err);
  const Value doc = support::parseJson(out);
  const Value& e = doc["files"][0]["elements"];
  ASSERT_EQ(e["higher_order"].items.size(), 2u);
  const long long want[2][4] = {{94, 16, 1, 4}, {115, 64, 1, 8}};
  for (std::size_t k = 0; k < 2; ++k) {
    const Value& h = e["higher_order"][k];
    EXPECT_EQ(h["fe_id"].number, want[k][0]);
    EXPECT_EQ(h["nodes"].number, want[k][1]);
    EXPECT_EQ(h["count"].number, want[k][2]);
    EXPECT_EQ(h["corners"].number, want[k][3]);
  }
  EXPECT_EQ(e["empty_lines"].number, 3);
  EXPECT_EQ(e["fe_ids"][1]["with_continuation"].number, 0);  // FE 115
  EXPECT_EQ(doc["files"][0]["warnings"].items.size(), 1u);

  const Value& beams = doc["files"][1]["elements"];
  EXPECT_EQ(beams["higher_order"].items.size(), 0u);
  EXPECT_EQ(beams["empty_lines"].number, 0);
  EXPECT_EQ(beams["fe_ids"][2]["with_continuation"].number, 1);  // FE 116
}

TEST(UnvcheckJson, StringsAreEscaped) {
  EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
}

}  // namespace
}  // namespace unv2tessal
