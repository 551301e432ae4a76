#ifndef UNV2TESSAL_TESTS_SUPPORT_TEST_IO_H_
#define UNV2TESSAL_TESTS_SUPPORT_TEST_IO_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "io/console.h"

namespace unv2tessal::support {

/// The banner and the input-file question, as the console shows them.
inline constexpr std::string_view kBanner =
    " IDEAS Universal File -> Quol Grid Converter \r\n"
    " Quol Team, 2026\r\n"
    "  \r\n"
    " Please enter IDEAS universal filename (*.unv): \r\n";

/// The console line "Opening File " with `name` padded to 64 characters.
std::string openingLine(std::string_view name);

/// The report line of a failure while reading the input `path` on unit 10:
/// 24 (end of file), 64 (conversion error) or 165 (overflow, no unit).
std::string inputFailureReport(int report, const std::string& path);

/// Names the instances of a parameterized table by the `name` of their row.
struct ByName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

/// A console whose replies are scripted and whose output is kept.
class ScriptedConsole : public ConsoleIo {
 public:
  explicit ScriptedConsole(std::vector<std::string> replies)
      : replies_(std::move(replies)) {}
  void writeOut(std::string_view text) override { out.append(text); }
  void writeErr(std::string_view text) override { err.append(text); }
  bool readLine(std::string* line) override {
    if (next_ == replies_.size()) return false;
    *line = replies_[next_++];
    return true;
  }

  std::string out;
  std::string err;

 private:
  std::vector<std::string> replies_;
  std::size_t next_ = 0;
};

/// A fresh temporary directory that is made the current directory for the
/// object's lifetime; removed with its content afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  /// Full path of `name` inside the directory.
  std::string file(std::string_view name) const;

 private:
  std::string path_;
  std::string previous_;
};

std::string readFile(const std::string& path);
/// The lines of `text` without their line ends (LF or CR LF).
std::vector<std::string> recordsOf(const std::string& text);
/// The names of the entries of folder `dir`, hidden ones included.
std::set<std::string> filesIn(const std::string& dir);
void writeFile(const std::string& path, std::string_view content);
bool fileExists(const std::string& path);
/// Links `path` into the current directory under its own file name and
/// returns that name. A file name typed at the console is cut to 64
/// characters, so a mesh from a deep checkout is named by a short link.
std::string linkHere(const std::string& path);

/// Outcome of one run: exit status, console output and error stream.
struct RunResult {
  std::uint32_t status = 0;
  std::string out;
  std::string err;
};

/// Runs a whole conversion in-process in the current directory.
RunResult runInProcess(std::vector<std::string> replies,
                       std::vector<std::string> args = {});

/// Runs the built executable in `dir` with `input` on standard input.
/// `status` is the process exit code (128 + signal when killed). With
/// `stdoutPath` the console output goes to that file (such as /dev/full)
/// and `out` is empty.
RunResult runBinary(const std::string& dir, std::string_view input,
                    std::vector<std::string> args = {},
                    const std::string& stdoutPath = "");

/// Path of the built unv2tessal executable.
std::string binaryPath();
/// Folder of the hand-made test meshes and expected files.
std::string testDataDir();
/// Folder of the shared real sample files, or "" when it is absent.
std::string samplesDir();
/// The skip message of a test that needs the sample files.
inline constexpr std::string_view kNoSamples =
    "../shared/samples (beside the project folder) is absent";

/// The version that the title line of the manual page man/`page` names
/// ("unv2tessal 1.0.0" gives "1.0.0").
std::string versionInManualPage(const std::string& page);

/// Joins lines, each followed by LF.
std::string lines(std::initializer_list<std::string_view> ls);

}  // namespace unv2tessal::support

#endif  // UNV2TESSAL_TESTS_SUPPORT_TEST_IO_H_
