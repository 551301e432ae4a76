#ifndef UNV2TESSAL_PREP_REGIONS_H_
#define UNV2TESSAL_PREP_REGIONS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "prep/group_table.h"
#include "prep/prep_summary.h"

namespace unv2tessal {

/// Characters of a group name that the converter keeps as the region ID.
inline constexpr std::size_t kRegionIdLength = 8;

/// The region ID the converter gives a group name: its first 8
/// characters, blank-padded.
std::string regionIdOf(std::string_view name);

/// The groups of `table` as they are written, in file order. Groups whose
/// names give the same region ID are listed in *shared (indices, one list
/// per ID, in order of first appearance); with `unique`, each of them is
/// renamed to a distinct 8-character ID: as much of its name as fits, then
/// a number (1, 2, ... within its list; skipped when the ID is taken).
std::vector<PreparedGroup> nameGroups(
    const GroupTable& table, bool unique,
    std::vector<std::vector<std::size_t>>* shared);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_REGIONS_H_
