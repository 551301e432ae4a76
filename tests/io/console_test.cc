#include "io/console.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "io/failure.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::ScriptedConsole;

using V = std::string_view;

TEST(ConsoleLine, ExamplesOfTheRecordLayer) {
  const std::string name = std::string("mesh.unv") + std::string(56, ' ');
  const std::string reply = std::string(60, 'r') + "tail";  // 64 characters
  const std::string question =
      "It has been detected that the vertex numbers are not starting with 1. "
      "This may result in unnecessary waste of RAM at TESSAL runtime. Do you "
      "want to renumber to save resources? [Y/N] (Default: Y)";
  ASSERT_EQ(question.size(), 194u);

  EXPECT_EQ(formatConsoleLine({"Opening File ", V(name)}),
            " Opening File " + name + "\r\n");  // 78 columns
  EXPECT_EQ(formatConsoleLine({"Total number of nodes = ", 123}),
            " Total number of nodes =          123\r\n");
  EXPECT_EQ(formatConsoleLine({"nodeoffset is", 0}),
            " nodeoffset is           0\r\n");
  EXPECT_EQ(formatConsoleLine({V(reply), " NOT A VALID ENTRY."}),
            " " + reply + "\r\n  NOT A VALID ENTRY.\r\n");
  EXPECT_EQ(formatConsoleLine({" "}), "  \r\n");
  EXPECT_EQ(formatConsoleLine({V(question)}),
            " It has been detected that the vertex numbers are not starting "
            "with 1. This may \r\n"
            " result in unnecessary waste of RAM at TESSAL runtime. Do you "
            "want to renumber t\r\n"
            " o save resources? [Y/N] (Default: Y)\r\n");
  EXPECT_EQ(formatConsoleLine({"Done."}), " Done.\r\n");
  EXPECT_EQ(formatConsoleLine({"low", INT32_MIN}), " low -2147483648\r\n");
}

TEST(ConsoleLine, IntegerThatDoesNotFindTwelveColumnsStartsANewLine) {
  const std::string t67(67, 'a');  // the line then holds 68: 12 are left
  const std::string t68(68, 'b');  // 69 held: only 11 are left
  EXPECT_EQ(formatConsoleLine({V(t67), 5}),
            " " + t67 + "           5\r\n");  // exactly 80 columns
  EXPECT_EQ(formatConsoleLine({V(t68), 5}),
            " " + t68 + "\r\n            5\r\n");
}

TEST(ConsoleLine, TextsThatDoNotFitAreWrappedAt79) {
  const std::string t79(79, 'x');
  const std::string t80 = std::string(79, 'y') + "z";
  const std::string t158 = std::string(79, 'p') + std::string(79, 'q');
  EXPECT_EQ(formatConsoleLine({V(t79)}), " " + t79 + "\r\n");
  EXPECT_EQ(formatConsoleLine({V(t80)}),
            " " + std::string(79, 'y') + "\r\n z\r\n");
  EXPECT_EQ(formatConsoleLine({V(t158)}), " " + std::string(79, 'p') + "\r\n " +
                                              std::string(79, 'q') + "\r\n");
  const std::string m69(69, 'm');
  // A text that fits the rest of the line follows directly; one that does
  // not starts a new line first.
  EXPECT_EQ(formatConsoleLine({"ab", "cd"}), " abcd\r\n");
  EXPECT_EQ(formatConsoleLine({"abc", V(t79)}), " abc\r\n " + t79 + "\r\n");
  EXPECT_EQ(formatConsoleLine({V(m69), "0123456789"}),
            " " + std::string(69, 'm') + "0123456789\r\n");
  EXPECT_EQ(formatConsoleLine({V(m69), "0123456789X"}),
            " " + std::string(69, 'm') + "\r\n 0123456789X\r\n");
}

TEST(ConsoleReply, FirstSixtyFourCharactersBlankPadded) {
  const std::string seventy = std::string(64, 'k') + "CUTOFF";
  ScriptedConsole io({seventy, "", "short"});
  Console console(io);
  EXPECT_EQ(console.readConsoleReply().view(), std::string(64, 'k'));
  EXPECT_EQ(console.readConsoleReply().view(), std::string(64, ' '));
  EXPECT_EQ(console.readConsoleReply().view(), "short" + std::string(59, ' '));
  try {
    console.readConsoleReply();
    FAIL() << "no report at the end of the console input";
  } catch (const RunFailure& f) {
    EXPECT_EQ(formatReport(f),
              "forrtl: severe (24): end-of-file during read, unit -4, file "
              "/dev/stdin\r\n");
  }
}

TEST(ConsoleLine, WrittenToTheOutputStream) {
  ScriptedConsole io({});
  Console console(io);
  console.writeConsoleLine({"Total number of nodes = ", 7});
  console.writeRaw("UNIT 10? ");
  console.writeError("report\r\n");
  EXPECT_EQ(io.out, " Total number of nodes =            7\r\nUNIT 10? ");
  EXPECT_EQ(io.err, "report\r\n");
}

}  // namespace
}  // namespace unv2tessal
