#ifndef UNV2TESSAL_CHECK_REPORT_JSON_H_
#define UNV2TESSAL_CHECK_REPORT_JSON_H_

#include <string>
#include <string_view>

#include "check/check_report.h"
#include "codecs/json_text.h"

namespace unv2tessal {

/// The report on one file as one JSON object (no line end).
std::string formatJsonReport(const CheckReport& report);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_REPORT_JSON_H_
