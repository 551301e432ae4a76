#include "check/unvcheck.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_io.h"

namespace unv2tessal {
namespace {

using support::readFile;
using support::ScratchDir;
using support::testDataDir;
using support::writeFile;

// Makes `dir` the current directory for the object's lifetime, so reports
// name the files as they are given, without a machine's path.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome check(std::vector<std::string> args) {
  Outcome o{};
  o.status = runUnvcheck(args, &o.out, &o.err);
  return o;
}

// Each crafted file triggers the warnings its name says; the expected
// report beside it was checked line by line against the files' records.
TEST(Unvcheck, CraftedFilesGiveTheirReviewedReports) {
  struct Case {
    const char* name;
    int status;
  };
  const Case cases[] = {
      {"clean", 0},        {"plane_stress", 1}, {"other_groups", 1},
      {"regions", 1},      {"beams", 1},        {"early_groups", 1},
      {"group_counts", 1}, {"bad_field", 2},    {"truncated", 2},
      {"nofile", 2},       {"higher_order", 0}, {"empty_lines", 1},
  };
  const std::string dir = testDataDir() + "/check";
  InDirectory in(dir);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = check({std::string(c.name) + ".unv"});
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, readFile(dir + "/" + c.name + ".txt"));
  }
}

// Why a file cannot be read is said once, on the error stream: the file,
// the line (the last one for a file cut short) and the column.
TEST(Unvcheck, UnreadableFileNamesLineAndColumnOnTheErrorStream) {
  InDirectory in(testDataDir() + "/check");
  EXPECT_EQ(check({"bad_field.unv"}).err,
            "unvcheck: bad_field.unv:12:11: columns 11-20 of the element "
            "descriptor record are not a valid number (dataset 2412 begun at "
            "line 10)\n");
  EXPECT_EQ(check({"truncated.unv"}).err,
            "unvcheck: truncated.unv:13: the file ends before the closing "
            "delimiter (dataset 2412 begun at line 10)\n");
}

TEST(Unvcheck, SeveralFilesGiveOneReportEachAndTheWorstStatus) {
  const std::string dir = testDataDir() + "/check";
  InDirectory in(dir);
  const Outcome o = check({"clean.unv", "truncated.unv", "beams.unv"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, readFile(dir + "/clean.txt") + "\n" +
                       readFile(dir + "/truncated.txt") + "\n" +
                       readFile(dir + "/beams.txt"));
  EXPECT_EQ(check({"clean.unv", "beams.unv"}).status, 1);
}

TEST(Unvcheck, CommandLineWithoutFileOrWithUnknownOptionIsRefused) {
  Outcome o = check({});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "unvcheck: needs a FILE\nTry 'unvcheck --help'.\n");
  o = check({"--jsn", "x.unv"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "unvcheck: unknown option '--jsn'\nTry 'unvcheck --help'.\n");
  EXPECT_EQ(o.out, "");
}

TEST(Unvcheck, HelpAndVersionAnywhereBeforeTheEndOfOptions) {
  ScratchDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"},
        {"x.unv", "-h"},
        {"--json", "-h"}}) {
    const Outcome o = check(args);
    EXPECT_EQ(o.status, 0) << args.back();
    EXPECT_EQ(o.out.rfind("Usage: unvcheck [--json] FILE...\n", 0), 0u);
    EXPECT_NE(o.out.find("-V, --version"), std::string::npos);
    EXPECT_EQ(o.err, "");
  }
  const std::string version =
      "unvcheck " + support::versionInManualPage("unvcheck.1") + "\n";
  for (const char* option : {"--version", "-V"}) {
    const Outcome o = check({"x.unv", option});
    EXPECT_EQ(o.status, 0) << option;
    EXPECT_EQ(o.out, version) << option;
    EXPECT_EQ(o.err, "");
  }
  // After "--" it is a file name like any other.
  const Outcome file = check({"--", "--help"});
  EXPECT_EQ(file.status, 2);
  EXPECT_EQ(file.err, "unvcheck: --help: No such file or directory\n");
}

// The check must neither create a file nor touch an existing one.
TEST(Unvcheck, CreatesAndChangesNoFile) {
  ScratchDir dir;
  const std::string mesh = readFile(testDataDir() + "/check/regions.unv");
  writeFile(dir.file("mesh.unv"), mesh);
  ::mkdir(dir.file("folder").c_str(), 0755);
  struct stat before {};
  ::stat(dir.file("mesh.unv").c_str(), &before);

  EXPECT_EQ(check({"mesh.unv", "missing.unv"}).status, 2);
  // The unit table strips blanks around a name and cuts it at 256
  // characters: such names could open, or create, another file.
  writeFile(dir.file(" mesh.unv"), mesh);
  EXPECT_EQ(check({" mesh.unv"}).err,
            "unvcheck:  mesh.unv: the converter cannot open this name (blanks "
            "around it, or more than 256 characters)\n");
  const std::string longName = std::string(250, 'x') + "/../mesh.unv";
  EXPECT_EQ(check({longName}).status, 2);
  std::filesystem::remove(dir.file(" mesh.unv"));
  EXPECT_EQ(check({""}).err, "unvcheck: No such file or directory\n");
  const Outcome folder = check({"folder"});
  EXPECT_EQ(folder.err, "unvcheck: folder: is a directory\n");

  struct stat after {};
  ::stat(dir.file("mesh.unv").c_str(), &after);
  EXPECT_EQ(readFile(dir.file("mesh.unv")), mesh);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_FALSE(support::fileExists(dir.file("missing.unv")));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"folder", "mesh.unv"}));
}

}  // namespace
}  // namespace unv2tessal
