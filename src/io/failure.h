#ifndef UNV2TESSAL_IO_FAILURE_H_
#define UNV2TESSAL_IO_FAILURE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace unv2tessal {

/// Report numbers of the run-time failure reports.
enum Report : int {
  kReportNoPermission = 9,
  kReportEndOfFile = 24,
  kReportFileNotFound = 29,
  kReportOpenFailure = 30,
  kReportWriteError = 38,
  kReportReadError = 39,
  kReportNoSuchDevice = 42,
  kReportBadFileName = 43,
  kReportReadOnlyWrite = 47,
  kReportOutputConversion = 63,
  kReportInputConversion = 64,
  kReportIntegerOverflow = 165,
  kReportInterrupt = 200,
};

/// Unit number under which the console input appears in reports.
inline constexpr int kConsoleInputUnit = -4;
/// Device name given for the console input in reports.
inline constexpr std::string_view kConsoleInputPath = "/dev/stdin";

/// The one exception of the system: a severe report that ends the run.
/// Thrown by the I/O layer and the converters; caught by runConversion(),
/// and by unvcheck, which reports it as the reason a file cannot be read.
struct RunFailure {
  explicit RunFailure(int r, int u = 0, std::string p = {}, std::string e = {})
      : report(r), unit(u), path(std::move(p)), event(std::move(e)) {}
  int report = 0;
  int unit = 0;
  std::string
      path;  // full path of the unit's file; empty for reports 165 and 200
  std::string
      event;  // for report 200: "control-C", "control-BREAK" or "window-CLOSE"
};

/// The message of a unit report ("end-of-file during read"); "unknown
/// error" for a number without one.
std::string_view reportMessage(int report);

/// The report line for `f` without its "forrtl: severe (N): " prefix and
/// line end: "end-of-file during read, unit 10, file /x.unv".
std::string reportText(const RunFailure& f);

/// Returns the report line for `f`, ending in CR LF, e.g.
/// "forrtl: severe (24): end-of-file during read, unit 10, file /x.unv\r\n".
std::string formatReport(const RunFailure& f);

/// Returns the line of report 63 (the run goes on after it).
std::string formatOutputConversionReport(int unit, std::string_view path);

/// Exit status after report `report`: C0000000 (hexadecimal) plus the number.
/// A POSIX process keeps its low 8 bits, so report 24 exits with 24.
inline constexpr std::uint32_t exitStatusFor(int report) {
  return 0xC0000000u + static_cast<std::uint32_t>(report);
}

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_FAILURE_H_
