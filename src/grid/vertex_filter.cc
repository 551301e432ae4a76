#include "grid/vertex_filter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codecs/fast_fields.h"
#include "codecs/fields.h"
#include "io/line_pipe.h"
#include "io/safe_output.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"
#include "unv/group_records.h"
#include "unv/mesh_records.h"

namespace unv2tessal {
namespace {

constexpr std::size_t kFieldWidth = 10;
constexpr GroupDatasetKind kKind = kPermanentGroups;
static_assert(kKind.entitiesPerRecord == 2);
// Columns of one entity of an entity record: type, tag and two fields.
constexpr std::size_t kEntityColumns = kKind.fieldsPerEntity() * kFieldWidth;

// The 10-column field `k` of a line, read as the converter reads it.
bool readField(std::string_view text, std::size_t k, std::int32_t* out) {
  const std::size_t col = k * kFieldWidth;
  if (text.size() >= col + kFieldWidth) {
    return readInteger10(text.data() + col, out);
  }
  return readIntegerField(col < text.size() ? text.substr(col) : "", out);
}

std::string_view lineEnd(std::string_view bytes, std::string_view text) {
  return bytes.substr(text.size());
}

}  // namespace

VertexFilter::VertexFilter(const UsedLabels& used, bool relabel, bool is2D)
    : used_(used),
      relabel_(relabel),
      is2D_(is2D),
      found_(static_cast<std::size_t>(used.size() / 64 + 1), 0) {}

bool VertexFilter::run(LinePipe& from, SafeOutput& to) {
  out_ = &to;
  for (;;) {
    const BlockSource::Block block = from.next();
    const char* p = block.data;
    const char* const end = p + block.size;
    while (p < end) {
      const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
      const char* next = lf != nullptr ? static_cast<const char*>(lf) + 1 : end;
      const std::string_view bytes(p, static_cast<std::size_t>(next - p));
      std::string_view text = bytes;
      if (lf != nullptr) {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      }
      line(bytes, text);
      p = next;
    }
    // The block is handed back at the next one: what passes is out first.
    flushSpan();
    if (block.error != 0) return false;
    if (block.eof) break;
  }
  to.finish();
  return true;
}

void VertexFilter::line(std::string_view bytes, std::string_view text) {
  switch (state_) {
    case State::kSeek:
      if (isDelimiterLine(text)) state_ = State::kNumber;
      return pass(bytes);
    case State::kNumber: {
      const FixedText<4> number = datasetNumberOf(text);
      if (number.view() == "2411") {
        state_ = State::kNodeLabel;
      } else if (number.view() == "2412") {
        state_ = State::kDescriptor;
      } else if (number.view() == kKind.number) {
        state_ = State::kGroupHead;
      } else if (!isFurtherDelimiter(number)) {
        // Passed over; its closing delimiter opens the next dataset.
        state_ = State::kSeek;
      }
      return pass(bytes);
    }
    case State::kNodeLabel:
      return nodeLabel(bytes, text);
    case State::kCoordinates:
      state_ = State::kNodeLabel;
      if (keepNode_) return pass(bytes);
      return flushSpan();
    case State::kDescriptor:
      descriptor(text);
      return pass(bytes);
    case State::kOrientation:
      state_ = State::kNodeRecords;
      return pass(bytes);
    case State::kNodeRecords:
      return nodeRecord(bytes, text);
    case State::kGroupHead:
      return groupHead(bytes, text);
    case State::kGroupName:
      name_.assign(bytes);
      state_ = State::kEntities;
      if (recordsLeft_ == 0) endGroup();
      return;
    case State::kEntities:
      return entities(text);
    case State::kPass:
      return pass(bytes);
  }
}

void VertexFilter::nodeLabel(std::string_view bytes, std::string_view text) {
  if (isDelimiterLine(text)) {
    state_ = State::kSeek;
    return pass(bytes);
  }
  state_ = State::kCoordinates;
  std::int32_t label = 0;
  if (!readNodeLabel(text, &label)) {
    keepNode_ = true;  // the converter reports it
    return pass(bytes);
  }
  const std::int32_t rank = used_.rank(label);
  keepNode_ = rank != 0;
  if (!keepNode_) {
    ++nodesDropped_;
    return flushSpan();
  }
  ++nodesKept_;
  found_[static_cast<std::size_t>(rank) / 64] |= std::uint64_t{1}
                                                 << (rank % 64);
  if (!relabel_ || rank == label) return pass(bytes);
  edited_.assign(text);
  setField(&edited_, 0, rank);
  edited_ += lineEnd(bytes, text);
  put(edited_);
}

void VertexFilter::descriptor(std::string_view text) {
  if (isDelimiterLine(text)) {
    state_ = State::kSeek;
    return;
  }
  std::int32_t label = 0, feId = 0;
  if (!readDescriptorIds(text, &label, &feId)) {
    state_ = State::kPass;  // the converter reports it
    return;
  }
  records_ = 1 + continuationRecords(text);
  recordsRead_ = 0;
  const Shape* shape = findShape(is2D_, feId);
  vertices_ = relabel_ && shape != nullptr ? shape->vertices : 0;
  state_ =
      hasOrientationRecord(feId) ? State::kOrientation : State::kNodeRecords;
}

void VertexFilter::nodeRecord(std::string_view bytes, std::string_view text) {
  if (++recordsRead_ == records_) state_ = State::kDescriptor;
  if (recordsRead_ > 1 || vertices_ == 0) return pass(bytes);
  bool edited = false;
  for (std::size_t k = 0; k < static_cast<std::size_t>(vertices_); ++k) {
    std::int32_t label = 0;
    if (!readField(text, k, &label)) return pass(bytes);
    const std::int32_t rank = used_.rank(label);
    if (rank == 0 || rank == label) continue;
    if (!edited) edited_.assign(text);
    edited = true;
    setField(&edited_, k, rank);
  }
  if (!edited) return pass(bytes);
  edited_ += lineEnd(bytes, text);
  put(edited_);
}

void VertexFilter::groupHead(std::string_view bytes, std::string_view text) {
  if (isDelimiterLine(text)) {
    state_ = State::kSeek;
    return pass(bytes);
  }
  std::array<std::int32_t, kEntityRecordFields> fields{};
  if (!readIntegerFields10(text, fields.data(), fields.size())) {
    state_ = State::kPass;
    return pass(bytes);
  }
  flushSpan();
  head_.assign(bytes);
  const EntityRecords records =
      entityRecordsFor(fields[kKind.countField], kKind.entitiesPerRecord);
  recordsLeft_ = records.full + (records.lastEntities > 0 ? 1 : 0);
  lastEntities_ = records.lastEntities;
  tags_.clear();
  if (fields[kKind.countField] > 0) {
    tags_.reserve(std::min<std::size_t>(
        static_cast<std::size_t>(fields[kKind.countField]),
        std::size_t{1} << 24));
  }
  entityText_.clear();
  entitiesRead_ = 0;
  state_ = State::kGroupName;
}

void VertexFilter::entities(std::string_view text) {
  const std::size_t n = recordsLeft_ == 1 && lastEntities_ > 0
                            ? static_cast<std::size_t>(lastEntities_)
                            : kKind.entitiesPerRecord;
  if (entityText_.empty()) {
    entityText_.assign(text.substr(0, kEntityColumns));
    entityText_.resize(kEntityColumns, ' ');
  }
  for (std::size_t k = 0; k < n; ++k) {
    std::int32_t tag = 0;
    ++entitiesRead_;
    if (!readField(text, kKind.tagField(k), &tag)) continue;
    if (const std::int32_t written = keptTag(tag)) tags_.push_back(written);
  }
  if (--recordsLeft_ == 0) endGroup();
}

void VertexFilter::endGroup() {
  std::string_view head = head_;
  std::size_t textEnd = head.size();
  while (textEnd > 0 &&
         (head[textEnd - 1] == '\n' || head[textEnd - 1] == '\r')) {
    --textEnd;
  }
  const std::string_view eol = head.substr(textEnd);
  edited_.assign(head.substr(0, textEnd));
  setField(&edited_, kKind.countField, static_cast<std::int32_t>(tags_.size()));
  edited_ += eol;
  put(edited_);
  put(name_);
  // Two entities a record, each as the first one read with its tag.
  std::array<char, 2 * kEntityColumns + 2> record;
  std::memcpy(record.data(), entityText_.data(), entityText_.size());
  std::memcpy(record.data() + kEntityColumns, entityText_.data(),
              entityText_.size());
  for (std::size_t k = 0; k < tags_.size(); k += 2) {
    const std::size_t n = std::min<std::size_t>(2, tags_.size() - k);
    for (std::size_t e = 0; e < n; ++e) {
      writeInteger(tags_[k + e], kFieldWidth,
                   record.data() + e * kEntityColumns + kFieldWidth);
    }
    char* end = record.data() + n * kEntityColumns;
    std::memcpy(end, eol.data(), eol.size());
    put(std::string_view(record.data(), n * kEntityColumns + eol.size()));
    // The second entity's place is the template again.
    std::memcpy(record.data() + kEntityColumns, entityText_.data(),
                entityText_.size());
  }
  before_.push_back(entitiesRead_);
  after_.push_back(static_cast<std::int64_t>(tags_.size()));
  state_ = State::kGroupHead;
}

void VertexFilter::put(std::string_view bytes) {
  flushSpan();
  out_->write(bytes);
}

void VertexFilter::flushSpan() {
  if (spanBegin_ == spanEnd_) return;
  out_->write(std::string_view(
      spanBegin_, static_cast<std::size_t>(spanEnd_ - spanBegin_)));
  spanBegin_ = spanEnd_ = nullptr;
}

void VertexFilter::setField(std::string* text, std::size_t k,
                            std::int32_t value) {
  const std::size_t col = k * kFieldWidth;
  if (text->size() < col + kFieldWidth) text->resize(col + kFieldWidth, ' ');
  writeInteger(value, kFieldWidth, text->data() + col);
}

}  // namespace unv2tessal
