#include "grid/used_labels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace unv2tessal {
namespace {

// Checks every query of `used` against the labels added, sorted and
// distinct in `want`.
void expectLike(const UsedLabels& used, const std::vector<std::int32_t>& want) {
  ASSERT_EQ(used.size(), static_cast<std::int64_t>(want.size()));
  std::vector<std::int32_t> visited;
  used.forEach([&](std::int32_t label) { visited.push_back(label); });
  EXPECT_EQ(visited, want);
  std::int32_t rank = 0;
  for (std::int32_t label : want) {
    ++rank;
    ASSERT_EQ(used.rank(label), rank) << label;
    ASSERT_TRUE(used.contains(label)) << label;
    if (label != std::numeric_limits<std::int32_t>::max() &&
        !std::binary_search(want.begin(), want.end(), label + 1)) {
      ASSERT_EQ(used.rank(label + 1), 0) << label + 1;
      ASSERT_FALSE(used.contains(label + 1)) << label + 1;
    }
  }
  if (!want.empty()) {
    EXPECT_EQ(used.lowest(), *want.begin());
    EXPECT_EQ(used.highest(), *want.rbegin());
    EXPECT_EQ(used.contiguous(),
              std::int64_t{*want.rbegin()} - *want.begin() + 1 ==
                  static_cast<std::int64_t>(want.size()));
  }
}

std::vector<std::int32_t> distinct(std::vector<std::int32_t> labels) {
  std::sort(labels.begin(), labels.end());
  labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
  return labels;
}

struct Case {
  std::string name;
  std::vector<std::int32_t> labels;  // added in this order
  bool sparse;                       // kept as a sorted list
};

TEST(UsedLabels, RanksTheLabelsAddedInAnyOrder) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const Case cases[] = {
      {"none", {}, false},
      {"one", {7}, false},
      {"from 1, repeated", {1, 2, 3, 2, 1, 4, 4}, false},
      {"gaps, descending", {900, 500, 3, 100000, 2}, false},
      {"negative and zero", {-5, 0, -70000, 3}, false},
      {"growing downward far", {1000000, 1, 2000000}, false},
      {"at the int32 ends", {kMax, kMax - 1, kMax - 200}, false},
      {"both ends: a list", {kMin, kMax, 0}, true},
      {"wider than a bitset", {1, UsedLabels::kMostBits + 100, 5}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UsedLabels used;
    for (std::int32_t label : c.labels) used.add(label);
    used.freeze();
    EXPECT_EQ(used.sparse(), c.sparse);
    expectLike(used, distinct(c.labels));
  }
}

TEST(UsedLabels, ManyRandomLabelsAsABitsetAndAsAList) {
  std::mt19937 random(25);
  for (const std::int32_t spread : {3000000, 2000000000}) {
    SCOPED_TRACE(spread);
    std::uniform_int_distribution<std::int32_t> pick(-spread / 2, spread / 2);
    UsedLabels used;
    std::vector<std::int32_t> labels;
    // More than the list's first compaction (at two million labels).
    for (int k = 0; k < 2500000; ++k) {
      const std::int32_t label = pick(random);
      used.add(label);
      labels.push_back(label);
    }
    used.freeze();
    EXPECT_EQ(used.sparse(), spread > UsedLabels::kMostBits);
    expectLike(used, distinct(std::move(labels)));
  }
}

}  // namespace
}  // namespace unv2tessal
