#include "check/unvcheck.h"

#include <algorithm>

#include "check/file_check.h"
#include "check/report_json.h"
#include "check/report_text.h"

namespace unv2tessal {

int runUnvcheck(const std::vector<std::string>& args, std::string* out,
                std::string* err) {
  bool json = false;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const std::string& a : args) {
    if (!optionsEnded && a == "--json") {
      json = true;
    } else if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      *err += "unvcheck: unknown option " + a + "\n";
      files.clear();
      break;
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    *err += "usage: unvcheck [--json] FILE...\n";
    return 2;
  }
  int status = 0;
  std::string documents;
  for (std::size_t k = 0; k < files.size(); ++k) {
    const CheckReport report = checkFile(files[k]);
    status = std::max(status, report.exitStatus());
    if (report.failure) *err += formatFailureLine(report);
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
