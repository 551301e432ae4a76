// Fuzz target for unvprep: the input bytes become the universal file
// "in.unv" in a scratch directory and runPrep() prepares it in-process as
// "out.unv" with the answers file "answers.txt"; the first byte chooses the
// grid dimension (given or not), --unique-ids and --json. What must hold
// whatever the bytes are:
//   - the run returns (no crash, no escaped exception, no sanitizer report)
//     with exit status 0, 1 or 2; the input is unchanged;
//   - status 2 comes with exactly one error line "unvprep: FILE...: ..." and
//     leaves only the input in the directory (no output, no answers, no
//     temporary file);
//   - status 0 or 1 leaves the output and the answers file (and, with
//     --json, one well-formed JSON document on standard output);
//   - when unvcheck reads the input, unvcheck also reads the output, which
//     holds no group dataset but 2435; and the converter, run in-process on
//     the output with the answers file as its console input, ends normally
//     without asking more than the answers hold. Unless the converter and
//     unvprep read the groups of a 2435 dataset of the input on different
//     lines: the converter reads two entities a record, unvprep as many as
//     each record holds, so where a record in mid-group holds fewer, the
//     converter's reading takes the lines after it for group records (and
//     passes over what follows them), while in the output they are what
//     they are, a dataset of their own that may not be readable.

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "check/file_check.h"
#include "codecs/fields.h"
#include "driver/run.h"
#include "io/console.h"
#include "prep/prep.h"
#include "scratch_files.h"
#include "unv/group_records.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kInput = "in.unv";
constexpr std::string_view kOutput = "out.unv";
constexpr std::string_view kAnswers = "answers.txt";

constexpr const char* kTarget = "prep_fuzz";

[[noreturn]] void fault(const std::string& what) {
  fuzzing::fault(kTarget, what);
}

bool endsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() &&
         s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A JSON document's bracket structure and strings, closed at its end: the
// summary is one object followed by a line end.
bool looksLikeOneJsonObject(const std::string& s) {
  if (s.size() < 3 || s.front() != '{' || !endsWith(s, "}\n")) return false;
  int depth = 0;
  bool inString = false;
  for (std::size_t k = 0; k + 1 < s.size(); ++k) {
    const char c = s[k];
    if (inString) {
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c == '\\') {
        ++k;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') inString = true;
    if (c == '{' || c == '[') ++depth;
    if (c == '}' || c == ']') --depth;
    if (depth < 0 || (depth == 0 && k + 2 < s.size())) return false;
  }
  return depth == 0 && !inString;
}

// A console that replies with the lines of the answers file, in order.
class AnswersConsole : public ConsoleIo {
 public:
  explicit AnswersConsole(const std::string& answers) {
    std::size_t at = 0;
    while (at < answers.size()) {
      std::size_t end = answers.find('\n', at);
      if (end == std::string::npos) end = answers.size();
      replies_.push_back(answers.substr(at, end - at));
      at = end + 1;
    }
  }
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

bool holdsOtherGroupDatasets(const CheckReport& report) {
  return !report.otherGroups.empty();
}

// Whether the converter and unvprep read the groups of every 2435 dataset of
// `input` (as the converter frames the file in `report`) on the same lines:
// the converter two entities a record, unvprep as many as each record holds,
// passing over a record of blanks between groups.
bool groupsReadAlike(const std::string& input, const CheckReport& report) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < input.size();) {
    std::size_t end = input.find('\n', at);
    if (end == std::string::npos) end = input.size();
    lines.emplace_back(input.data() + at, end - at);
    at = end + 1;
  }
  for (const DatasetEntry& d : report.datasets) {
    if (d.number != "2435") continue;
    // 1-based lines: the delimiter, the number, then the groups up to the
    // closing delimiter.
    std::size_t at = d.firstLine + 2;
    const std::size_t end = std::min(d.lastLine, lines.size() + 1);
    while (at < end) {
      std::int32_t count = 0;
      const std::string_view record = lines[at - 1];
      if (isEmptyRecordBetweenGroups(record) || record.size() < 80 ||
          !readIntegerField(record.substr(70, 10), &count)) {
        return false;
      }
      at += 2;  // the group record and its name
      const EntityRecords read =
          entityRecordsFor(count, kPermanentGroups.entitiesPerRecord);
      const std::size_t byConverter =
          static_cast<std::size_t>(read.full) + (read.lastEntities > 0 ? 1 : 0);
      std::size_t byRecords = 0;
      for (std::int64_t left = count; left > 0; ++byRecords) {
        if (at + byRecords >= end) return false;
        const std::size_t n =
            entitiesOnRecord(lines[at + byRecords - 1], kPermanentGroups);
        if (n == 0) return false;
        left -= static_cast<std::int64_t>(n);
      }
      if (byRecords != byConverter) return false;
      at += byRecords;
    }
  }
  return true;
}

}  // namespace
}  // namespace unv2tessal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace unv2tessal;
  const fuzzing::ScratchRun scratch(kTarget, kInput, data, size);
  const std::string& input = scratch.input;
  const std::uint8_t choice = size == 0 ? 0 : data[0];
  PrepOptions options;
  options.input = std::string(kInput);
  options.output = std::string(kOutput);
  options.answers = std::string(kAnswers);
  options.dim = (choice & 3) == 1 ? 2 : (choice & 3) == 2 ? 3 : 0;
  options.uniqueIds = (choice & 4) != 0;
  options.json = (choice & 8) != 0;
  std::string out, err;
  const int status = runPrep(options, &out, &err);

  if (status < 0 || status > 2) fault("exit status " + std::to_string(status));
  if (fuzzing::readWhole(std::string(kInput)) != input)
    fault("the input file changed");
  const std::vector<std::string> entries = fuzzing::directoryEntries(kTarget);
  if (status == 2) {
    if (err.rfind("unvprep: ", 0) != 0 || err.find('\n') != err.size() - 1) {
      fault("failure is not one line: " + err);
    }
    if (entries.size() != 1) fault("a failed run left a file beside the input");
    return 0;
  }
  if (entries.size() != 3 || ::access(kOutput.data(), F_OK) != 0 ||
      ::access(kAnswers.data(), F_OK) != 0) {
    fault("a written run did not leave exactly the output and the answers");
  }
  if (options.json && !looksLikeOneJsonObject(out)) {
    fault("malformed JSON summary: " + out);
  }

  const CheckReport source = checkFile(std::string(kInput));
  if (source.failure || !groupsReadAlike(input, source)) return 0;
  const CheckReport prepared = checkFile(std::string(kOutput));
  if (prepared.failure) {
    fault("unvcheck reads the input but not the output: " +
          prepared.failure->message);
  }
  if (holdsOtherGroupDatasets(prepared)) {
    fault("the output keeps a group dataset other than 2435");
  }
  AnswersConsole console(fuzzing::readWhole(std::string(kAnswers)));
  const std::uint32_t converted = runConversion(console, {});
  if (converted != 0) {
    fault("the converter does not run on the output with the answers: " +
          console.err);
  }
  return 0;
}
