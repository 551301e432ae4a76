// Fuzz target for a whole conversion: the input bytes become the universal
// file "in.unv" in a scratch directory, a console answers each question from
// a fixed set of answers chosen by the first byte, and runConversion() runs
// in-process. A failure report is a normal end; what must hold whatever the
// bytes are:
//   - the run returns (no crash, no escaped exception, no sanitizer report);
//   - the exit status is 0 or C0000000 + N for a report of this system, and
//     the error stream holds report-63 lines and, after a failure, exactly
//     one severe report line with that N;
//   - the input file is byte-for-byte unchanged;
//   - every output file holds only records of its own forms (vertex lines of
//     62 columns, connectivity lines of 48/58/78/98, map lines of 20, grid
//     command lines of the header and region forms), each ending in CR LF;
//   - after a normal run, each file holds as many records as the console
//     totals say were written.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"
#include "io/console.h"
#include "scratch_files.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kInput = "in.unv";
constexpr std::string_view kMap = "Element_Renumbering_Map.dat";
constexpr int kMaxReplies = 64;

// The answers of one run. Replies are matched to the question last shown.
struct Answers {
  std::string inputName;
  std::string xyz;  // reply to the vertex file question
  std::string renumber;
  std::vector<std::string> dimension;  // replies tried in turn, last repeated
  std::string cnc;
  std::string inp;
  std::vector<std::string> args;
  // Names of the files written (the defaults for empty replies).
  std::string xyzFile, cncFile, inpFile;
};

const std::vector<Answers>& variants() {
  static const std::vector<Answers> v{
      {"in.unv", "", "y", {"3"}, "", "", {}, "OUT.XYZ", "OUT.CNC", "GRID.INP"},
      {"in.unv", "", "n", {"2"}, "", "", {}, "OUT.XYZ", "OUT.CNC", "GRID.INP"},
      {"  in.unv  ",
       "a.xyz",
       "",
       {"2D", " 2", "2"},
       "b.cnc",
       "c.inp",
       {},
       "a.xyz",
       "b.cnc",
       "c.inp"},
      {"",
       "",
       "N",
       {"", "3"},
       "",
       "",
       {"in.unv"},
       "OUT.XYZ",
       "OUT.CNC",
       "GRID.INP"},
      // Output names that collide with the input or with an open output.
      {"in.unv",
       "in.unv",
       "y",
       {"3"},
       "",
       "",
       {},
       "in.unv",
       "OUT.CNC",
       "GRID.INP"},
      {"in.unv",
       "",
       "y",
       {"2"},
       std::string(kMap),
       "in.unv",
       {},
       "OUT.XYZ",
       std::string(kMap),
       "in.unv"},
  };
  return v;
}

// A console that answers by the question last written.
class AnsweringConsole : public ConsoleIo {
 public:
  explicit AnsweringConsole(const Answers& a) : a_(a) {}
  void writeOut(std::string_view text) override { out.append(text); }
  void writeErr(std::string_view text) override { err.append(text); }
  bool readLine(std::string* line) override {
    if (++replies_ > kMaxReplies) return false;
    const std::string_view last = lastLine();
    if (contains(last, "universal filename")) {
      *line = a_.inputName;
    } else if (contains(last, "UNIT 10?")) {
      *line = "in.unv";
    } else if (contains(last, "UNIT ")) {
      return false;  // an output opened under a blank name: never asked here
    } else if (contains(last, "vertex filename")) {
      *line = a_.xyz;
    } else if (contains(last, "[Y/N]")) {
      *line = a_.renumber;
    } else if (contains(last, "grid dimension")) {
      const std::size_t k = dimensionAsked_ < a_.dimension.size()
                                ? dimensionAsked_
                                : a_.dimension.size() - 1;
      ++dimensionAsked_;
      *line = a_.dimension[k];
    } else if (contains(last, "connectivity filename")) {
      dimensionAsked_ = 0;
      *line = a_.cnc;
    } else if (contains(last, "GRID commands")) {
      *line = a_.inp;
    } else {
      std::fprintf(stderr, "unexpected question: %s\n",
                   std::string(last).c_str());
      std::abort();
    }
    return true;
  }

  std::string out;
  std::string err;

 private:
  static bool contains(std::string_view s, std::string_view w) {
    return s.find(w) != std::string_view::npos;
  }
  std::string_view lastLine() const {
    std::string_view o(out);
    if (o.size() >= 2 && o.substr(o.size() - 2) == "\r\n") o.remove_suffix(2);
    const std::size_t nl = o.rfind('\n');
    return nl == std::string_view::npos ? o : o.substr(nl + 1);
  }

  const Answers& a_;
  int replies_ = 0;
  std::size_t dimensionAsked_ = 0;
};

constexpr const char* kTarget = "run_fuzz";

[[noreturn]] void fault(const std::string& what) {
  fuzzing::fault(kTarget, what);
}

// The records of a file, each without its CR LF; a record without CR LF is
// a fault.
std::vector<std::string> records(const std::string& name) {
  const std::string text = fuzzing::readWhole(name);
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) fault(name + ": record without CR LF");
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

const std::regex kInteger8(R"( *-?[0-9]+|\*{8})");
const std::regex kExponent18(
    R"( *-?0\.[0-9]{8}(E[-+][0-9]{2}|[-+][0-9]{3})| *-?Infinity| *NaN)");

bool fullMatch(const std::string& s, const std::regex& r) {
  return std::regex_match(s, r);
}

void checkVertexFile(const std::string& name) {
  for (const std::string& r : records(name)) {
    if (r.size() != 62)
      fault(name + ": vertex line of " + std::to_string(r.size()));
    if (!fullMatch(r.substr(0, 8), kInteger8) ||
        !fullMatch(r.substr(8, 18), kExponent18) ||
        !fullMatch(r.substr(26, 18), kExponent18) ||
        !fullMatch(r.substr(44, 18), kExponent18)) {
      fault(name + ": malformed vertex line " + r);
    }
  }
}

const std::regex kInteger10(R"( *-?[0-9]+|\*{10})");
const std::regex kInteger11(R"( *-?[0-9]+|\*{11})");

void checkConnectivityFile(const std::string& name) {
  int expectedNumber = 1;
  for (const std::string& r : records(name)) {
    if (r.size() < 18) fault(name + ": short connectivity line " + r);
    const std::string head = r.substr(10, 8);
    std::size_t vertices = 0;
    if (head == "  1  3  ") vertices = 3;
    if (head == "  2  4  " || head == "  3  4  ") vertices = 4;
    if (head == "  5  6  ") vertices = 6;
    if (head == "  6  8  ") vertices = 8;
    if (vertices == 0 || r.size() != 18u + 10u * vertices) {
      fault(name + ": connectivity line of " + std::to_string(r.size()) + ": " +
            r);
    }
    char number[16];
    std::snprintf(number, sizeof number, "%10d", expectedNumber++);
    if (r.substr(0, 10) != number)
      fault(name + ": element numbers not 1, 2, 3..: " + r);
    for (std::size_t k = 0; k < vertices; ++k) {
      if (!fullMatch(r.substr(18 + 10 * k, 10), kInteger10)) {
        fault(name + ": malformed vertex number in " + r);
      }
    }
  }
}

void checkMapFile(const std::string& name) {
  const std::vector<std::string> rs = records(name);
  if (rs.empty()) return;  // opened, then the run ended before the header
  if (rs[0] != "  Original       New") fault(name + ": map header " + rs[0]);
  for (std::size_t k = 1; k < rs.size(); ++k) {
    const std::string& r = rs[k];
    if (r.size() != 20 || !fullMatch(r.substr(0, 10), kInteger10) ||
        !fullMatch(r.substr(10, 10), kInteger10) ||
        r.substr(0, 10) == r.substr(10, 10)) {
      fault(name + ": malformed map line " + r);
    }
  }
}

// A header record: a fixed text and, for most, an 8-column integer field.
bool isHeaderRecord(const std::string& r) {
  static const std::string kTexts[] = {
      "GRID UNSTructured; # of ELEMents ",
      "GRID THREeD  UNSTructured; # of ELEMents",
      "! # of vertices = ", "!original element numbers were offset by ",
      "!original node numbers were offset by "};
  if (r == "CONNectivity HYBRid in file <cncFileName>" ||
      r == "COOR X Y Z VERTices in file <xyzFileName>") {
    return true;
  }
  for (const std::string& t : kTexts) {
    if (r.size() == t.size() + 8 && r.compare(0, t.size(), t) == 0 &&
        fullMatch(r.substr(t.size()), kInteger8)) {
      return true;
    }
  }
  return false;
}

void checkGridFile(const std::string& name) {
  for (const std::string& r : records(name)) {
    if (r.rfind("LOCATE VERTEX ID=", 0) == 0) {
      if (r.size() != 55 || r.substr(25, 20) != "  ! # of vertices = " ||
          !fullMatch(r.substr(45, 10), kInteger10)) {
        fault(name + ": malformed region command " + r);
      }
      continue;
    }
    if (isHeaderRecord(r)) continue;
    // Otherwise a vertex line: 1 to 8 fields of 11 columns.
    if (r.empty() || r.size() > 88 || r.size() % 11 != 0) {
      fault(name + ": unknown grid line " + r);
    }
    for (std::size_t k = 0; k < r.size(); k += 11) {
      if (!fullMatch(r.substr(k, 11), kInteger11)) fault(name + ": " + r);
    }
  }
}

// The value of the last console line that starts with `label`, or -1.
long long lastTotal(const std::string& out, std::string_view label,
                    int* occurrences) {
  long long value = -1;
  *occurrences = 0;
  std::size_t at = 0;
  while ((at = out.find(label, at)) != std::string::npos) {
    at += label.size();
    value = std::atoll(out.c_str() + at);
    ++*occurrences;
  }
  return value;
}

std::size_t countOf(const std::string& s, std::string_view w,
                    std::size_t from) {
  std::size_t n = 0;
  for (std::size_t at = s.find(w, from); at != std::string::npos;
       at = s.find(w, at + 1)) {
    ++n;
  }
  return n;
}

// Whether an output file of that name was made (the input aside).
bool exists(const std::string& name) {
  return name != kInput && ::access(name.c_str(), F_OK) == 0;
}

void checkCounts(const AnsweringConsole& c, const Answers& a) {
  int runs = 0;
  const long long nodes = lastTotal(c.out, "Total number of nodes = ", &runs);
  if (runs == 0 && exists(a.xyzFile))
    fault("vertex file without a node dataset");
  if (runs > 0 &&
      records(a.xyzFile).size() != static_cast<std::size_t>(nodes)) {
    fault("vertex file does not hold the nodes counted");
  }
  const long long elements =
      lastTotal(c.out, "Total number of elements = ", &runs);
  if (runs == 0 && exists(a.cncFile))
    fault("connectivity file without elements");
  if (runs > 0 &&
      records(a.cncFile).size() != static_cast<std::size_t>(elements)) {
    fault("connectivity file does not hold the elements counted");
  }
  const std::size_t gridAt = c.out.rfind(" Grid is ");
  if (gridAt == std::string::npos) {
    if (exists(a.inpFile)) fault("grid command file without a group dataset");
    return;
  }
  std::size_t regions = 0;
  for (const std::string& r : records(a.inpFile)) {
    if (r.rfind("LOCATE VERTEX ID=", 0) == 0) ++regions;
  }
  if (regions != countOf(c.out, "Region Completed:", gridAt)) {
    fault("grid command file does not hold the regions completed");
  }
}

const std::regex kReport(
    R"(forrtl: severe \(([0-9]+)\): ([a-zA-Z -]+), unit (-?[0-9]+), file (/[^\r\n]*)\r\n)"
    R"(|forrtl: severe \(165\): Program Exception - integer overflow\r\n)");
const std::regex kReport63(
    R"(forrtl: error \(63\): output conversion error, unit (21|22|23|24), file /[^\r\n]*\r\n)");

void checkReports(const std::string& err, std::uint32_t status) {
  std::string rest = err;
  std::smatch m;
  // Report-63 lines, possibly many; then nothing or one severe line.
  while (std::regex_search(rest, m, kReport63,
                           std::regex_constants::match_continuous)) {
    rest = m.suffix();
  }
  if (status == 0) {
    if (!rest.empty()) fault("error output after a normal run: " + rest);
    return;
  }
  if ((status & 0xFFFFFF00u) != 0xC0000000u)
    fault("exit status not C0000000+N");
  const int n = static_cast<int>(status & 0xFFu);
  static const int kReports[] = {9, 24, 29, 30, 38, 39, 42, 43, 47, 64, 165};
  bool known = false;
  for (int r : kReports) known = known || r == n;
  if (!known) fault("unknown report number " + std::to_string(n));
  if (!std::regex_match(rest, m, kReport)) fault("malformed report: " + rest);
  if (n == 165) return;
  if (std::stoi(m[1].str()) != n) fault("report and status differ");
  static const std::regex kUnits("-4|10|21|22|23|24");
  if (!std::regex_match(m[3].str(), kUnits))
    fault("report names unit " + m[3].str());
}

}  // namespace
}  // namespace unv2tessal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace unv2tessal;
  const fuzzing::ScratchRun scratch(kTarget, kInput, data, size);
  const std::string& input = scratch.input;
  const Answers& a = variants()[size == 0 ? 0 : data[0] % variants().size()];
  AnsweringConsole console(a);
  const std::uint32_t status = runConversion(console, a.args);

  if (fuzzing::readWhole(std::string(kInput)) != input)
    fault("the input file changed");
  checkReports(console.err, status);
  if (exists(a.xyzFile)) checkVertexFile(a.xyzFile);
  if (a.cncFile != kMap && exists(a.cncFile)) checkConnectivityFile(a.cncFile);
  if (a.cncFile != kMap && exists(std::string(kMap))) {
    checkMapFile(std::string(kMap));
  }
  if (exists(a.inpFile)) checkGridFile(a.inpFile);
  if (status == 0) checkCounts(console, a);
  return 0;
}
