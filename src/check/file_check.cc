#include "check/file_check.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstring>

#include "check/group_checks.h"
#include "check/mesh_checks.h"
#include "check/warnings.h"
#include "io/failure.h"
#include "unv/framing.h"

namespace unv2tessal {
namespace {

OtherGroups& otherGroupsFor(CheckReport& report, const std::string& number) {
  for (OtherGroups& g : report.otherGroups) {
    if (g.number == number) return g;
  }
  report.otherGroups.push_back(OtherGroups{number});
  return report.otherGroups.back();
}

void notePassedOver(CheckReport& report, const std::string& number) {
  for (auto& [n, times] : report.passedOver) {
    if (n == number) {
      ++times;
      return;
    }
  }
  report.passedOver.emplace_back(number, 1);
}

// Reads the body of one dataset; the entry gets its record count.
void readBody(CheckInput& in, CheckReport& report, DatasetEntry& entry) {
  const std::string& number = entry.number;
  entry.converted = true;
  if (number == "2411") {
    entry.records = checkNodes(in, report.nodes);
  } else if (number == "2412") {
    entry.records = checkElements(in, report.elements);
  } else if (number == "2435") {
    GroupFactsAll& groups = report.groups;
    if (report.nodes.datasets == 0) groups.beforeNodes = true;
    if (report.elements.datasets == 0) groups.beforeElements = true;
    entry.records = checkGroups(in, report.nodes, groups);
  } else {
    entry.converted = false;
    notePassedOver(report, number);
    if (isOtherGroupDataset(number)) {
      entry.records = countOtherGroups(
          in, number, otherGroupsFor(report, number), &entry.closed);
    } else {
      entry.closed = in.skipToDelimiter();
    }
    // The converter never reads a passed-over dataset's closing delimiter
    // itself: its scan goes on from that line, so a dataset-number line
    // right after it opens the next dataset.
    entry.lastLine = in.lineNumber();
    if (entry.closed) in.units().stepBack(CheckInput::kUnit);
  }
}

void addEntry(CheckReport& report, const DatasetEntry& entry) {
  if (!entry.converted && !report.datasets.empty()) {
    DatasetEntry& back = report.datasets.back();
    if (!back.converted && back.number == entry.number) {
      back.lastLine = entry.lastLine;
      back.closed = entry.closed;
      back.records += entry.records;
      ++back.repeat;
      return;
    }
  }
  report.datasets.push_back(entry);
}

std::string inDataset(const DatasetEntry* current) {
  if (current == nullptr) return "";
  return " (dataset " + current->number + " begun at line " +
         std::to_string(current->firstLine) + ")";
}

Failure failureFrom(const std::string& path, const RunFailure& f,
                    CheckInput& in, const DatasetEntry* current) {
  // The end of the file is told at its last line, as every program does.
  if (f.report == kReportEndOfFile) {
    return Failure(
        path, in.lineNumber(),
        "the file ends before the closing delimiter" + inDataset(current));
  }
  const std::size_t line =
      in.units().isOpen(CheckInput::kUnit) ? in.lineNumber() : 0;
  return Failure(path, line, line > 0 ? 1 : 0,
                 reportText(f) + inDataset(current));
}

// A missing file or a directory: the unit table would refuse both with
// its report numbers, and the system's own reason reads better here. A name
// that the unit table would change (blanks around it stripped, cut to 256
// characters) could make it open another file.
bool openable(const std::string& path, CheckReport& report) {
  if (!path.empty() && (path.size() > Units::kMaxNameLength ||
                        path.front() == ' ' || path.back() == ' ')) {
    report.failure = Failure(path,
                             "the converter cannot open this name (blanks "
                             "around it, or more than 256 characters)");
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    report.failure = Failure(path, std::strerror(errno));
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    report.failure = Failure(path, "is a directory");
    return false;
  }
  return true;
}

}  // namespace

CheckReport checkFile(const std::string& path) {
  CheckReport report;
  report.file = path;
  if (!openable(path, report)) return report;
  CheckInput in;
  DatasetEntry current;
  bool inBody = false;
  try {
    in.open(path);
    scanDatasets(in.units(), CheckInput::kUnit, [&](std::string_view number) {
      current = DatasetEntry{};
      current.number = std::string(stripBlanks(number));
      current.firstLine = in.lineNumber() - 1;
      inBody = true;
      readBody(in, report, current);
      inBody = false;
      if (current.converted) current.lastLine = in.lineNumber();
      addEntry(report, current);
    });
    if (report.datasets.empty()) {
      report.failure = Failure(path, in.lineNumber(),
                               std::string(noDatasetReason(in.lineNumber())));
    }
  } catch (const Failure& f) {
    report.failure = f;
    report.failure->message += inDataset(inBody ? &current : nullptr);
  } catch (const RunFailure& f) {
    report.failure = failureFrom(path, f, in, inBody ? &current : nullptr);
  }
  in.units().closeAll();
  if (!report.failure) concludeReport(report);
  return report;
}

}  // namespace unv2tessal
