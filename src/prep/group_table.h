#ifndef UNV2TESSAL_PREP_GROUP_TABLE_H_
#define UNV2TESSAL_PREP_GROUP_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "prep/grouped.h"
#include "prep/prep_input.h"
#include "unv/group_records.h"

namespace unv2tessal {

/// One group as read from a group dataset of any kind.
struct GroupEntry {
  std::int32_t number = 0;
  std::string name;  // the name record (80 columns), trailing blanks dropped
  std::string_view kind;  // dataset number, "2477"
  std::size_t line = 0;   // line of its record 1
  std::int32_t entityCount = 0;
  // Its node and element tags: ranges of GroupTable::nodeTags and
  // elementTags, in file order.
  std::size_t nodeBegin = 0, nodeEnd = 0;
  std::size_t elementBegin = 0, elementEnd = 0;
  std::int64_t otherEntities = 0;  // entities of other types
};

/// Group datasets of one kind met in the file.
struct GroupDatasetTally {
  std::string_view kind;
  std::int64_t datasets = 0;
  std::int64_t groups = 0;
};

/// Where a group dataset stands: its dataset-number line and its closing
/// delimiter line.
struct GroupDatasetSpan {
  std::size_t numberLine = 0;
  std::size_t closingLine = 0;
};

/// Every group of every group dataset, in file order. Its size grows with
/// the entities that groups name: 4 bytes a node or element tag.
struct GroupTable {
  std::vector<GroupEntry> groups;
  LargeVector<std::int32_t> nodeTags;
  LargeVector<std::int32_t> elementTags;
  std::vector<GroupDatasetTally> datasets;  // in order of first appearance
  std::vector<GroupDatasetSpan> spans;      // in file order
};

/// Reads the body of a group dataset of `kind` up to and including its
/// closing delimiter, and adds its groups and its span to `table`. A record
/// that does not fit the layout, an entity count larger than its records, and
/// the end of the file inside the dataset throw Failure.
void readGroupDataset(PrepInput& in, const GroupDatasetKind& kind,
                      GroupTable* table);

/// Passes over the group dataset whose number line was just read, which
/// readGroupDataset() read before as `span`, up to and including its
/// closing delimiter. Throws Failure when the dataset is not there.
void skipGroupDataset(PrepInput& in, const GroupDatasetSpan* span);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_GROUP_TABLE_H_
