#include "io/failure.h"

namespace unv2tessal {

std::string_view reportMessage(int report) {
  switch (report) {
    case kReportNoPermission:
      return "permission to access file denied";
    case kReportEndOfFile:
      return "end-of-file during read";
    case kReportFileNotFound:
      return "file not found";
    case kReportOpenFailure:
      return "open failure";
    case kReportWriteError:
      return "error during write";
    case kReportReadError:
      return "error during read";
    case kReportNoSuchDevice:
      return "no such device";
    case kReportBadFileName:
      return "file name specification error";
    case kReportReadOnlyWrite:
      return "write to READONLY file";
    case kReportOutputConversion:
      return "output conversion error";
    case kReportInputConversion:
      return "input conversion error";
    default:
      return "unknown error";
  }
}

namespace {

std::string unitText(int report, int unit, std::string_view path) {
  std::string text(reportMessage(report));
  text += ", unit " + std::to_string(unit) + ", file ";
  text += path;
  return text;
}

std::string reportLine(std::string_view prefix, int report,
                       std::string_view text) {
  std::string line(prefix);
  line += " (" + std::to_string(report) + "): ";
  line += text;
  line += "\r\n";
  return line;
}

}  // namespace

std::string reportText(const RunFailure& f) {
  if (f.report == kReportIntegerOverflow) {
    return "Program Exception - integer overflow";
  }
  if (f.report == kReportInterrupt) {
    return "program aborting due to " + f.event + " event";
  }
  return unitText(f.report, f.unit, f.path);
}

std::string formatReport(const RunFailure& f) {
  const bool severe = f.report != kReportInterrupt;
  return reportLine(severe ? "forrtl: severe" : "forrtl: error", f.report,
                    reportText(f));
}

std::string formatOutputConversionReport(int unit, std::string_view path) {
  return reportLine("forrtl: error", kReportOutputConversion,
                    unitText(kReportOutputConversion, unit, path));
}

}  // namespace unv2tessal
