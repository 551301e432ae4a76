#include <gtest/gtest.h>

#include <string>

#include "unv/group_records.h"

namespace unv2tessal {
namespace {

TEST(EntitiesOnRecord, EntitySlotsWithATypeFieldFromTheFirst) {
  const GroupDatasetKind& pairs = *groupDatasetKind("2477");
  const GroupDatasetKind& fours = *groupDatasetKind("2430");
  const std::string f7 = "         7", f8 = "         8", f0 = "         0";
  const std::string blank(10, ' ');
  struct Row {
    const GroupDatasetKind& kind;
    std::string line;
    std::size_t want;
  } rows[] = {
      {pairs, f7 + "         1" + f0 + f0 + f7 + "         2" + f0 + f0, 2},
      // The odd node's record in mid-group: one entity, then the elements.
      {pairs, f7 + "        13" + f0 + f0, 1},
      {pairs, f8 + "         4" + f0 + f0 + blank + blank, 1},
      {pairs, "", 0},
      {pairs, "   ", 0},
      // A type code of 0 is written, so it counts.
      {pairs, f0 + "         1", 1},
      {fours, f8 + "       101" + f8 + "       102" + f8 + "       103", 3},
      {fours,
       f8 + "         1" + f8 + "         2" + f8 + "         3" + f8 +
           "         4" + f7,
       4},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(entitiesOnRecord(row.line, row.kind), row.want) << row.line;
  }
}

}  // namespace
}  // namespace unv2tessal
