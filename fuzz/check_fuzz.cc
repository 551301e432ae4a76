// Fuzz target for unvcheck: the input bytes become the universal file
// "in.unv" in a scratch directory; unvcheck reads it in-process, as text
// and as JSON, and then the converter runs on it in each grid dimension
// with the default replies. What must hold whatever the bytes are:
//   - unvcheck returns (no crash, no escaped exception, no sanitizer
//     report) with exit status 0, 1 or 2, the same for text and JSON;
//   - status 2 comes with exactly one error line "in.unv:LINE:COL: cannot
//     be read: ..." and a text report ending "Exit status: 2"; the other
//     statuses with an empty error stream;
//   - the JSON output is one well-formed JSON document whose exit_status
//     is the status returned;
//   - the input is unchanged and no other file is made;
//   - when unvcheck reads the file, its verdict is what the converter
//     writes in that dimension: vertex lines, connectivity lines and
//     region commands, or no file; unless unvcheck passed over empty lines
//     between element records, which the converter does not (it warns so).

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "check/file_check.h"
#include "check/unvcheck.h"
#include "driver/run.h"
#include "io/console.h"
#include "scratch_files.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kInput = "in.unv";
constexpr int kMaxReplies = 64;

constexpr const char* kTarget = "check_fuzz";

[[noreturn]] void fault(const std::string& what) {
  fuzzing::fault(kTarget, what);
}

// A JSON syntax check (RFC 8259 grammar, no semantics): one value and
// nothing after it but a final LF.
class JsonSyntax {
 public:
  explicit JsonSyntax(std::string_view s) : s_(s) {}
  bool wholeDocument() {
    if (!value(0)) return false;
    return at_ + 1 == s_.size() && s_[at_] == '\n';
  }

 private:
  bool value(int depth) {
    if (depth > 64 || at_ >= s_.size()) return false;
    switch (s_[at_]) {
      case '{':
        return members(depth);
      case '[':
        return elements(depth);
      case '"':
        return string();
      case 't':
        return word("true");
      case 'f':
        return word("false");
      case 'n':
        return word("null");
      default:
        return number();
    }
  }
  bool members(int depth) {
    ++at_;
    if (peek('}')) return true;
    do {
      if (!string() || !peek(':') || !value(depth + 1)) return false;
    } while (peek(','));
    return peek('}');
  }
  bool elements(int depth) {
    ++at_;
    if (peek(']')) return true;
    do {
      if (!value(depth + 1)) return false;
    } while (peek(','));
    return peek(']');
  }
  bool string() {
    if (!peek('"')) return false;
    while (at_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (at_ >= s_.size()) return false;
        const char e = s_[at_++];
        if (e == 'u') {
          for (int k = 0; k < 4; ++k) {
            if (at_ >= s_.size() ||
                !std::isxdigit(static_cast<unsigned char>(s_[at_++])))
              return false;
          }
        } else if (std::string_view("\"\\/bfnrt").find(e) ==
                   std::string_view::npos) {
          return false;
        }
      }
    }
    return false;
  }
  bool number() {
    const std::size_t start = at_;
    peek('-');
    if (peek('0')) {
    } else if (!digits()) {
      return false;
    }
    if (peek('.') && !digits()) return false;
    if (peek('e') || peek('E')) {
      if (!peek('+')) peek('-');
      if (!digits()) return false;
    }
    return at_ > start;
  }
  bool digits() {
    const std::size_t start = at_;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
    return at_ > start;
  }
  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }
  bool peek(char c) {
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

// A console that gives the default reply to every question, the input
// name to the file question and the dimension asked for to the dimension
// question.
class DefaultRepliesConsole : public ConsoleIo {
 public:
  explicit DefaultRepliesConsole(bool is2D) : is2D_(is2D) {}
  void writeOut(std::string_view text) override { out.append(text); }
  void writeErr(std::string_view text) override { err.append(text); }
  bool readLine(std::string* line) override {
    if (++replies_ > kMaxReplies) return false;
    std::string_view o(out);
    if (o.size() >= 2 && o.substr(o.size() - 2) == "\r\n") o.remove_suffix(2);
    const std::size_t nl = o.rfind('\n');
    const std::string_view last =
        nl == std::string_view::npos ? o : o.substr(nl + 1);
    if (last.find("universal filename") != std::string_view::npos) {
      *line = std::string(kInput);
    } else if (last.find("grid dimension") != std::string_view::npos) {
      *line = is2D_ ? "2" : "3";
    } else {
      line->clear();  // the default file names; renumbering accepted
    }
    return true;
  }

  std::string out;
  std::string err;

 private:
  bool is2D_;
  int replies_ = 0;
};

// Lines of a file, -1 when it does not exist.
long long lineCount(const std::string& name) {
  if (::access(name.c_str(), F_OK) != 0) return -1;
  const std::string text = fuzzing::readWhole(name);
  long long n = 0;
  for (char c : text) n += c == '\n' ? 1 : 0;
  return n;
}

long long regionCount(const std::string& name) {
  if (::access(name.c_str(), F_OK) != 0) return -1;
  const std::string text = fuzzing::readWhole(name);
  long long n = 0;
  for (std::size_t at = text.find("LOCATE VERTEX ID="); at != std::string::npos;
       at = text.find("LOCATE VERTEX ID=", at + 1)) {
    ++n;
  }
  return n;
}

void checkOutputs(int status, const std::string& out, const std::string& err,
                  bool json) {
  const std::string kind = json ? "JSON: " : "text: ";
  if (status < 0 || status > 2)
    fault(kind + "exit status " + std::to_string(status));
  if (status == 2) {
    const std::string prefix = "unvcheck: " + std::string(kInput) + ":";
    if (err.compare(0, prefix.size(), prefix) != 0 ||
        err.find('\n') != err.size() - 1) {
      fault(kind + "failure is not one line naming the file: " + err);
    }
  } else if (!err.empty()) {
    fault(kind + "error output without a failure: " + err);
  }
  if (json) {
    if (!JsonSyntax(out).wholeDocument()) fault("malformed JSON: " + out);
    const std::string tail =
        "\"exit_status\":" + std::to_string(status) + "}\n";
    if (out.size() < tail.size() ||
        out.compare(out.size() - tail.size(), tail.size(), tail) != 0) {
      fault("JSON exit_status differs from the status returned");
    }
  } else {
    const std::string tail = "Exit status: " + std::to_string(status) + "\n";
    if (out.size() < tail.size() ||
        out.compare(out.size() - tail.size(), tail.size(), tail) != 0) {
      fault("text report does not end with its exit status");
    }
  }
}

void checkAgreement(const CheckReport& report, bool is2D) {
  const std::string dim = is2D ? "2D: " : "3D: ";
  DefaultRepliesConsole console(is2D);
  const std::uint32_t status = runConversion(console, {});
  if (status != 0) {
    fault(dim + "unvcheck reads the file, the converter fails: " + console.err);
  }
  const Verdict& v = is2D ? report.verdict2D : report.verdict3D;
  if (lineCount("OUT.XYZ") != (v.vertexFile ? v.vertices : -1))
    fault(dim + "vertex lines differ from the verdict");
  if (lineCount("OUT.CNC") != (v.connectivityFile ? v.elements : -1))
    fault(dim + "connectivity lines differ from the verdict");
  if (regionCount("GRID.INP") != (v.gridFile ? v.regions : -1))
    fault(dim + "region commands differ from the verdict");
}

}  // namespace
}  // namespace unv2tessal

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace unv2tessal;
  const fuzzing::ScratchRun scratch(kTarget, kInput, data, size);
  const std::string& input = scratch.input;
  std::string out, err, jsonOut, jsonErr;
  const int status = runUnvcheck({std::string(kInput)}, &out, &err);
  const int jsonStatus =
      runUnvcheck({"--json", std::string(kInput)}, &jsonOut, &jsonErr);
  if (status != jsonStatus) fault("text and JSON statuses differ");
  checkOutputs(status, out, err, false);
  checkOutputs(jsonStatus, jsonOut, jsonErr, true);
  if (fuzzing::readWhole(std::string(kInput)) != input)
    fault("the input file changed");
  if (fuzzing::directoryEntries(kTarget).size() != 1)
    fault("unvcheck made a file");

  if (status == 2) return 0;
  const CheckReport report = checkFile(std::string(kInput));
  if (report.elements.emptyLines > 0) return 0;
  for (const bool is2D : {true, false}) {
    checkAgreement(report, is2D);
    for (const std::string& n : fuzzing::directoryEntries(kTarget)) {
      if (n != kInput) ::unlink(n.c_str());
    }
  }
  return 0;
}
