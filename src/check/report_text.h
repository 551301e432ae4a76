#ifndef UNV2TESSAL_CHECK_REPORT_TEXT_H_
#define UNV2TESSAL_CHECK_REPORT_TEXT_H_

#include <string>

#include "check/check_report.h"

namespace unv2tessal {

/// The readable report on one file, LF line ends. For a file that cannot
/// be read it is only the heading and the exit status: the failure's line
/// goes to standard error.
std::string formatTextReport(const CheckReport& report);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_REPORT_TEXT_H_
