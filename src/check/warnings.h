#ifndef UNV2TESSAL_CHECK_WARNINGS_H_
#define UNV2TESSAL_CHECK_WARNINGS_H_

#include "check/check_report.h"

namespace unv2tessal {

/// Fills in what a conversion in 2D and in 3D would write, and one line for
/// each thing a conversion would lose, cut, shift or ask about.
/// REQUIRES: the file was read to its end (no failure).
void concludeReport(CheckReport& report);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_WARNINGS_H_
