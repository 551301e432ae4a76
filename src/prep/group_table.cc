#include "prep/group_table.h"

#include <algorithm>
#include <array>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "unv/framing.h"

namespace unv2tessal {
namespace {

// Columns of a record that are read; the rest of a longer line is not.
constexpr std::size_t kRecordColumns = 80;

std::string trimmedRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

// Field k (0-based) of eight 10-column integer fields; a field past the end
// of the line reads as blanks.
std::string_view fieldText(std::string_view line, std::size_t k) {
  const std::size_t col = 10 * k;
  return col < line.size() ? line.substr(col, 10) : std::string_view();
}

class GroupReader {
 public:
  GroupReader(PrepInput& in, const GroupDatasetKind& kind, GroupTable* table,
              std::size_t tally)
      : in_(in),
        kind_(kind),
        table_(table),
        tally_(tally),
        start_(in.lineNumber()) {
    what_ = "group dataset " + std::string(kind.number) + " begun at line " +
            std::to_string(in.lineNumber() - 1);
  }

  void readBody() {
    for (;;) {
      const RawLine line = in_.need(what_);
      if (isDelimiterLine(line.text)) {
        if (table_ != nullptr) {
          table_->spans.push_back({start_, in_.lineNumber()});
        }
        return;
      }
      if (isEmptyRecordBetweenGroups(line.text)) continue;
      readGroup(line.text);
    }
  }

 private:
  std::int32_t integer(std::string_view line, std::size_t k,
                       const char* record) {
    std::int32_t v = 0;
    const bool whole = line.size() >= 10 * k + 10;
    if (!(whole ? readInteger10(line.data() + 10 * k, &v)
                : readIntegerField(fieldText(line, k), &v))) {
      in_.fail(std::string(record) + ": field " + std::to_string(k + 1) +
               " (columns " + std::to_string(10 * k + 1) + "-" +
               std::to_string(10 * k + 10) + ") is not an integer");
    }
    return v;
  }

  void readGroup(std::string_view record1) {
    GroupEntry group;
    group.kind = kind_.number;
    group.line = in_.lineNumber();
    group.number = integer(record1, 0, "group record");
    group.entityCount = integer(record1, kind_.countField, "group record");
    if (group.entityCount < 0) {
      in_.fail("group record: entity count " +
               std::to_string(group.entityCount) + " is negative");
    }
    const RawLine name = in_.need(what_);
    if (isDelimiterLine(name.text)) {
      in_.fail("group dataset ends after a group record, before its name");
    }
    group.name = trimmedRight(name.text.substr(0, kRecordColumns));
    if (table_ != nullptr) {
      // Room for the whole group, growing the tables geometrically.
      for (auto* tags : {&table_->nodeTags, &table_->elementTags}) {
        const std::size_t want =
            tags->size() + static_cast<std::size_t>(group.entityCount);
        if (want > tags->capacity()) {
          tags->reserve(std::max(want, 2 * tags->capacity()));
        }
      }
      group.nodeBegin = group.nodeEnd = table_->nodeTags.size();
      group.elementBegin = group.elementEnd = table_->elementTags.size();
    }
    std::int64_t remaining = group.entityCount;
    while (remaining > 0) {
      remaining -= commonRecords(remaining);
      if (remaining == 0) break;
      const RawLine line = in_.need(what_);
      if (isDelimiterLine(line.text)) {
        in_.fail("group " + std::to_string(group.number) + " \"" + group.name +
                 "\": entity count " + std::to_string(group.entityCount) +
                 " is larger than its records (" +
                 std::to_string(group.entityCount - remaining) +
                 " entities before the closing delimiter)");
      }
      remaining -= readEntities(line.text, remaining, group);
    }
    if (table_ != nullptr) {
      group.nodeEnd = table_->nodeTags.size();
      group.elementEnd = table_->elementTags.size();
      table_->groups.push_back(std::move(group));
      ++table_->datasets[tally_].groups;
    }
  }

  // Entity records of the common form (unv/group_records.h) and an LF,
  // taken straight from the reader's buffer while it holds them whole, no
  // more entities than `remaining`. Returns the entities read; the record
  // after them is left to readEntities(), which reads it as these would be.
  std::int64_t commonRecords(std::int64_t remaining) {
    const std::size_t perRecord = kind_.entitiesPerRecord;
    LineReader& reader = in_.reader();
    const std::string_view ahead = reader.ahead();
    const char* p = ahead.data();
    const char* const end = p + ahead.size();
    std::int64_t taken = 0;
    std::array<std::int32_t, kEntityRecordFields> field;
    while (remaining - taken >= static_cast<std::int64_t>(perRecord) &&
           static_cast<std::size_t>(end - p) > kRecordColumns &&
           p[kRecordColumns] == '\n' &&
           readCommonEntityRecord(p, kind_, field.data())) {
      if (table_ != nullptr) {
        for (std::size_t e = 0; e < perRecord; ++e) {
          const std::int32_t tag = field[kind_.tagField(e)];
          if (field[kind_.typeField(e)] == kNodeEntity) {
            table_->nodeTags.push_back(tag);
          } else {
            table_->elementTags.push_back(tag);
          }
        }
      }
      taken += static_cast<std::int64_t>(perRecord);
      p += kRecordColumns + 1;
    }
    if (taken > 0) {
      reader.skip(p, static_cast<std::size_t>(taken) / perRecord);
    }
    return taken;
  }

  // Reads one entity record; returns the entities it holds.
  std::int64_t readEntities(std::string_view line, std::int64_t remaining,
                            GroupEntry& group) {
    const auto n = static_cast<std::int64_t>(entitiesOnRecord(line, kind_));
    if (n == 0 || n > remaining) {
      in_.fail("entity record holds " + std::to_string(n) +
               " entities where the group's count leaves " +
               std::to_string(remaining));
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
      const std::int32_t type =
          integer(line, kind_.typeField(k), "entity record");
      const std::int32_t tag =
          integer(line, kind_.tagField(k), "entity record");
      if (table_ == nullptr) continue;
      if (type == kNodeEntity) {
        table_->nodeTags.push_back(tag);
      } else if (type == kElementEntity) {
        table_->elementTags.push_back(tag);
      } else {
        ++group.otherEntities;
      }
    }
    return n;
  }

  PrepInput& in_;
  const GroupDatasetKind& kind_;
  GroupTable* table_;
  std::size_t tally_;
  std::size_t start_;  // the dataset number line
  std::string what_;
};

}  // namespace

void readGroupDataset(PrepInput& in, const GroupDatasetKind& kind,
                      GroupTable* table) {
  std::size_t tally = 0;
  if (table != nullptr) {
    auto& tallies = table->datasets;
    while (tally < tallies.size() && tallies[tally].kind != kind.number) {
      ++tally;
    }
    if (tally == tallies.size()) tallies.push_back({kind.number});
    ++tallies[tally].datasets;
  }
  GroupReader(in, kind, table, tally).readBody();
}

void skipGroupDataset(PrepInput& in, const GroupDatasetSpan* span) {
  if (span == nullptr || span->numberLine != in.lineNumber()) {
    in.fail(
        "group dataset not met at this line when the file was first "
        "read: the dataset before it does not end on a record boundary");
  }
  // The closing delimiter is the first delimiter line after the number:
  // the first pass read the body up to it.
  RawLine line;
  if (!in.nextDelimiter(&line) || in.lineNumber() != span->closingLine) {
    in.fail("group dataset begun at line " +
            std::to_string(span->numberLine - 1) +
            " does not end where it did when the file was first read: the "
            "file changed while it was read");
  }
}

}  // namespace unv2tessal
