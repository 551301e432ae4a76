#include "unv/reductions.h"

#include <gtest/gtest.h>

#include <set>

namespace unv2tessal {
namespace {

TEST(Reductions, EveryPlaneAndParabolicKindReducesToAWrittenOne) {
  struct Row {
    std::set<std::int32_t> from;
    std::int32_t to;
    std::int32_t nodes;
  } rows[] = {
      {{41, 51, 61, 74, 81}, 91, 3},
      {{42, 52, 62, 72, 82, 92}, 91, 6},
      {{44, 54, 64, 71, 84}, 94, 4},
      {{45, 55, 65, 75, 85, 95}, 94, 8},
      {{118}, 111, 10},
      {{113}, 112, 15},
      {{116}, 115, 20},
  };
  std::set<std::int32_t> listed;
  for (const Row& row : rows) {
    for (std::int32_t id : row.from) {
      const Reduction* r = findReduction(id);
      ASSERT_NE(r, nullptr) << id;
      EXPECT_EQ(r->to, row.to) << id;
      EXPECT_EQ(r->nodes, row.nodes) << id;
      // Corners are distinct places of the node list.
      std::set<int> corners(r->corners.begin(),
                            r->corners.begin() + r->cornerCount);
      EXPECT_EQ(corners.size(), static_cast<std::size_t>(r->cornerCount));
      listed.insert(id);
    }
  }
  for (const Reduction* r = reductionsBegin(); r != reductionsEnd(); ++r) {
    if (!r->isHigherOrder()) {
      EXPECT_EQ(listed.count(r->from), 1u) << r->from;
    }
  }
  for (std::int32_t kept : {91, 94, 111, 112, 115, 11, 21, 24, 96, 117}) {
    EXPECT_EQ(findReduction(kept), nullptr) << kept;
  }
}

// Keyed by id and node count: the written kinds reduce only in the complete
// higher-order forms, on their first labels; the other kinds whatever the
// count (which unvprep then checks against `nodes`).
TEST(Reductions, WrittenKindsReduceInTheirHigherOrderFormsOnly) {
  struct Row {
    std::int32_t id;
    std::int32_t count;
    std::int32_t to;     // 0: no reduction
    std::int32_t nodes;  // of the row found
  } rows[] = {
      {94, 9, 94, 9},     {94, 16, 94, 16},   {91, 10, 91, 10},
      {111, 20, 111, 20}, {112, 18, 112, 18}, {112, 40, 112, 40},
      {115, 27, 115, 27}, {115, 64, 115, 64}, {115, 8, 0, 0},
      {115, 20, 0, 0},    {115, 0, 0, 0},     {91, 3, 0, 0},
      {94, 8, 0, 0},      {111, 10, 0, 0},    {21, 4, 0, 0},
      {92, 6, 91, 6},     {92, 7, 91, 6},     {116, 27, 115, 20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.id) + " with " + std::to_string(row.count));
    const Reduction* r = findReduction(row.id, row.count);
    ASSERT_EQ(r != nullptr, row.to != 0);
    if (r == nullptr) continue;
    EXPECT_EQ(r->to, row.to);
    EXPECT_EQ(r->nodes, row.nodes);
    EXPECT_EQ(r->isHigherOrder(), row.id == row.to);
    if (!r->isHigherOrder()) continue;
    for (std::int32_t k = 0; k < r->cornerCount; ++k) {
      EXPECT_EQ(r->corners[static_cast<std::size_t>(k)], k + 1);
    }
    EXPECT_EQ(r->cornerCount, row.id == 91    ? 3
                              : row.id == 112 ? 6
                              : row.id == 115 ? 8
                                              : 4);
  }
}

}  // namespace
}  // namespace unv2tessal
