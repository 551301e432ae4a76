#include "records/failure.h"

namespace unv2tessal {
namespace {

std::string_view messageFor(int report) {
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

std::string unitLine(std::string_view prefix, int report, int unit,
                     std::string_view path) {
  std::string line(prefix);
  line += " (" + std::to_string(report) + "): ";
  line += messageFor(report);
  line += ", unit " + std::to_string(unit) + ", file ";
  line += path;
  line += "\r\n";
  return line;
}

}  // namespace

std::string formatReport(const RunFailure& f) {
  if (f.report == kReportIntegerOverflow) {
    return "forrtl: severe (165): Program Exception - integer overflow\r\n";
  }
  if (f.report == kReportInterrupt) {
    return "forrtl: error (200): program aborting due to " + f.event +
           " event\r\n";
  }
  return unitLine("forrtl: severe", f.report, f.unit, f.path);
}

std::string formatOutputConversionReport(int unit, std::string_view path) {
  return unitLine("forrtl: error", kReportOutputConversion, unit, path);
}

}  // namespace unv2tessal
