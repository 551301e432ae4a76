#include "check/unvcheck.h"

#include <algorithm>

#include "check/file_check.h"
#include "check/report_json.h"
#include "check/report_text.h"
#include "io/shell.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kUsage =
    "Usage: unvcheck [--json] FILE...\n"
    "       unvcheck --help | --version\n"
    "\n"
    "Reads each IDEAS universal file (*.unv) once and tells, before any\n"
    "conversion, what unv2tessal will and will not make of it: datasets,\n"
    "node and element labels, elements per kind, groups, a verdict per grid\n"
    "dimension and warnings. It never creates or changes a file.\n"
    "\n"
    "Options:\n"
    "  --json         one JSON document for all the files, for scripts\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "  --             the arguments that follow are file names\n"
    "\n"
    "Exit status: 0 when every file converts without loss, 1 when one has\n"
    "warnings, 2 when one cannot be read or the command line is wrong.\n"
    "\n"
    "The manual page, 'man unvcheck', shows every part of the report.\n";

}  // namespace

int runUnvcheck(const std::vector<std::string>& args, std::string* out,
                std::string* err) {
  if (answerInfoRequest("unvcheck", kUsage, args, out)) return 0;
  bool json = false;
  std::vector<std::string> files;
  const auto take = [&json](const std::string& name, const std::string&) {
    if (name != "--json") return "unknown option '" + name + "'";
    json = true;
    return std::string();
  };
  if (const auto status =
          scanCommandLine("unvcheck", args, {}, take, &files, err)) {
    return *status;
  }
  if (files.empty()) return usageError("unvcheck", "needs a FILE", err);
  int status = 0;
  std::string documents;
  for (std::size_t k = 0; k < files.size(); ++k) {
    const CheckReport report = checkFile(files[k]);
    status = std::max(status, report.exitStatus());
    if (report.failure) *err += failureLine("unvcheck", *report.failure);
    if (json) {
      if (k > 0) documents += ",";
      documents += formatJsonReport(report);
    } else {
      if (k > 0) *out += "\n";
      *out += formatTextReport(report);
    }
  }
  if (json) {
    *out += "{\"files\":[" + documents +
            "],\"exit_status\":" + std::to_string(status) + "}\n";
  }
  return status;
}

}  // namespace unv2tessal
