#ifndef UNV2TESSAL_UNV_GROUP_RECORDS_H_
#define UNV2TESSAL_UNV_GROUP_RECORDS_H_

// The records of the group datasets. Every kind lays out a group as record
// 1 (eight integers, one of them the entity count), the name record, then
// entity records of eight integers holding two or four entities each; an
// entity starts with its type code and its tag.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/fast_fields.h"
#include "codecs/layout.h"

namespace unv2tessal {

/// Record 1 of a group: eight 10-column integers.
inline constexpr RecordLayout kGroupRecord{Repeat(8, IntegerField(10))};
/// Name record: the group name in columns 1-20.
inline constexpr RecordLayout kGroupNameRecord{TextField(20)};
/// Entity record: eight 10-column integers.
inline constexpr RecordLayout kEntityRecord{Repeat(8, IntegerField(10))};
inline constexpr std::size_t kEntityRecordFields = 8;

/// Entity type codes: a node, an element.
inline constexpr std::int32_t kNodeEntity = 7;
inline constexpr std::int32_t kElementEntity = 8;

/// The layout of one group dataset kind.
struct GroupDatasetKind {
  std::string_view number;        // the dataset number, 4 columns
  std::size_t countField;         // 0-based field of record 1: entity count
  std::size_t entitiesPerRecord;  // 2 (type, tag, two more) or 4 (type, tag)
  constexpr std::size_t fieldsPerEntity() const {
    return kEntityRecordFields / entitiesPerRecord;
  }
  /// Fields of entity `k` of an entity record (0-based).
  constexpr std::size_t typeField(std::size_t k) const {
    return k * fieldsPerEntity();
  }
  constexpr std::size_t tagField(std::size_t k) const {
    return typeField(k) + 1;
  }
};

/// The permanent groups, the one kind the converter writes.
inline constexpr GroupDatasetKind kPermanentGroups{"2435", 7, 2};

inline constexpr std::array<GroupDatasetKind, 6> kGroupDatasetKinds{{
    kPermanentGroups,
    {"2452", 7, 2},
    {"2467", 7, 2},
    {"2477", 7, 2},
    {"2430", 7, 4},
    {"2417", 6, 4},
}};

/// The kind of a dataset number (4 columns as text), or nullptr when it is
/// not a group dataset.
const GroupDatasetKind* groupDatasetKind(std::string_view number);

/// The entity records that follow a group's name record for `count`
/// entities, `perRecord` a record, as the converter reads them: the whole
/// part of count / perRecord records, plus one when there is a remainder,
/// which is read for its first entities only. The count is a 32-bit signed
/// value, so for two a record a count of -1 reads one record (one entity),
/// one of -3 or below none.
struct EntityRecords {
  std::int32_t full = 0;          // records read whole
  std::int32_t lastEntities = 0;  // entities read from one more record, or 0
};
EntityRecords entityRecordsFor(std::int32_t count, std::size_t perRecord);

/// Entities on one entity record as exporters write them, which need not
/// fill the record: the entity slots, from the first, whose type field is
/// not blank (within the first 80 columns). A group's nodes that end on an
/// odd count leave one entity on their last record, and its elements start
/// on a new record.
std::size_t entitiesOnRecord(std::string_view line,
                             const GroupDatasetKind& kind);

/// Reads an entity record of the common form, as nearly every entity record
/// of a large group is written: the 80 columns at `cols` (all present) hold
/// eight integers of the common form (codecs/fast_fields.h), and each of
/// the kind's entities on it is a node or an element. Its eight fields go
/// to fields[0, 8). False for any other record, which the plain rules read
/// (kEntityRecord, entitiesOnRecord()); of a record of the common form
/// they read the same fields and all of its entities.
inline bool readCommonEntityRecord(const char* cols,
                                   const GroupDatasetKind& kind,
                                   std::int32_t* fields) {
  static_assert(kEntityRecord.count == kEntityRecordFields &&
                columnOf(kEntityRecord, kEntityRecordFields) == 80);
  if (!tryReadIntegerFields10(cols, fields, kEntityRecordFields)) return false;
  for (std::size_t e = 0; e < kind.entitiesPerRecord; ++e) {
    const std::int32_t type = fields[kind.typeField(e)];
    if (type != kNodeEntity && type != kElementEntity) return false;
  }
  return true;
}

/// True for a record of blanks where a group record could start: exporters
/// write one after a group without entities, and it is passed over.
bool isEmptyRecordBetweenGroups(std::string_view line);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_UNV_GROUP_RECORDS_H_
