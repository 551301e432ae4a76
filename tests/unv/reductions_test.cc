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
    EXPECT_EQ(listed.count(r->from), 1u) << r->from;
  }
  for (std::int32_t kept : {91, 94, 111, 112, 115, 11, 21, 24, 96, 117}) {
    EXPECT_EQ(findReduction(kept), nullptr) << kept;
  }
}

}  // namespace
}  // namespace unv2tessal
