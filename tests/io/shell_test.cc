#include "io/shell.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace unv2tessal {
namespace {

// What scanCommandLine made of a command line: the options taken (name =
// value), the operands, and the usage error, if any.
struct Scanned {
  std::map<std::string, std::string> options;
  std::vector<std::string> operands;
  std::string err;
  int status = 0;
};

Scanned scan(const std::vector<std::string>& args) {
  Scanned s;
  const auto take = [&s](const std::string& name, const std::string& value) {
    if (name != "--dim" && name != "-o" && name != "--json") {
      return "unknown option '" + name + "'";
    }
    s.options[name] = value;
    return std::string();
  };
  if (const auto status = scanCommandLine("prog", args, {"--dim", "-o"}, take,
                                          &s.operands, &s.err)) {
    s.status = *status;
  }
  return s;
}

TEST(CommandLine, OptionsValuesAndOperands) {
  struct Case {
    std::vector<std::string> args;
    std::map<std::string, std::string> options;
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {{"a.unv", "--dim", "2", "b.unv"}, {{"--dim", "2"}}, {"a.unv", "b.unv"}},
      {{"--dim=3", "a.unv"}, {{"--dim", "3"}}, {"a.unv"}},
      {{"--dim=", "a.unv"}, {{"--dim", ""}}, {"a.unv"}},
      {{"-o", "--json", "--json"}, {{"-o", "--json"}, {"--json", ""}}, {}},
      // After "--" every word is an operand; "-" alone is one anywhere.
      {{"-", "--", "--json", "--"}, {}, {"-", "--json", "--"}},
  };
  for (const Case& c : cases) {
    const Scanned s = scan(c.args);
    EXPECT_EQ(s.status, 0) << c.args.front();
    EXPECT_EQ(s.err, "");
    EXPECT_EQ(s.options, c.options) << c.args.front();
    EXPECT_EQ(s.operands, c.operands) << c.args.front();
  }
}

TEST(CommandLine, UsageErrorsNameTheOptionAndStopTheScan) {
  const std::string tryHelp = "\nTry 'prog --help'.\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"a.unv", "--dim"}, "prog: --dim needs a value"},
      {{"--json=yes"}, "prog: --json takes no value"},
      {{"--answer", "x"}, "prog: unknown option '--answer'"},
      // Only a long option takes its value after '='.
      {{"-o=x"}, "prog: unknown option '-o=x'"},
      {{"--nope", "--json"}, "prog: unknown option '--nope'"},
  };
  for (const auto& [args, message] : cases) {
    const Scanned s = scan(args);
    EXPECT_EQ(s.status, 2) << message;
    EXPECT_EQ(s.err, message + tryHelp);
    EXPECT_TRUE(s.options.empty()) << message;
  }
}

TEST(ReportedRun, FailuresBecomeOneLineAndStatus2) {
  std::string out, err;
  EXPECT_EQ(runReportingFailures("prog", true, "in.unv", &out, &err,
                                 [](bool*) -> int {
                                   throw Failure("in.unv", 7, 3, "bad field");
                                 }),
            2);
  EXPECT_EQ(err, "prog: in.unv:7:3: bad field\n");
  EXPECT_EQ(out, "{\"error\":" +
                     failureJson(Failure("in.unv", 7, 3, "bad field")) + "}\n");

  // Once the JSON document is out, no second one; another exception is
  // said of the input.
  out.clear();
  err.clear();
  EXPECT_EQ(runReportingFailures("prog", true, "in.unv", &out, &err,
                                 [](bool* written) -> int {
                                   *written = true;
                                   throw std::bad_alloc();
                                 }),
            2);
  EXPECT_EQ(err, "prog: in.unv: out of memory\n");
  EXPECT_EQ(out, "");

  // A failure to write standard output gets no JSON on standard output.
  err.clear();
  EXPECT_EQ(runReportingFailures("prog", true, "in.unv", &out, &err,
                                 [](bool*) -> int {
                                   throw Failure(std::string(kStandardOutput),
                                                 "No space left on device");
                                 }),
            2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(runReportingFailures("prog", false, "in.unv", &out, &err,
                                 [](bool*) { return 1; }),
            1);
}

}  // namespace
}  // namespace unv2tessal
