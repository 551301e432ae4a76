// The FE descriptor table, the group dataset kinds and the entity-record
// count rule, as every program reads them.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "unv/fe_descriptors.h"
#include "unv/group_records.h"
#include "unv/mesh_records.h"

namespace unv2tessal {
namespace {

// Every row of the table, and ids it does not hold: a wrong id in the
// table makes a kind unknown (its elements dropped, a beam's orientation
// record read as its nodes).
TEST(FeDescriptorTable, EveryRowAndUnknownIds) {
  struct Row {
    std::int32_t id;
    std::string_view name;
    Shape in2D;
    Shape in3D;
    bool orientation;
  };
  const Row rows[] = {
      {11, "rod", {0, 0}, {0, 0}, true},
      {21, "linear beam", {0, 0}, {0, 0}, true},
      {22, "tapered beam", {0, 0}, {0, 0}, true},
      {23, "curved beam", {0, 0}, {0, 0}, true},
      {24, "parabolic beam", {0, 0}, {0, 0}, true},
      {31, "straight pipe", {0, 0}, {0, 0}, true},
      {32, "curved pipe", {0, 0}, {0, 0}, true},
      {41, "plane stress linear triangle", {0, 0}, {0, 0}, false},
      {42, "plane stress parabolic triangle", {0, 0}, {0, 0}, false},
      {43, "plane stress cubic triangle", {0, 0}, {0, 0}, false},
      {44, "plane stress linear quadrilateral", {0, 0}, {0, 0}, false},
      {45, "plane stress parabolic quadrilateral", {0, 0}, {0, 0}, false},
      {46, "plane stress cubic quadrilateral", {0, 0}, {0, 0}, false},
      {51, "plane strain linear triangle", {0, 0}, {0, 0}, false},
      {52, "plane strain parabolic triangle", {0, 0}, {0, 0}, false},
      {53, "plane strain cubic triangle", {0, 0}, {0, 0}, false},
      {54, "plane strain linear quadrilateral", {0, 0}, {0, 0}, false},
      {55, "plane strain parabolic quadrilateral", {0, 0}, {0, 0}, false},
      {56, "plane strain cubic quadrilateral", {0, 0}, {0, 0}, false},
      {61, "plate linear triangle", {0, 0}, {0, 0}, false},
      {62, "plate parabolic triangle", {0, 0}, {0, 0}, false},
      {63, "plate cubic triangle", {0, 0}, {0, 0}, false},
      {64, "plate linear quadrilateral", {0, 0}, {0, 0}, false},
      {65, "plate parabolic quadrilateral", {0, 0}, {0, 0}, false},
      {66, "plate cubic quadrilateral", {0, 0}, {0, 0}, false},
      {71, "membrane linear quadrilateral", {0, 0}, {0, 0}, false},
      {72, "membrane parabolic triangle", {0, 0}, {0, 0}, false},
      {73, "membrane cubic triangle", {0, 0}, {0, 0}, false},
      {74, "membrane linear triangle", {0, 0}, {0, 0}, false},
      {75, "membrane parabolic quadrilateral", {0, 0}, {0, 0}, false},
      {76, "membrane cubic quadrilateral", {0, 0}, {0, 0}, false},
      {81, "axisymmetric solid linear triangle", {0, 0}, {0, 0}, false},
      {82, "axisymmetric solid parabolic triangle", {0, 0}, {0, 0}, false},
      {84, "axisymmetric solid linear quadrilateral", {0, 0}, {0, 0}, false},
      {85, "axisymmetric solid parabolic quadrilateral", {0, 0}, {0, 0}, false},
      {91, "thin shell linear triangle", {1, 3}, {0, 0}, false},
      {92, "thin shell parabolic triangle", {0, 0}, {0, 0}, false},
      {93, "thin shell cubic triangle", {0, 0}, {0, 0}, false},
      {94, "thin shell linear quadrilateral", {2, 4}, {0, 0}, false},
      {95, "thin shell parabolic quadrilateral", {0, 0}, {0, 0}, false},
      {96, "thin shell cubic quadrilateral", {0, 0}, {0, 0}, false},
      {101, "thick shell linear wedge", {0, 0}, {0, 0}, false},
      {102, "thick shell parabolic wedge", {0, 0}, {0, 0}, false},
      {103, "thick shell cubic wedge", {0, 0}, {0, 0}, false},
      {104, "thick shell linear brick", {0, 0}, {0, 0}, false},
      {105, "thick shell parabolic brick", {0, 0}, {0, 0}, false},
      {106, "thick shell cubic brick", {0, 0}, {0, 0}, false},
      {111, "solid linear tetrahedron", {0, 0}, {3, 4}, false},
      {112, "solid linear wedge", {0, 0}, {5, 6}, false},
      {113, "solid parabolic wedge", {0, 0}, {0, 0}, false},
      {114, "solid cubic wedge", {0, 0}, {0, 0}, false},
      {115, "solid linear brick", {0, 0}, {6, 8}, false},
      {116, "solid parabolic brick", {0, 0}, {0, 0}, false},
      {117, "solid cubic brick", {0, 0}, {0, 0}, false},
      {118, "solid parabolic tetrahedron", {0, 0}, {0, 0}, false},
      {121, "rigid bar", {0, 0}, {0, 0}, false},
      {122, "rigid element", {0, 0}, {0, 0}, false},
      {136, "node to node translational spring", {0, 0}, {0, 0}, false},
      {137, "node to node rotational spring", {0, 0}, {0, 0}, false},
      {161, "lumped mass", {0, 0}, {0, 0}, false},
      {171, "axisymmetric linear shell", {0, 0}, {0, 0}, false},
      {172, "axisymmetric parabolic shell", {0, 0}, {0, 0}, false},
      {0, "unknown element kind", {0, 0}, {0, 0}, false},
      {25, "unknown element kind", {0, 0}, {0, 0}, false},
      {83, "unknown element kind", {0, 0}, {0, 0}, false},
      {-91, "unknown element kind", {0, 0}, {0, 0}, false},
      {255, "unknown element kind", {0, 0}, {0, 0}, false},
      {256 + 91, "unknown element kind", {0, 0}, {0, 0}, false},
      {std::numeric_limits<std::int32_t>::min(),
       "unknown element kind",
       {0, 0},
       {0, 0},
       false},
  };
  int known = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id);
    const FeDescriptor& d = feDescriptor(r.id);
    EXPECT_EQ(d.name, r.name);
    EXPECT_EQ(d.hasOrientationRecord(), r.orientation);
    EXPECT_EQ(d.in2D.code, r.in2D.code);
    EXPECT_EQ(d.in2D.vertices, r.in2D.vertices);
    EXPECT_EQ(d.in3D.code, r.in3D.code);
    EXPECT_EQ(d.in3D.vertices, r.in3D.vertices);
    EXPECT_EQ(findShape(true, r.id) != nullptr, r.in2D.vertices != 0);
    EXPECT_EQ(findShape(false, r.id) != nullptr, r.in3D.vertices != 0);
    if (r.name != "unknown element kind") {
      ++known;
      EXPECT_EQ(d.id, r.id);
      EXPECT_NE(d.family, FeFamily::kUnknown);
    }
  }
  // Every id below 256 that the rows do not name is unknown.
  for (std::int32_t id = 0; id < 256; ++id) {
    bool listed = false;
    for (const Row& r : rows) listed = listed || r.id == id;
    if (!listed) {
      EXPECT_EQ(feDescriptor(id).name, "unknown element kind") << id;
    }
  }
  EXPECT_EQ(known, 62);
}

// The connectivity file's shape codes back to their shapes (tessal2vtk).
TEST(FeDescriptorTable, WrittenShapeOfEachCode) {
  struct Row {
    std::int32_t code;
    std::int32_t vertices;  // 0: no written shape
    bool in2D;
  };
  const Row rows[] = {{1, 3, true},   {2, 4, true},  {3, 4, false},
                      {5, 6, false},  {6, 8, false}, {0, 0, false},
                      {4, 0, false},  {7, 0, false}, {9, 0, false},
                      {-1, 0, false}, {10, 0, false}};
  for (const Row& r : rows) {
    const WrittenShape* w = writtenShapeOfCode(r.code);
    ASSERT_EQ(w != nullptr, r.vertices != 0) << r.code;
    if (w == nullptr) continue;
    EXPECT_EQ(w->shape.code, r.code);
    EXPECT_EQ(w->shape.vertices, r.vertices) << r.code;
    EXPECT_EQ(w->in2D, r.in2D) << r.code;
  }
}

TEST(FeDescriptorTable, ContinuationRecordsFromTheNodeCount) {
  // Descriptor records: the FE id in columns 11-20, the node count in
  // columns 51-60.
  struct Row {
    std::string id;
    std::string countColumns;
    std::int32_t records;
  };
  const Row rows[] = {
      {"       118", "        10", 1},
      {"       118", "         9", 1},
      {"       118", "         8", 0},
      {"       118", "        17", 2},
      {"       118", "        16", 1},
      {"       118", "          ", 0},
      {"       118", "       1x0", 0},
      {"       118", "   20", 2},  // ends early
      {"       118", "", 0},
      {"        11", "        20", 2},
      // The written kinds follow their count too (complete higher-order
      // elements), and keep two records at 8 or less.
      {"       115", "        27", 3},
      {"       115", "        64", 7},
      {"        94", "         9", 1},
      {"        91", "        10", 1},
      {"       111", "        20", 2},
      {"       112", "        18", 2},
      {"       115", "         8", 0},
      {"        91", "         6", 0},
      {"       115", "        -9", 0},
      {"       115", "    x27   ", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.id + " '" + r.countColumns + "'");
    const std::string descriptor =
        "         1" + r.id + "         1         1         7" + r.countColumns;
    EXPECT_EQ(continuationRecords(descriptor), r.records);
  }
}

// The node count is columns 51-60; a descriptor cut before them has none,
// and one cut inside them the count its columns hold.
TEST(FeDescriptorTable, NodeCountOfADescriptorCutShort) {
  const std::string whole =
      "         1       118         1         1         7        10";
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    const std::int32_t want = length < 59 ? 0 : length == 59 ? 1 : 10;
    EXPECT_EQ(nodeCountOf(whole.substr(0, length)), want) << length;
  }
  EXPECT_EQ(nodeCountOf(whole + "  and more"), 10);
}

TEST(GroupRecords, KindsAndTheEntityRecordCountRule) {
  struct Kind {
    std::string_view number;
    std::size_t countField;
    std::size_t perRecord;
  };
  const Kind kinds[] = {{"2435", 7, 2}, {"2452", 7, 2}, {"2467", 7, 2},
                        {"2477", 7, 2}, {"2430", 7, 4}, {"2417", 6, 4}};
  for (const Kind& k : kinds) {
    const GroupDatasetKind* kind = groupDatasetKind(k.number);
    ASSERT_NE(kind, nullptr) << k.number;
    EXPECT_EQ(kind->countField, k.countField) << k.number;
    EXPECT_EQ(kind->entitiesPerRecord, k.perRecord) << k.number;
    EXPECT_EQ(kind->tagField(1), k.perRecord == 2 ? 5u : 3u) << k.number;
  }
  EXPECT_EQ(groupDatasetKind("2411"), nullptr);
  EXPECT_EQ(groupDatasetKind(" 243"), nullptr);

  struct Count {
    std::int32_t count;
    std::size_t perRecord;
    std::int32_t full;
    std::int32_t lastEntities;
  };
  const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const Count counts[] = {
      {0, 2, 0, 0},  {1, 2, 0, 1},  {2, 2, 1, 0},
      {5, 2, 2, 1},  {-1, 2, 0, 1}, {-2, 2, 0, 0},
      {-3, 2, 0, 0}, {6, 4, 1, 2},  {kMax, 2, kMax / 2, 1},
  };
  for (const Count& c : counts) {
    SCOPED_TRACE(std::to_string(c.count) + "/" + std::to_string(c.perRecord));
    const EntityRecords r = entityRecordsFor(c.count, c.perRecord);
    EXPECT_EQ(r.full, c.full);
    EXPECT_EQ(r.lastEntities, c.lastEntities);
  }
}

TEST(MeshRecords, ColumnsOfTheDescriptorAndNodeRecords) {
  EXPECT_EQ(columnOf(kDescriptorRecord, kDescriptorNodeCountField), 50u);
  EXPECT_EQ(columnOf(kNodeCoordinateRecord, 2), 50u);
  EXPECT_EQ(columnOf(kElementNodeRecord, 8), 80u);
  constexpr RecordLayout kMixed{IntegerField(10), SkipField(2),
                                IntegerField(1)};
  EXPECT_EQ(columnOf(kMixed, 2), 12u);
  EXPECT_EQ(columnOf(kMixed, kMixed.count), 13u);
}

}  // namespace
}  // namespace unv2tessal
