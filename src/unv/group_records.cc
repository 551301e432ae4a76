#include "unv/group_records.h"

namespace unv2tessal {

const GroupDatasetKind* groupDatasetKind(std::string_view number) {
  for (const GroupDatasetKind& kind : kGroupDatasetKinds) {
    if (kind.number == number) return &kind;
  }
  return nullptr;
}

EntityRecords entityRecordsFor(std::int32_t count, std::size_t perRecord) {
  const auto n = static_cast<std::int32_t>(perRecord);
  const std::int32_t rest = count % n;  // negative for a negative count
  const std::int32_t records = count / n + (rest != 0 ? 1 : 0);
  EntityRecords r;
  if (records <= 0) return r;
  r.full = rest != 0 ? records - 1 : records;
  if (rest != 0) r.lastEntities = rest > 0 ? rest : rest + n;
  return r;
}

std::size_t entitiesOnRecord(std::string_view line,
                             const GroupDatasetKind& kind) {
  constexpr std::size_t kFieldWidth = 10;
  std::size_t n = 0;
  while (n < kind.entitiesPerRecord) {
    const std::size_t col = kind.typeField(n) * kFieldWidth;
    const std::string_view type =
        col < line.size() ? line.substr(col, kFieldWidth) : std::string_view();
    if (type.find_first_not_of(' ') == std::string_view::npos) break;
    ++n;
  }
  return n;
}

bool isEmptyRecordBetweenGroups(std::string_view line) {
  return line.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace unv2tessal
