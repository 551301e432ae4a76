// Runs of the built executable: the exact bytes of its standard output and
// standard error, the files it leaves and its exit status.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/usage.h"
#include "support/child_run.h"
#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::kBanner;
using support::lines;
using support::openingLine;
using support::readFile;
using support::runBinary;
using support::RunResult;
using support::ScratchDir;
using support::writeFile;

constexpr std::string_view kBlankNameQuestion =
    "File name missing or blank - please enter file name\r\nUNIT 10? ";

std::string consoleRun(std::string_view name) {
  return std::string(kBanner) + openingLine(name) + " Done.\r\n";
}

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DriverBinary, RunsThatOnlyScanTheInput) {
  struct Case {
    std::string_view what;
    std::string input;
    std::string stdinText;
    std::vector<std::string> args;
    std::string_view name;  // as shown on the "Opening File " line
    std::string_view file;  // the input file's name in the folder
  };
  const std::string name64 = std::string(60, 'n') + ".unv";
  const Case cases[] = {
      {"no delimiter",
       lines({"  2411", "         1", "  2412"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"only other datasets",
       lines({"    -1", "   151", "header", "    -1", "    -1", "  2420", "x",
              "    -1"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"2411 in columns 1-4",
       lines({"    -1", "2411", "         1", "    -1"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"2411 in columns 4-7",
       lines({"    -1", "   2411", "         1", "    -1"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"-10 and -1X are no delimiters",
       lines({"    -10", "  2411", "    -1X", "  2412", "x"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"ends right after a closing delimiter",
       lines({"    -1", "  2420", "x", "    -1"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"ends right after an opening delimiter",
       lines({"    -1", "  2420", "x", "    -1", "    -1"}),
       "in.unv\n",
       {},
       "in.unv",
       "in.unv"},
      {"CR of the reply dropped",
       lines({"    -1", "  151", "    -1"}),
       "in.unv\r\n",
       {},
       "in.unv",
       "in.unv"},
      {"reply cut to 64 characters where only blanks follow",
       lines({"    -1", "  151", "    -1"}),
       name64 + "      \n",
       {},
       name64,
       name64},
      {"blank name takes the first argument",
       lines({"    -1", "    -1"}),
       "   \n",
       {"in.unv", "unused"},
       "",
       "in.unv"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string file(c.file);
    writeFile(file, c.input);
    const RunResult r = runBinary(dir.path(), c.stdinText, c.args);
    EXPECT_EQ(r.out, consoleRun(c.name)) << c.what;
    EXPECT_EQ(r.err, "") << c.what;
    EXPECT_EQ(r.status, 0u) << c.what;
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{file}) << c.what;
    EXPECT_EQ(readFile(dir.file(file)), c.input) << c.what;
  }
}

TEST(DriverBinary, BlankNameWithoutArgumentsIsAskedUntilGiven) {
  ScratchDir dir;
  writeFile("x.unv", lines({"    -1", "    -1"}));
  const RunResult r = runBinary(dir.path(), "\n\n   \n  x.unv  \n");
  EXPECT_EQ(r.out, std::string(kBanner) + std::string(kBlankNameQuestion) +
                       std::string(kBlankNameQuestion) +
                       std::string(kBlankNameQuestion) + openingLine("") +
                       " Done.\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"x.unv"});
}

// --help and --version as the first argument answer before the banner and
// read nothing; as a later argument, or a reply, they are names as before.
TEST(DriverBinary, HelpAndVersionAsFirstArgument) {
  const std::string version =
      "unv2tessal " + support::versionInManualPage("unv2tessal.1") + "\n";
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"--help"}, std::string(kUsage)},
      {{"-h", "in.unv"}, std::string(kUsage)},
      {{"--version"}, version},
      {{"-V", "--help"}, version},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    writeFile("in.unv", lines({"    -1", "    -1"}));
    const RunResult r = runBinary(dir.path(), "in.unv\n", c.args);
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.err, "") << c.args[0];
    EXPECT_EQ(r.status, 0u) << c.args[0];
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"in.unv"});
  }
  ScratchDir dir;
  writeFile("in.unv", lines({"    -1", "    -1"}));
  const RunResult later = runBinary(dir.path(), "\n", {"in.unv", "--help"});
  EXPECT_EQ(later.out, consoleRun(""));
  EXPECT_EQ(later.status, 0u);
}

// Starts the executable in `dir` with `in` as its standard input, `out` as
// its standard output and its standard error on `errPath`.
pid_t spawn(const std::string& dir, int in, int out,
            const std::string& errPath) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::closefrom(3);
    std::string bin = support::binaryPath();
    char* argv[] = {bin.data(), nullptr};
    ::execv(bin.c_str(), argv);
    ::_exit(127);
  }
  return pid;
}

// Reads `fd` until it ends, appending to *text.
void readOutput(int fd, std::string* text) {
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) {
    text->append(buf, static_cast<std::size_t>(n));
  }
}

std::uint32_t waitFor(pid_t pid) {
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  return WIFEXITED(wstatus)
             ? static_cast<std::uint32_t>(WEXITSTATUS(wstatus))
             : 128u + static_cast<std::uint32_t>(WTERMSIG(wstatus));
}

TEST(DriverBinary, ConsoleInputThatCannotBeRead) {
  ScratchDir dir;
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  // A directory opens for reading, but every read of it fails.
  const int in = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  const std::string errPath = dir.file(".err");
  const pid_t pid = spawn(dir.path(), in, out[1], errPath);
  ::close(in);
  ::close(out[1]);
  std::string text;
  readOutput(out[0], &text);
  ::close(out[0]);
  EXPECT_EQ(waitFor(pid), 39u);
  EXPECT_EQ(text, kBanner);
  EXPECT_EQ(readFile(errPath),
            "forrtl: severe (39): error during read, unit -4, file "
            "/dev/stdin\r\n");
}

TEST(DriverBinary, InterruptAtTheBlankNameQuestion) {
  ScratchDir dir;
  const std::string asked =
      std::string(kBanner) + std::string(kBlankNameQuestion);
  const RunResult r =
      support::runBinaryInterrupted(dir.path(), "\n", asked, SIGINT);
  EXPECT_EQ(r.out, asked);
  EXPECT_EQ(r.err,
            "forrtl: error (200): program aborting due to control-C event\r\n");
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace unv2tessal
