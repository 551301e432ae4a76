#ifndef UNV2TESSAL_CHECK_REPORT_JSON_H_
#define UNV2TESSAL_CHECK_REPORT_JSON_H_

#include <string>
#include <string_view>

#include "check/check_report.h"

namespace unv2tessal {

/// The report on one file as one JSON object (no line end).
std::string formatJsonReport(const CheckReport& report);

/// `s` as a JSON string, quotes included.
std::string jsonString(std::string_view s);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_REPORT_JSON_H_
