#include "groups/read_groups.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "driver/scanner.h"
#include "groups/grid_header.h"
#include "records/checked.h"

namespace unv2tessal {
namespace {

// Vertex numbers of one group waiting to be written, eight to a line.
class VertexLine {
 public:
  VertexLine(Run& run) : run_(run) {}  // NOLINT: explicit is noise here

  void add(std::int32_t tag) {
    v_[fill_++] = checkedSub(tag, run_.state.OFFSETS.nodeOffset);
    if (fill_ == v_.size()) flush();
  }

  /// Writes the numbers held as one line of 11-column fields.
  void flush() {
    if (fill_ == 0) return;
    const int out = run_.state.CHANNELS.inpUnit;
    const RecordLayout& l = kVertexLineRecord;
    switch (fill_) {
      case 1: run_.units.writeRecord(out, l, v_[0]); break;
      case 2: run_.units.writeRecord(out, l, v_[0], v_[1]); break;
      case 3: run_.units.writeRecord(out, l, v_[0], v_[1], v_[2]); break;
      case 4: run_.units.writeRecord(out, l, v_[0], v_[1], v_[2], v_[3]); break;
      case 5:
        run_.units.writeRecord(out, l, v_[0], v_[1], v_[2], v_[3], v_[4]);
        break;
      case 6:
        run_.units.writeRecord(out, l, v_[0], v_[1], v_[2], v_[3], v_[4],
                               v_[5]);
        break;
      case 7:
        run_.units.writeRecord(out, l, v_[0], v_[1], v_[2], v_[3], v_[4],
                               v_[5], v_[6]);
        break;
      default:
        run_.units.writeRecord(out, l, v_[0], v_[1], v_[2], v_[3], v_[4],
                               v_[5], v_[6], v_[7]);
        break;
    }
    fill_ = 0;
  }

 private:
  Run& run_;
  std::array<std::int32_t, 8> v_{};
  std::size_t fill_ = 0;
};

void convertGroup(Run& run) {
  const int in = run.state.CHANNELS.unvUnit;
  std::array<std::int32_t, 8> f{};
  run.units.readRecord(in, kGroupRecord, false, f[0], f[1], f[2], f[3], f[4],
                       f[5], f[6], f[7]);
  const std::int32_t entityCount = f[7];
  Text64 groupName;
  run.units.readRecord(in, kGroupNameRecord, false, groupName);
  const std::string_view regionName = groupName.view().substr(0, 8);

  char command[45];
  std::memcpy(command, "LOCATE VERTEX ID=", 17);
  std::memcpy(command + 17, regionName.data(), 8);
  std::memcpy(command + 25, "  ! # of vertices = ", 20);
  run.units.writeRecord(run.state.CHANNELS.inpUnit, kRegionRecord,
                        std::string_view(command, sizeof command),
                        entityCount);

  // Two entities a record; an odd count ends with a record read for its
  // first entity only (columns 1-40). The record count is the whole part of
  // entityCount / 2, plus 1 when the count is odd: a count of -1 reads one
  // record, one of -3 or below none.
  VertexLine line(run);
  const bool odd = entityCount % 2 != 0;
  const std::int32_t records = entityCount / 2 + (odd ? 1 : 0);
  const std::int32_t pairs = odd ? records - 1 : records;
  for (std::int32_t k = 0; k < pairs; ++k) {
    run.units.readRecord(in, kGroupRecord, false, f[0], f[1], f[2], f[3], f[4],
                         f[5], f[6], f[7]);
    line.add(f[1]);
    line.add(f[5]);
  }
  if (odd && records > 0) {
    run.units.readRecord(in, kGroupRecord, false, f[0], f[1], f[2], f[3]);
    line.add(f[1]);
  }
  line.flush();
  run.console.writeConsoleLine({"Region Completed:", regionName});
}

}  // namespace

void READ_GROUPS(Run& run) {
  writeGridHeader(run);
  // A dataset whose closing delimiter follows its number line holds no
  // group; otherwise groups follow one another up to the delimiter.
  if (!atClosingDelimiter(run)) {
    do {
      convertGroup(run);
    } while (!atClosingDelimiter(run));
  }
  run.units.closeUnit(run.state.CHANNELS.inpUnit);
}

}  // namespace unv2tessal
