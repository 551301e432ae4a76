#ifndef UNV2TESSAL_PREP_PREP_REPORT_H_
#define UNV2TESSAL_PREP_PREP_REPORT_H_

#include <string>

#include "prep/prep_summary.h"

namespace unv2tessal {

/// The summary for people: one line for each thing a user must know.
std::string summaryText(const PrepSummary& summary);

/// The same as one JSON document, with a line end.
std::string summaryJson(const PrepSummary& summary);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_PREP_REPORT_H_
