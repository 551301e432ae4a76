#include "check/group_checks.h"

#include <array>

#include "unv/group_records.h"

namespace unv2tessal {
namespace {

void countEntity(const NodeFacts& nodes, std::int32_t type, std::int32_t tag,
                 GroupFacts& group) {
  if (type == kNodeEntity) {
    ++group.nodes;
    if (!nodes.labels.mayContain(tag)) ++group.tagsOutside;
  } else if (type == kElementEntity) {
    ++group.elements;
  } else {
    ++group.others;
  }
}

GroupFacts checkGroup(CheckInput& in, const NodeFacts& nodes) {
  std::array<std::int32_t, 8> f{};
  in.readRecord(kGroupRecord, "group record", f[0], f[1], f[2], f[3], f[4],
                f[5], f[6], f[7]);
  GroupFacts group;
  constexpr GroupDatasetKind kKind = kPermanentGroups;
  const std::int32_t count = f[kKind.countField];
  group.entities = count;
  Text64 name;
  in.readRecord(kGroupNameRecord, "group name record", name);
  group.name = std::string(stripTrailingBlanks(name.view()));
  group.regionId = std::string(name.view().substr(0, 8));
  const EntityRecords records =
      entityRecordsFor(count, kKind.entitiesPerRecord);
  for (std::int32_t k = 0; k < records.full; ++k) {
    in.readRecord(kEntityRecord, "entity record", f[0], f[1], f[2], f[3], f[4],
                  f[5], f[6], f[7]);
    for (std::size_t e = 0; e < kKind.entitiesPerRecord; ++e) {
      countEntity(nodes, f[kKind.typeField(e)], f[kKind.tagField(e)], group);
    }
  }
  if (records.lastEntities > 0) {
    // Only the fields of the entities read: columns 1-40 for one.
    static_assert(kKind.fieldsPerEntity() == 4);
    in.readRecord(kEntityRecord, "entity record", f[0], f[1], f[2], f[3]);
    countEntity(nodes, f[kKind.typeField(0)], f[kKind.tagField(0)], group);
  }
  return group;
}

// Entities on one entity record: a slot whose type code is 0 (or blank)
// holds none. Returns -1 when the record is not made of integers.
// Entities on an entity record as exporters write it; -1 when the record
// does not read as integers.
std::int64_t entitiesOn(std::string_view line, const GroupDatasetKind& kind) {
  std::array<std::int32_t, 8> f{};
  if (!tryParse(line, kEntityRecord, f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                f[7])) {
    return -1;
  }
  return static_cast<std::int64_t>(entitiesOnRecord(line, kind));
}

// Reads the next line of the dataset's body: false at the end of the file,
// or at a delimiter, which is stepped back so the dataset can end on it.
bool readBodyLine(CheckInput& in, std::string_view* line) {
  if (!in.readLine(true, line)) return false;
  if (!isDelimiterLine(*line)) return true;
  in.units().stepBack(CheckInput::kUnit);
  return false;
}

// One group of a passed-over dataset; false when the records do not fit.
bool countOtherGroup(CheckInput& in, const GroupDatasetKind& kind,
                     OtherGroups& facts) {
  std::string_view line;
  if (!readBodyLine(in, &line)) return false;
  if (isEmptyRecordBetweenGroups(line)) return true;
  std::array<std::int32_t, 8> f{};
  if (!tryParse(line, kGroupRecord, f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                f[7])) {
    return false;
  }
  std::int64_t remaining = f[kind.countField];
  if (remaining < 0) return false;
  if (!readBodyLine(in, &line)) return false;  // the name record
  const std::int64_t total = remaining;
  while (remaining > 0) {
    if (!readBodyLine(in, &line)) return false;
    const std::int64_t n = entitiesOn(line, kind);
    if (n <= 0 || n > remaining) return false;
    remaining -= n;
  }
  ++facts.groups;
  facts.entities += total;
  return true;
}

}  // namespace

std::int64_t checkGroups(CheckInput& in, const NodeFacts& nodes,
                         GroupFactsAll& facts) {
  ++facts.datasets;
  facts.nodesKnown = nodes.labels.count() > 0;
  facts.tagCheckExact = nodes.labels.contiguous();
  facts.nodeMin = nodes.labels.min();
  facts.nodeMax = nodes.labels.max();
  std::int64_t groups = 0;
  if (!in.atClosingDelimiter()) {
    do {
      facts.groups.push_back(checkGroup(in, nodes));
      ++groups;
    } while (!in.atClosingDelimiter());
  }
  facts.lastDatasetGroups = groups;
  return groups;
}

bool isOtherGroupDataset(std::string_view number) {
  return number != kPermanentGroups.number &&
         groupDatasetKind(number) != nullptr;
}

std::int64_t countOtherGroups(CheckInput& in, std::string_view number,
                              OtherGroups& facts, bool* closed) {
  const GroupDatasetKind& kind = *groupDatasetKind(number);
  const std::int64_t before = facts.groups;
  ++facts.datasets;
  bool eof = false;
  while (!in.atDelimiterOrEnd(&eof)) {
    if (!countOtherGroup(in, kind, facts)) {
      facts.reliable = false;
      *closed = in.skipToDelimiter();
      return facts.groups - before;
    }
  }
  *closed = !eof;
  return facts.groups - before;
}

}  // namespace unv2tessal
