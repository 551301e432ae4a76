#include "view/vertex_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace unv2tessal {
namespace {

VertexMap mapOf(const std::vector<std::int32_t>& numbers) {
  VertexMap m;
  for (std::int32_t n : numbers) m.add(n);
  return m;
}

// Numbers with gaps, in any order, dense and sparse (the hash table), give
// each vertex its place in the file; numbers not held are absent.
TEST(VertexMap, NumbersToIndexes) {
  const std::vector<std::vector<std::int32_t>> files = {
      {1, 2, 3, 4},
      {101, 103, 102, 110},
      {0, -1, 5, -7},
      {7, 1000000, -2147483647 - 1, 2147483647, 3},
      {},
  };
  for (const auto& numbers : files) {
    VertexMap m = mapOf(numbers);
    EXPECT_TRUE(m.finish().empty());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      EXPECT_EQ(m.indexOf(numbers[i]), static_cast<std::int32_t>(i));
    }
    for (std::int32_t absent : {8, 104, -6, 2147483646, 99999}) {
      EXPECT_EQ(m.indexOf(absent), VertexMap::kAbsent) << absent;
    }
  }
  EXPECT_FALSE(mapOf({101, 103, 102, 110}).hashed());
  VertexMap sparse = mapOf({7, 1000000, -2147483647 - 1, 2147483647, 3});
  sparse.finish();
  EXPECT_TRUE(sparse.hashed());
}

TEST(VertexMap, NumbersListedAgainKeepTheirFirstIndex) {
  for (std::int32_t spread : {1, 100000000}) {  // direct table, hash table
    VertexMap m = mapOf({5, 6 * spread, 5, 7, 6 * spread, 5});
    const std::vector<VertexMap::Duplicate> d = m.finish();
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0].index, 2);
    EXPECT_EQ(d[0].first, 0);
    EXPECT_EQ(d[1].index, 4);
    EXPECT_EQ(d[1].first, 1);
    EXPECT_EQ(d[2].index, 5);
    EXPECT_EQ(d[2].first, 0);
    EXPECT_EQ(m.indexOf(5), 0);
    EXPECT_EQ(m.indexOf(6 * spread), 1);
    EXPECT_EQ(m.indexOf(7), 3);
  }
}

// A large sparse file: every number is found through the hash table.
TEST(VertexMap, ManySparseNumbers) {
  VertexMap m;
  for (std::int32_t i = 0; i < 200000; ++i) m.add(i * 9973 - 1000000000);
  EXPECT_TRUE(m.finish().empty());
  EXPECT_TRUE(m.hashed());
  for (std::int32_t i = 0; i < 200000; ++i) {
    ASSERT_EQ(m.indexOf(i * 9973 - 1000000000), i);
    ASSERT_EQ(m.indexOf(i * 9973 - 999999999), VertexMap::kAbsent);
  }
}

}  // namespace
}  // namespace unv2tessal
