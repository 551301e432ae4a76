#ifndef UNV2TESSAL_CHECK_GROUP_CHECKS_H_
#define UNV2TESSAL_CHECK_GROUP_CHECKS_H_

#include <cstdint>
#include <string_view>

#include "check/check_input.h"
#include "check/check_report.h"

namespace unv2tessal {

/// Reads a 2435 dataset as the converter does (group record, name record,
/// entity records two to a line, the count taken from field 8) and adds its
/// groups to `facts`, checking node tags against `nodes`. Returns the
/// number of groups; the input is left after the closing delimiter.
std::int64_t checkGroups(CheckInput& in, const NodeFacts& nodes,
                         GroupFactsAll& facts);

/// True for the group datasets that the converter passes over.
bool isOtherGroupDataset(std::string_view number);

/// Counts the groups and entities of a passed-over group dataset by its own
/// layout, without failing: records that do not fit the layout make the
/// count unreliable and the rest of the dataset is skipped. The input is
/// left after the closing delimiter (or at the end of the file, *closed
/// false). Returns the number of groups.
std::int64_t countOtherGroups(CheckInput& in, std::string_view number,
                              OtherGroups& facts, bool* closed);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_CHECK_GROUP_CHECKS_H_
