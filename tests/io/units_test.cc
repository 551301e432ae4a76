#include "io/units.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::ScratchDir;
using support::ScriptedConsole;
using support::writeFile;

constexpr RecordLayout kLine{TextField(20)};
constexpr RecordLayout kNumber{IntegerField(10)};
constexpr std::string_view kQuestion =
    "File name missing or blank - please enter file name\r\n";

// The report line of the failure that `f` ends with, or "" when none.
std::string reportOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunFailure& failure) {
    return formatReport(failure);
  }
  return "";
}

std::string severe(int n, std::string_view text, int unit,
                   const std::string& path) {
  return "forrtl: severe (" + std::to_string(n) + "): " + std::string(text) +
         ", unit " + std::to_string(unit) + ", file " + path + "\r\n";
}

struct UnitsTest : ::testing::Test {
  explicit UnitsTest(std::vector<std::string> replies = {},
                     std::vector<std::string> args = {})
      : io(std::move(replies)), console(io), units(console, std::move(args)) {}
  ScratchDir dir;
  ScriptedConsole io;
  Console console;
  Units units;
};

TEST(NormalisedPath, LexicalOnly) {
  struct Case {
    std::string_view cwd, name, want;
  };
  const Case cases[] = {
      {"/a/b", "c.unv", "/a/b/c.unv"},
      {"/a/b", "./c.unv", "/a/b/c.unv"},
      {"/a/b", "../c.unv", "/a/c.unv"},
      {"/a/b", "x/../../y//z/./w.xyz", "/a/y/z/w.xyz"},
      {"/a/b", "/abs//p/./q/../r", "/abs/p/r"},
      {"/a/b", "../../../..", "/"},
      {"/", "f", "/f"},
      {"/a/b", "d/", "/a/b/d"},
      {"/a/b", "...", "/a/b/..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(normalisedPath(c.cwd, c.name), c.want) << c.name;
  }
}

// A file name reply is cut to 64 characters only where the cut drops
// blanks; a longer name is report 43 naming all of it, made absolute.
TEST(FileNameReply, LongerThan64CharactersIsReport43) {
  ScratchDir dir;
  const std::string n64 = std::string(60, 'n') + ".unv";
  struct Case {
    std::string_view what;
    std::string line;
    std::string kept;      // the reply's 64 characters, when it is kept
    std::string reported;  // the name in report 43, when it is not
  };
  const Case cases[] = {
      {"exactly 64", n64, n64, ""},
      {"blanks past 64", n64 + "      ", n64, ""},
      {"short, blank-padded", "  a.unv", "  a.unv" + std::string(57, ' '), ""},
      {"empty", "", std::string(64, ' '), ""},
      {"65th character", n64 + "x", "", n64 + "x"},
      {"blanks around a long name", "   " + n64 + "   ", "", n64},
      {"a blank at 65, a character later", n64 + "   z  ", "", n64 + "   z"},
      {"relative path made absolute",
       "sub/../" + std::string(60, 'd') + "/f.xyz", "",
       std::string(60, 'd') + "/f.xyz"},
  };
  for (const Case& c : cases) {
    if (c.reported.empty()) {
      EXPECT_EQ(fileNameReply(21, c.line).view(), c.kept) << c.what;
    } else {
      EXPECT_EQ(
          reportOf([&] { fileNameReply(21, c.line); }),
          severe(43, "file name specification error", 21, dir.file(c.reported)))
          << c.what;
    }
  }
  const std::string absolute = std::string(70, 'a').insert(0, 1, '/');
  EXPECT_EQ(reportOf([&] { fileNameReply(10, absolute); }),
            severe(43, "file name specification error", 10, absolute));
}

TEST(BlankName, TakesCommandLineArgumentsInOrderWithoutAQuestion) {
  ScratchDir dir;
  ScriptedConsole io({"  asked.txt "});
  Console console(io);
  Units units(console, {"  first.txt ", "second.txt", "   "});
  units.openUnit(21, std::string(64, ' '));
  EXPECT_EQ(units.pathOf(21), dir.file("first.txt"));
  units.closeUnit(21);
  units.openUnit(10, "");
  EXPECT_EQ(units.pathOf(10), dir.file("second.txt"));
  units.openUnit(22, "named.txt");  // a name given uses no argument
  EXPECT_EQ(io.out, "");
  // The third argument is blank: the question follows.
  units.openUnit(23, " ");
  EXPECT_EQ(units.pathOf(23), dir.file("asked.txt"));
  EXPECT_EQ(io.out, std::string(kQuestion) + "UNIT 23? ");
}

TEST(BlankName, AsksAgainAfterEveryBlankReplyAndUsesTheWholeReply) {
  ScratchDir dir;
  const std::string seventy = std::string(66, 'n') + ".txt";
  ScriptedConsole io({"", "    ", "  " + seventy + "  "});
  Console console(io);
  Units units(console, {});
  units.openUnit(10, std::string(64, ' '));
  const std::string ask = std::string(kQuestion) + "UNIT 10? ";
  EXPECT_EQ(io.out, ask + ask + ask);
  EXPECT_EQ(units.pathOf(10), dir.file(seventy));  // not cut to 64
  EXPECT_TRUE(support::fileExists(dir.file(seventy)));
}

TEST(BlankName, EndOfConsoleInputWhileAsking) {
  ScratchDir dir;
  ScriptedConsole io({""});
  Console console(io);
  Units units(console, {});
  EXPECT_EQ(reportOf([&] { units.openUnit(21, ""); }),
            "forrtl: severe (24): end-of-file during read, unit -4, file "
            "/dev/stdin\r\n");
}

TEST_F(UnitsTest, NamesAreStrippedAndCutAt256Characters) {
  ::mkdir("sub", 0755);
  const std::string kept = "sub/" + std::string(252, 'a');  // 256
  units.openUnit(21, "   " + kept + "XYZW   ");
  EXPECT_EQ(units.pathOf(21), dir.file(kept));
  units.closeUnit(21);
  EXPECT_TRUE(support::fileExists(dir.file(kept)));
}

TEST_F(UnitsTest, OpenFailureReports) {
  ::mkdir("adir", 0755);
  writeFile("plain", "x");
  ::symlink("loop", "loop");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, "sock");
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  struct Case {
    std::string name;
    int report;
    std::string_view text;
    std::string path;
  };
  const std::string longName(256, 'L');
  const Case cases[] = {
      {"nodir/x.unv", 29, "file not found", dir.file("nodir/x.unv")},
      {"plain/x.unv", 29, "file not found", dir.file("plain/x.unv")},
      {"adir", 9, "permission to access file denied", dir.file("adir")},
      {"./adir/", 9, "permission to access file denied", dir.file("adir")},
      {longName, 43, "file name specification error", dir.file(longName)},
      {"sock", 42, "no such device", dir.file("sock")},
      {"loop", 30, "open failure", dir.file("loop")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reportOf([&] { units.openUnit(22, c.name); }),
              severe(c.report, c.text, 22, c.path));
    EXPECT_FALSE(units.isOpen(22));
  }
  ::close(sock);
}

TEST_F(UnitsTest, NulByteInTheName) {
  const std::string name("bad\0name", 8);
  bool seen = false;
  try {
    units.openUnit(21, name);
  } catch (const RunFailure& f) {
    EXPECT_EQ(f.report, kReportBadFileName);
    EXPECT_EQ(f.unit, 21);
    seen = true;
  }
  EXPECT_TRUE(seen);
  EXPECT_FALSE(support::fileExists(dir.file("bad")));
}

TEST_F(UnitsTest, ExistingFileIsCutOnlyByTheFirstWrite) {
  std::string old;
  for (int k = 1; k <= 1000; ++k) old += "old line " + std::to_string(k) + "\n";
  writeFile("out.xyz", old);
  units.openUnit(21, "out.xyz");
  EXPECT_EQ(readFile("out.xyz"), old);  // opening alone cuts nothing
  std::string want;
  for (std::int32_t k = 1; k <= 10; ++k) {
    units.writeRecord(21, kNumber, k);
    const std::string field = std::to_string(k);
    want += std::string(10 - field.size(), ' ') + field + "\r\n";
  }
  units.closeUnit(21);
  EXPECT_EQ(readFile("out.xyz"), want);
}

TEST_F(UnitsTest, ReadInputIsKeptAndUnwrittenOutputIsLeftEmpty) {
  const std::string mesh = "    -1\n  2411\n    -1\n";
  writeFile("in.unv", mesh);
  writeFile("old.cnc", "an earlier run's elements\r\n");
  units.openUnit(10, "in.unv");
  FixedText<7> first;
  ASSERT_TRUE(units.readRecord(10, RecordLayout{TextField(7)}, false, first));
  units.openUnit(22, "old.cnc");
  units.closeUnit(22);
  units.closeUnit(10);
  EXPECT_EQ(readFile("in.unv"), mesh);
  EXPECT_EQ(readFile("old.cnc"), "");
}

TEST_F(UnitsTest,
       AfterAFailureWrittenRecordsStayAndUnwrittenFilesKeepTheirContent) {
  writeFile("kept.cnc", "old content\n");
  writeFile("part.xyz", "old content\n");
  units.openUnit(22, "kept.cnc");
  units.openUnit(21, "part.xyz");
  units.writeRecord(21, kNumber, std::int32_t{1});
  units.writeRecord(21, kNumber, std::int32_t{2});
  units.closeAll();
  EXPECT_EQ(readFile("kept.cnc"), "old content\n");
  EXPECT_EQ(readFile("part.xyz"), "         1\r\n         2\r\n");
  EXPECT_FALSE(units.isOpen(21));
  EXPECT_FALSE(units.isOpen(22));
}

TEST_F(UnitsTest, SameFileOnTwoUnitsEndsTheRunBeforeAnyWrite) {
  const std::string mesh = "    -1\n  2411\n         1\n";
  writeFile("in.unv", mesh);
  ::mkdir("sub", 0755);
  ::symlink("in.unv", "link.unv");
  units.openUnit(10, "in.unv");
  std::string_view line;
  ASSERT_TRUE(units.readLine(10, false, &line));
  for (const std::string name : {"in.unv", "./sub/../in.unv", "link.unv"}) {
    EXPECT_EQ(reportOf([&] { units.openUnit(21, name); }),
              severe(30, "open failure", 21, normalisedPath(dir.path(), name)));
    EXPECT_FALSE(units.isOpen(21));
  }
  units.closeAll();
  EXPECT_EQ(readFile("in.unv"), mesh);
}

TEST_F(UnitsTest, ReadingRecords) {
  writeFile("in.unv", "        42\n  1.0\n");
  units.openUnit(10, "in.unv");
  std::int32_t v = -1;
  ASSERT_TRUE(units.readRecord(10, kNumber, false, v));
  EXPECT_EQ(v, 42);
  units.stepBack(10);
  v = -1;
  ASSERT_TRUE(units.readRecord(10, kNumber, false, v));
  EXPECT_EQ(v, 42);
  EXPECT_EQ(units.lineNumber(10), 1u);
  const std::string path = dir.file("in.unv");
  EXPECT_EQ(reportOf([&] { units.readRecord(10, kNumber, false, v); }),
            severe(64, "input conversion error", 10, path));
  v = 7;
  EXPECT_FALSE(units.readRecord(10, kNumber, true, v));  // end of file taken
  EXPECT_EQ(v, 7);
  EXPECT_EQ(reportOf([&] { units.readRecord(10, kNumber, false, v); }),
            severe(24, "end-of-file during read", 10, path));
}

TEST_F(UnitsTest, ReadErrorIsReport39) {
  // Reading the process's own memory from offset 0 fails with EIO.
  if (::access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "no /proc";
  units.openUnit(10, "/proc/self/mem");
  std::int32_t v = 0;
  EXPECT_EQ(reportOf([&] { units.readRecord(10, kNumber, true, v); }),
            severe(39, "error during read", 10, "/proc/self/mem"));
}

TEST_F(UnitsTest, AsterisksGiveReport63AndTheRecordIsWritten) {
  units.openUnit(21, "out.xyz");
  constexpr RecordLayout kNarrow{IntegerField(8), IntegerField(1),
                                 ExponentField(18, 8)};
  units.writeRecord(21, kNarrow, std::int32_t{123456789}, std::int32_t{12},
                    1.5);
  units.writeRecord(21, kNarrow, std::int32_t{1}, std::int32_t{2}, -1.5);
  units.closeUnit(21);
  EXPECT_EQ(readFile("out.xyz"),
            "*********    0.15000000E+01\r\n"
            "       12   -0.15000000E+01\r\n");
  const std::string line =
      "forrtl: error (63): output conversion error, unit "
      "21, file " +
      dir.file("out.xyz") + "\r\n";
  EXPECT_EQ(io.err, line + line);
}

TEST_F(UnitsTest, WriteErrorOfAFullDevice) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  units.openUnit(21, "/dev/full");
  EXPECT_EQ(reportOf([&] { units.writeRecord(21, kNumber, std::int32_t{1}); }),
            severe(38, "error during write", 21, "/dev/full"));
}

// Runs `body` in a child process without root's privileges and returns the
// report line it ended with ("" when none), or "skip" when the privileges
// cannot be dropped.
std::string reportAsNobody(const std::function<void(Units&)>& body) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(3);
    }
    ScriptedConsole io({});
    Console console(io);
    Units units(console, {});
    std::string line;
    try {
      body(units);
    } catch (const RunFailure& f) {
      line = formatReport(f);
    }
    if (::write(pipeFds[1], line.data(), line.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string got;
  char buf[512];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0) {
    got.append(buf, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return "skip";
  return got;
}

TEST(UnitsPermissions, NoAccessAndReadOnlyFiles) {
  ScratchDir dir;
  ::chmod(dir.path().c_str(), 0755);
  writeFile("secret.unv", "    -1\n");
  writeFile("locked.xyz", "kept\n");
  writeFile("mesh.unv", "    -1\n");
  ::chmod("secret.unv", 0000);
  ::chmod("locked.xyz", 0444);
  ::chmod("mesh.unv", 0444);
  const std::string noAccess =
      reportAsNobody([](Units& u) { u.openUnit(10, "secret.unv"); });
  if (noAccess == "skip") GTEST_SKIP() << "cannot drop root privileges";
  EXPECT_EQ(noAccess, severe(9, "permission to access file denied", 10,
                             dir.file("secret.unv")));
  // A file in a directory that may not be written: not created.
  EXPECT_EQ(
      reportAsNobody([](Units& u) { u.openUnit(21, "new.xyz"); }),
      severe(9, "permission to access file denied", 21, dir.file("new.xyz")));
  // Read-only: opened for reading; the first write is report 47.
  EXPECT_EQ(reportAsNobody([](Units& u) {
              u.openUnit(21, "locked.xyz");
              u.writeRecord(21, kNumber, std::int32_t{1});
            }),
            severe(47, "write to READONLY file", 21, dir.file("locked.xyz")));
  EXPECT_EQ(reportAsNobody([](Units& u) {
              u.openUnit(10, "mesh.unv");
              FixedText<20> line;
              u.readRecord(10, kLine, false, line);
              if (line.view() != "    -1" + std::string(14, ' ')) {
                throw RunFailure(0);
              }
              u.closeUnit(10);
            }),
            "");
  EXPECT_EQ(readFile("locked.xyz"), "kept\n");
  EXPECT_EQ(readFile("mesh.unv"), "    -1\n");
}

}  // namespace
}  // namespace unv2tessal
