#include "check/group_checks.h"

#include <array>

#include "groups/read_groups.h"

namespace unv2tessal {
namespace {

constexpr std::int32_t kNodeEntity = 7;
constexpr std::int32_t kElementEntity = 8;

std::string trimmedRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

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
  group.entities = f[7];
  Text64 name;
  in.readRecord(kGroupNameRecord, "group name record", name);
  group.name = trimmedRight(name.view());
  group.regionId = std::string(name.view().substr(0, 8));
  // Two entities a record; an odd count ends with a record of which only
  // the first entity (columns 1-40) is read. The records read are the whole
  // part of count / 2, plus 1 when it is odd: -1 reads one, -3 or below none.
  const std::int32_t count = f[7];
  const bool odd = count % 2 != 0;
  const std::int32_t records = count / 2 + (odd ? 1 : 0);
  const std::int32_t pairs = odd ? records - 1 : records;
  for (std::int32_t k = 0; k < pairs; ++k) {
    in.readRecord(kGroupRecord, "entity record", f[0], f[1], f[2], f[3], f[4],
                  f[5], f[6], f[7]);
    countEntity(nodes, f[0], f[1], group);
    countEntity(nodes, f[4], f[5], group);
  }
  if (odd && records > 0) {
    in.readRecord(kGroupRecord, "entity record", f[0], f[1], f[2], f[3]);
    countEntity(nodes, f[0], f[1], group);
  }
  return group;
}

// How a passed-over group dataset lays out its records.
struct OtherLayout {
  std::size_t countField;  // 0-based field of the group record
  std::size_t perLine;     // entities per entity record
};

OtherLayout otherLayout(std::string_view number) {
  if (number == "2417") return {6, 4};
  if (number == "2430") return {7, 4};
  return {7, 2};  // 2452, 2467, 2477
}

constexpr RecordLayout kEightIntegers{Repeat(8, IntegerField(10))};

// Entities on one entity record: a slot whose type code is 0 (or blank)
// holds none. Returns -1 when the record is not made of integers.
int entitiesOn(std::string_view line, const OtherLayout& layout) {
  std::array<std::int32_t, 8> f{};
  if (!tryParse(line, kEightIntegers, f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                f[7])) {
    return -1;
  }
  const std::size_t step = 8 / layout.perLine;
  int n = 0;
  for (std::size_t k = 0; k < 8; k += step) n += f[k] != 0 ? 1 : 0;
  return n;
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
bool countOtherGroup(CheckInput& in, const OtherLayout& layout,
                     OtherGroups& facts) {
  std::string_view line;
  if (!readBodyLine(in, &line)) return false;
  std::array<std::int32_t, 8> f{};
  if (!tryParse(line, kEightIntegers, f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                f[7])) {
    return false;
  }
  std::int64_t remaining = f[layout.countField];
  if (remaining < 0) return false;
  if (!readBodyLine(in, &line)) return false;  // the name record
  const std::int64_t total = remaining;
  while (remaining > 0) {
    if (!readBodyLine(in, &line)) return false;
    const int n = entitiesOn(line, layout);
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
  return number == "2417" || number == "2430" || number == "2452" ||
         number == "2467" || number == "2477";
}

std::int64_t countOtherGroups(CheckInput& in, std::string_view number,
                              OtherGroups& facts, bool* closed) {
  const OtherLayout layout = otherLayout(number);
  const std::int64_t before = facts.groups;
  ++facts.datasets;
  bool eof = false;
  while (!in.atDelimiterOrEnd(&eof)) {
    if (!countOtherGroup(in, layout, facts)) {
      facts.reliable = false;
      *closed = in.skipToDelimiter();
      return facts.groups - before;
    }
  }
  *closed = !eof;
  return facts.groups - before;
}

}  // namespace unv2tessal
