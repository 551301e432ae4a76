// Fuzz target for tessalgrid: the input bytes become the universal file
// "in.unv" in a scratch directory and runGrid() converts it in-process
// into the files "g.*"; the first byte chooses --keep-nodes, the grid
// dimension (given or not), --unique-ids, --json and --vtu. What must hold
// whatever the bytes are:
//   - the run returns (no crash, no escaped exception, no sanitizer report,
//     no thread left waiting) with exit status 0, 1 or 2; the input is
//     unchanged;
//   - status 2 comes with exactly one error line "tessalgrid: ..." and
//     leaves only the input in the directory (no file of the grid, no
//     temporary file);
//   - status 0 or 1 leaves g.xyz, g.cnc and g.inp (g.map and g.vmap when
//     they have lines, g.vtu when asked) and no temporary file, and with
//     --json one JSON object on standard output;
//   - with --keep-nodes, when unvprep --answers and then the converter on
//     its answers run to their end (in-process, into "p.*"), tessalgrid's
//     vertex and connectivity files are theirs byte for byte, and so is
//     its grid command file when the converter wrote one; tessalgrid fails
//     then only for a second node or element dataset, which it refuses.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"
#include "grid/tessalgrid.h"
#include "io/console.h"
#include "prep/prep.h"
#include "scratch_files.h"

namespace unv2tessal {
namespace {

constexpr const char* kTarget = "grid_fuzz";
constexpr std::string_view kInput = "in.unv";

[[noreturn]] void fault(const std::string& what) {
  fuzzing::fault(kTarget, what);
}

bool exists(const char* path) { return ::access(path, F_OK) == 0; }

// A console that replies with the lines of an answers file, in order.
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
  void writeOut(std::string_view) override {}
  void writeErr(std::string_view) override {}
  bool readLine(std::string* line) override {
    if (next_ == replies_.size()) return false;
    *line = replies_[next_++];
    return true;
  }

 private:
  std::vector<std::string> replies_;
  std::size_t next_ = 0;
};

// unvprep --answers, then the converter on its answers: whether both ran
// to their end.
bool twoSteps(const GridOptions& grid) {
  PrepOptions options;
  options.input = grid.input;
  options.output = "p.unv";
  options.answers = "a.txt";
  options.prefix = "p";
  options.dim = grid.dim;
  options.uniqueIds = grid.uniqueIds;
  std::string out, err;
  if (runPrep(options, &out, &err) == 2) return false;
  AnswersConsole console(fuzzing::readWhole("a.txt"));
  return runConversion(console, {}) == 0;
}

void compare(const char* ours, const char* theirs) {
  if (fuzzing::readWhole(ours) != fuzzing::readWhole(theirs)) {
    fault(std::string(ours) + " differs from " + theirs);
  }
}

}  // namespace
}  // namespace unv2tessal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace unv2tessal;
  const fuzzing::ScratchRun scratch(kTarget, kInput, data, size);
  const std::string& input = scratch.input;
  const std::uint8_t choice = size == 0 ? 0 : data[0];
  GridOptions options;
  options.input = std::string(kInput);
  options.prefix = "g";
  options.keepNodes = (choice & 1) != 0;
  options.dim = (choice & 6) == 2 ? 2 : (choice & 6) == 4 ? 3 : 0;
  options.uniqueIds = (choice & 8) != 0;
  options.json = (choice & 16) != 0;
  if ((choice & 32) != 0) options.vtu = "g.vtu";
  std::string out, err;
  const int status = runGrid(options, &out, &err);

  if (status < 0 || status > 2) fault("exit status " + std::to_string(status));
  if (fuzzing::readWhole(std::string(kInput)) != input) {
    fault("the input file changed");
  }
  const std::vector<std::string> entries = fuzzing::directoryEntries(kTarget);
  if (status == 2) {
    if (err.rfind("tessalgrid: ", 0) != 0 || err.find('\n') != err.size() - 1) {
      fault("failure is not one line: " + err);
    }
    if (entries.size() != 1) fault("a failed run left a file beside the input");
  } else {
    std::size_t expected = 4;  // the input, .xyz, .cnc and .inp
    for (const char* optional : {"g.map", "g.vmap", "g.vtu"}) {
      expected += exists(optional) ? 1 : 0;
    }
    if (!exists("g.xyz") || !exists("g.cnc") || !exists("g.inp") ||
        entries.size() != expected) {
      fault("a written run did not leave exactly the grid's files");
    }
    if (options.vtu.empty() == exists("g.vtu")) fault("the .vtu, or not");
    if (options.json &&
        (out.empty() || out.front() != '{' || out.back() != '\n')) {
      fault("malformed JSON summary: " + out);
    }
  }
  if (!options.keepNodes || !twoSteps(options)) return 0;
  if (status == 2) {
    if (err.find("a second ") == std::string::npos) {
      fault("unvprep and the converter ran, tessalgrid did not: " + err);
    }
    return 0;
  }
  compare("g.xyz", "p.xyz");
  compare("g.cnc", "p.cnc");
  if (exists("p.inp")) compare("g.inp", "p.inp");
  return 0;
}
