#include "records/fields.h"

#include <gtest/gtest.h>

namespace unv2tessal {
namespace {

TEST(IntegerField, Smoke) {
  std::int32_t v = 0;
  ASSERT_TRUE(readIntegerField("   1  2   ", &v));
  EXPECT_EQ(v, 12);
}

}  // namespace
}  // namespace unv2tessal
