#include "groups/read_groups.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "codecs/fast_fields.h"
#include "groups/grid_header.h"
#include "io/checked.h"
#include "unv/framing.h"
#include "unv/group_records.h"

namespace unv2tessal {
namespace {

constexpr std::size_t kVertexFieldWidth = kVertexLineRecord.fields[0].width;
static_assert(kVertexLineRecord.count == 8 &&
              columnOf(kVertexLineRecord, 8) == 8 * kVertexFieldWidth);
// Entity records are read by readIntegerFields10().
static_assert(kEntityRecord.count == kEntityRecordFields &&
              columnOf(kEntityRecord, kEntityRecordFields) ==
                  10 * kEntityRecordFields);

// The group dataset the converter reads, and the fields of its entities.
constexpr GroupDatasetKind kKind = kPermanentGroups;
static_assert(kKind.entitiesPerRecord == 2);

// Vertex numbers of one group waiting to be written, eight to a line.
class VertexLine {
 public:
  VertexLine(Run& run) : run_(run) {}  // NOLINT: explicit is noise here

  void add(std::int32_t tag) {
    v_[fill_++] = checkedSub(tag, run_.state.OFFSETS.nodeOffset);
    if (fill_ == v_.size()) flush();
  }

  /// Writes the numbers held as one line of 11-column fields
  /// (kVertexLineRecord), laid out in place.
  void flush() {
    if (fill_ == 0) return;
    std::array<char, (8 * kVertexFieldWidth + 15) / 16 * 16> text;
    int overflows = 0;
    for (std::size_t k = 0; k < fill_; ++k) {
      if (!writeInteger(v_[k], kVertexFieldWidth,
                        text.data() + k * kVertexFieldWidth)) {
        ++overflows;
      }
    }
    run_.units.writeRecordText(run_.state.CHANNELS.inpUnit, text,
                               fill_ * kVertexFieldWidth, overflows);
    fill_ = 0;
  }

 private:
  Run& run_;
  std::array<std::int32_t, 8> v_{};
  std::size_t fill_ = 0;
};

// Reads the first `count` of the eight 10-column fields of the next entity
// record (kEntityRecord); an invalid field ends the run with report 64.
void readGroupFields(Run& run, std::array<std::int32_t, 8>& f,
                     std::size_t count) {
  const int in = run.state.CHANNELS.unvUnit;
  std::string_view line;
  run.units.readLine(in, false, &line);
  if (!readIntegerFields10(line, f.data(), count)) {
    run.units.fail(kReportInputConversion, in);
  }
}

void convertGroup(Run& run) {
  const int in = run.state.CHANNELS.unvUnit;
  std::array<std::int32_t, 8> f{};
  run.units.readRecord(in, kGroupRecord, false, f[0], f[1], f[2], f[3], f[4],
                       f[5], f[6], f[7]);
  const std::int32_t entityCount = f[kKind.countField];
  Text64 groupName;
  run.units.readRecord(in, kGroupNameRecord, false, groupName);
  const std::string_view regionName =
      groupName.view().substr(0, kRegionIdLength);

  char command[kRegionLead.size() + kRegionIdLength + kRegionTail.size()];
  std::memcpy(command, kRegionLead.data(), kRegionLead.size());
  std::memcpy(command + kRegionLead.size(), regionName.data(), kRegionIdLength);
  std::memcpy(command + kRegionLead.size() + kRegionIdLength,
              kRegionTail.data(), kRegionTail.size());
  run.units.writeRecord(run.state.CHANNELS.inpUnit, kRegionRecord,
                        std::string_view(command, sizeof command), entityCount);

  VertexLine line(run);
  const EntityRecords records =
      entityRecordsFor(entityCount, kKind.entitiesPerRecord);
  for (std::int32_t k = 0; k < records.full; ++k) {
    readGroupFields(run, f, kEntityRecordFields);
    line.add(f[kKind.tagField(0)]);
    line.add(f[kKind.tagField(1)]);
  }
  if (records.lastEntities > 0) {
    const auto entities = static_cast<std::size_t>(records.lastEntities);
    readGroupFields(run, f, entities * kKind.fieldsPerEntity());
    for (std::size_t k = 0; k < entities; ++k) line.add(f[kKind.tagField(k)]);
  }
  line.flush();
  run.console.writeConsoleLine({"Region Completed:", regionName});
}

}  // namespace

void READ_GROUPS(Run& run) {
  writeGridHeader(run);
  // A dataset whose closing delimiter follows its number line holds no
  // group; otherwise groups follow one another up to the delimiter.
  Units& units = run.units;
  const int in = run.state.CHANNELS.unvUnit;
  if (!atClosingDelimiter(units, in)) {
    do {
      convertGroup(run);
    } while (!atClosingDelimiter(units, in));
  }
  run.units.closeUnit(run.state.CHANNELS.inpUnit);
}

}  // namespace unv2tessal
