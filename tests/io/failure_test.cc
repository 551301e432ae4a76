#include "io/failure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "io/checked.h"

namespace unv2tessal {
namespace {

TEST(FailureReport, EveryReportLine) {
  struct Case {
    int report;
    int unit;
    std::string_view want;
  };
  const Case cases[] = {
      {24, 10,
       "forrtl: severe (24): end-of-file during read, unit 10, file "
       "/w/m.unv\r\n"},
      {24, -4,
       "forrtl: severe (24): end-of-file during read, unit -4, file "
       "/w/m.unv\r\n"},
      {64, 10,
       "forrtl: severe (64): input conversion error, unit 10, file "
       "/w/m.unv\r\n"},
      {29, 10,
       "forrtl: severe (29): file not found, unit 10, file /w/m.unv\r\n"},
      {9, 21,
       "forrtl: severe (9): permission to access file denied, unit 21, file "
       "/w/m.unv\r\n"},
      {43, 22,
       "forrtl: severe (43): file name specification error, unit 22, file "
       "/w/m.unv\r\n"},
      {42, 23,
       "forrtl: severe (42): no such device, unit 23, file /w/m.unv\r\n"},
      {30, 24, "forrtl: severe (30): open failure, unit 24, file /w/m.unv\r\n"},
      {47, 21,
       "forrtl: severe (47): write to READONLY file, unit 21, file "
       "/w/m.unv\r\n"},
      {39, 10,
       "forrtl: severe (39): error during read, unit 10, file /w/m.unv\r\n"},
      {38, 21,
       "forrtl: severe (38): error during write, unit 21, file /w/m.unv\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatReport(RunFailure(c.report, c.unit, "/w/m.unv")), c.want);
  }
  EXPECT_EQ(formatReport(RunFailure(kReportIntegerOverflow)),
            "forrtl: severe (165): Program Exception - integer overflow\r\n");
  EXPECT_EQ(formatOutputConversionReport(21, "/w/OUT.XYZ"),
            "forrtl: error (63): output conversion error, unit 21, file "
            "/w/OUT.XYZ\r\n");
  for (std::string_view event :
       {"control-C", "control-BREAK", "window-CLOSE"}) {
    EXPECT_EQ(
        formatReport(RunFailure(kReportInterrupt, 0, {}, std::string(event))),
        "forrtl: error (200): program aborting due to " + std::string(event) +
            " event\r\n");
  }
}

TEST(FailureReport, ExitStatusIsC0000000PlusTheNumber) {
  EXPECT_EQ(exitStatusFor(24), 0xC0000018u);
  EXPECT_EQ(exitStatusFor(24), 3221225496u);
  EXPECT_EQ(exitStatusFor(165), 0xC00000A5u);
  EXPECT_EQ(exitStatusFor(200) & 0xFFu, 200u);
  EXPECT_EQ(exitStatusFor(9) & 0xFFu, 9u);
}

TEST(Checked, OverflowIsReport165) {
  EXPECT_EQ(checkedAdd(2147483646, 1), 2147483647);
  EXPECT_EQ(checkedSub(-2147483647, 1), INT32_MIN);
  EXPECT_EQ(checkedSub(5, -5), 10);
  auto reportOf = [](auto f) {
    try {
      f();
    } catch (const RunFailure& failure) {
      return failure.report;
    }
    return 0;
  };
  EXPECT_EQ(reportOf([] { checkedAdd(2147483647, 1); }), 165);
  EXPECT_EQ(reportOf([] { checkedAdd(INT32_MIN, -1); }), 165);
  EXPECT_EQ(reportOf([] { checkedSub(INT32_MIN, 1); }), 165);
  EXPECT_EQ(reportOf([] { checkedSub(0, INT32_MIN); }), 165);
  EXPECT_EQ(reportOf([] { checkedSub(-1, INT32_MIN); }), 0);
}

}  // namespace
}  // namespace unv2tessal
