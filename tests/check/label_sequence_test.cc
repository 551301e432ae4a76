#include "check/label_sequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace unv2tessal {
namespace {

TEST(LabelSequence, TellsOrderGapsAndRepeatsInOnePass) {
  struct Case {
    std::vector<std::int64_t> labels;
    bool contiguous;
    bool ascending;
    std::int64_t repeats;
    std::int64_t missing;
    std::string describe;
  };
  const Case cases[] = {
      {{}, false, true, 0, 0, "none"},
      {{7}, true, true, 0, 0, "ascending without gaps"},
      {{1, 2, 3, 4}, true, true, 0, 0, "ascending without gaps"},
      {{101, 102, 110}, false, true, 0, 7, "ascending, 7 missing"},
      {{1, 2, 2, 3}, false, true, 1, 0, "ascending, 1 repeated"},
      {{1, 1, 4}, false, true, 1, 2, "ascending, 1 repeated, 2 missing"},
      {{1, 3, 2, 4},
       false,
       false,
       0,
       0,
       "not ascending (gaps and repeats not told)"},
      {{-2, -1, 0, 1}, true, true, 0, 0, "ascending without gaps"},
  };
  for (const Case& c : cases) {
    LabelSequence s;
    for (std::int64_t l : c.labels) s.add(l);
    SCOPED_TRACE(c.describe);
    EXPECT_EQ(s.count(), static_cast<std::int64_t>(c.labels.size()));
    EXPECT_EQ(s.contiguous(), c.contiguous);
    EXPECT_EQ(s.ascending(), c.ascending);
    EXPECT_EQ(s.repeats(), c.repeats);
    EXPECT_EQ(s.missing(), c.missing);
    EXPECT_EQ(s.describe(), c.describe);
  }
}

TEST(LabelSequence, KeepsFirstLastAndRangeOfUnorderedLabels) {
  LabelSequence s;
  for (std::int64_t l : {12082, 5, 16832, 1, 11937}) s.add(l);
  EXPECT_EQ(s.first(), 12082);
  EXPECT_EQ(s.last(), 11937);
  EXPECT_EQ(s.min(), 1);
  EXPECT_EQ(s.max(), 16832);
  EXPECT_TRUE(s.mayContain(16832));
  EXPECT_FALSE(s.mayContain(0));
  EXPECT_FALSE(s.mayContain(16833));
  EXPECT_FALSE(LabelSequence().mayContain(0));
}

}  // namespace
}  // namespace unv2tessal
