#include "grid/mesh_survey.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "codecs/fast_fields.h"
#include "io/shell.h"
#include "prep/grouped.h"
#include "prep/mesh_pass.h"
#include "prep/prep_input.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"
#include "unv/group_records.h"
#include "unv/mesh_records.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

// Node labels read of an element: the most any reduced kind needs (a
// 20-node kind's corners lie on its first three records).
constexpr std::size_t kMostLabels = 32;

class Surveyor {
 public:
  Surveyor(const SurveyRequest& request, MeshSurvey* survey)
      : request_(request), survey_(survey), in_(request.input) {}

  void run() {
    walk();
    if (survey_->dim == 0) survey_->dim = anySolid_ ? 3 : 2;
    if (!request_.usedLabels) return;
    UsedLabels& used = survey_->used;
    UsedLabels& other = survey_->dim == 2 ? used3D_ : used2D_;
    used = std::move(survey_->dim == 2 ? used2D_ : used3D_);
    used.freeze();
    nodeLabels_.freeze();
    other.freeze();
    otherLabels_.freeze();
    // Every node is used, every node label of an element is a node's, and
    // the converter numbers the nodes by rank already: cutting changes
    // nothing.
    bool same = !used.empty() && used.contiguous() && survey_->anyNode &&
                survey_->firstNodeLabel == used.lowest() &&
                nodeLabels_.size() == used.size();
    const auto inUsed = [&](std::int32_t label) {
      same = same && used.contains(label);
    };
    if (same) nodeLabels_.forEach(inUsed);
    if (same) other.forEach(inUsed);
    if (same) otherLabels_.forEach(inUsed);
    survey_->nothingToCut = same;
  }

 private:
  // The input's lines as walkDatasets() reads them, ended early once the
  // survey knows all it was asked.
  struct Lines {
    using Line = RawLine;
    PrepInput& in;
    bool stopped = false;
    bool next(Line* line) { return !stopped && in.next(line); }
    bool nextDelimiter(Line* line) {
      return !stopped && in.nextDelimiter(line);
    }
  };

  // Walks the datasets as the converter's scanner does (unv/framing.h): a
  // node, element or 2435 dataset is read through its closing delimiter,
  // after which the scanner looks for a delimiter; any other dataset is
  // left at its start, and its closing delimiter opens the next one.
  void walk() {
    Lines lines{in_};
    walkDatasets(lines, [&](std::string_view number) {
      RawLine line;
      if (number == "2411") {
        once(&survey_->nodeDatasetLine, "node");
        if (request_.usedLabels) {
          readNodes();
          return;
        }
        const NodeDatasetStart start = passNodes(in_, nowhere_, noNodes_);
        if (!survey_->anyNode && !start.empty) {
          survey_->anyNode = true;
          survey_->firstNodeLabel = start.firstLabel;
        }
      } else if (number == "2412") {
        once(&survey_->elementDatasetLine, "element");
        if (request_.framingOnly) {
          in_.nextDelimiter(&line);
        } else if (readElements()) {
          // The dimension is known, and nothing else is asked.
          lines.stopped = true;
        }
      } else if (number == kPermanentGroups.number) {
        in_.nextDelimiter(&line);
      }
    });
  }

  // Reads the node labels of a node dataset, through its closing delimiter
  // (a delimiter where a node's first record would be; one where its
  // coordinates are is read as coordinates). A label that does not read is
  // left to the converter to report.
  void readNodes() {
    const std::string what =
        "node dataset 2411 begun at line " + std::to_string(in_.lineNumber());
    for (;;) {
      commonNodes();
      const RawLine record1 = in_.need(what);
      if (isDelimiterLine(record1.text)) return;
      std::int32_t label = 0;
      if (readNodeLabel(record1.text, &label)) node(label);
      in_.need(what);
    }
  }

  void node(std::int32_t label) {
    if (!survey_->anyNode) {
      survey_->anyNode = true;
      survey_->firstNodeLabel = label;
    }
    nodeLabels_.add(label);
  }

  // The nodes that the reader's buffer holds whole, taken from it at once:
  // a first record that is no delimiter and whose label reads
  // (readNodeLabel()), then any line.
  void commonNodes() {
    LineReader& reader = in_.reader();
    const std::string_view ahead = reader.ahead();
    const char* p = ahead.data();
    const char* const end = p + ahead.size();
    std::size_t lines = 0;
    for (;;) {
      const char* next1 = nullptr;
      const char* next2 = nullptr;
      std::string_view record1, record2;
      std::int32_t label = 0;
      if (!lineIn(p, end, &record1, &next1) || isDelimiterLine(record1) ||
          !readNodeLabel(record1, &label) ||
          !lineIn(next1, end, &record2, &next2)) {
        break;
      }
      node(label);
      p = next2;
      lines += 2;
    }
    if (lines > 0) reader.skip(p, lines);
  }

  // Notes the dataset-number line just read as the one of the `what`
  // dataset; a second one is refused.
  void once(std::size_t* first, const char* what) {
    if (*first != 0) {
      in_.fail(std::string("a second ") + what +
               " dataset (the first begins at line " + std::to_string(*first) +
               "): tessalgrid converts one node dataset and one element "
               "dataset, since the converter would write the second over "
               "the files of the first");
    }
    *first = in_.lineNumber();
  }

  // Reads the element records up to the closing delimiter. Returns true
  // when the survey can stop at an element that a 3D grid writes.
  bool readElements() {
    const std::string what = "element dataset 2412 begun at line " +
                             std::to_string(in_.lineNumber());
    const bool stopAtSolid = request_.dim == 0 && !request_.usedLabels;
    std::array<std::int32_t, kMostLabels> labels{};
    for (;;) {
      if (request_.usedLabels && commonElements()) return false;
      RawLine descriptor = in_.need(what);
      if (isDelimiterLine(descriptor.text)) return false;
      if (isEmptyLine(descriptor.text)) continue;
      std::int32_t label = 0, feId = 0;
      if (!readDescriptorIds(descriptor.text, &label, &feId)) {
        in_.fail("element descriptor record: label or FE id is not an integer");
      }
      const std::int32_t count = nodeCountOf(descriptor.text);
      const Reduction* reduction = findReduction(feId, count);
      if (reduction != nullptr && reduction->nodes != count) {
        reduction = nullptr;  // unvprep refuses it
      }
      const std::int32_t records = 1 + continuationRecords(descriptor.text);
      const std::int32_t written = reduction != nullptr ? reduction->to : feId;
      const Shape* solid = findShape(false, written);
      const Shape* face = findShape(true, written);
      if (solid != nullptr) {
        anySolid_ = true;
        if (stopAtSolid) {
          survey_->dim = 3;
          return true;
        }
      }
      if (hasOrientationRecord(feId)) in_.need(what);
      if (!request_.usedLabels) {
        for (std::int32_t r = 0; r < records; ++r) in_.need(what);
        continue;
      }
      UsedLabels* used = nullptr;
      const Shape* shape = nullptr;
      if (solid != nullptr) {
        used = &used3D_;
        shape = solid;
      } else if (face != nullptr) {
        used = &used2D_;
        shape = face;
      }
      // The converter reads all eight labels of each node record.
      std::size_t read = 0;
      for (std::int32_t r = 0; r < records; ++r) {
        const RawLine nodes = in_.need(what);
        if (read + kNodesPerRecord > kMostLabels) continue;
        if (!readIntegerFields10(nodes.text, labels.data() + read,
                                 kNodesPerRecord)) {
          in_.fail("element node record: a node label is not an integer");
        }
        read += kNodesPerRecord;
      }
      if (used == nullptr) {
        // No grid writes it: the labels that unvprep may list for it in a
        // group, those of its node count.
        const std::size_t listed = static_cast<std::size_t>(std::max(count, 0));
        for (std::size_t k = 0; k < std::min(read, listed); ++k) {
          otherLabels_.add(labels[k]);
        }
        continue;
      }
      if (reduction != nullptr) {
        for (std::int32_t k = 0; k < reduction->cornerCount; ++k) {
          used->add(
              labels[reduction->corners[static_cast<std::size_t>(k)] - 1u]);
        }
      } else {
        for (std::int32_t k = 0; k < shape->vertices; ++k) {
          used->add(labels[static_cast<std::size_t>(k)]);
        }
      }
    }
  }

  // Nearly every element of a large mesh, taken straight from the reader's
  // buffer while it holds them whole, as unvprep takes them: an element of
  // the common form (readCommonElement()) whose descriptor is 60 columns
  // and an LF, of a kind that is not reduced and that a grid writes, its
  // node record a 10-column field a node and an LF. Anything else is left
  // to the line by line reading. Returns false (always: the dataset's end
  // is read line by line).
  bool commonElements() {
    constexpr std::size_t kFieldWidth = 10;
    constexpr std::size_t kDescriptorColumns = 6 * kFieldWidth;
    constexpr std::size_t kLongest =
        kDescriptorColumns + 1 + kNodesPerRecord * kFieldWidth + 1;
    LineReader& reader = in_.reader();
    const std::string_view ahead = reader.ahead();
    const char* p = ahead.data();
    const char* const end = p + ahead.size();
    std::size_t lines = 0;
    std::array<std::int32_t, kNodesPerRecord> labels{};
    while (static_cast<std::size_t>(end - p) >= kLongest &&
           p[kDescriptorColumns] == '\n') {
      CommonElement e;
      if (!readCommonElement(std::string_view(p, kDescriptorColumns), &e) ||
          e.nodes < 1 || e.feId < 0 ||
          e.feId >= static_cast<std::int32_t>(kCommonIds)) {
        break;
      }
      const Shape* shape = commonShape(e.feId);
      if (shape == nullptr) break;
      const char* record = p + kDescriptorColumns + 1;
      const std::size_t columns =
          static_cast<std::size_t>(e.nodes) * kFieldWidth;
      if (record[columns] != '\n') break;
      const auto n = static_cast<std::size_t>(shape->vertices);
      if (n > static_cast<std::size_t>(e.nodes) ||
          !tryReadIntegerFields10(record, labels.data(), n)) {
        break;
      }
      UsedLabels* used = usedFor(*shape, e.feId);
      for (std::size_t k = 0; k < n; ++k) used->add(labels[k]);
      p = record + columns + 1;
      lines += 2;
    }
    if (lines > 0) reader.skip(p, lines);
    return false;
  }

  // The shape of `feId` in the grid when its common elements (no
  // orientation record) are not reduced and a grid writes them; else
  // nullptr. Looked up once per id.
  const Shape* commonShape(std::int32_t feId) {
    const auto id = static_cast<std::size_t>(feId);
    if (!looked_[id]) {
      looked_[id] = true;
      const Shape* solid = findShape(false, feId);
      const Shape* face = findShape(true, feId);
      common_[id] = findReduction(feId) == nullptr
                        ? (solid != nullptr ? solid : face)
                        : nullptr;
    }
    return common_[id];
  }

  // Where the labels of an element written with `shape` go: the used
  // labels of its grid (also those of the grid not asked for, for the
  // check that cutting changes nothing).
  UsedLabels* usedFor(const Shape& shape, std::int32_t feId) {
    if (findShape(false, feId) == &shape) {
      anySolid_ = true;
      return &used3D_;
    }
    return &used2D_;
  }

  static constexpr std::size_t kCommonIds = 256;
  std::array<bool, kCommonIds> looked_{};
  std::array<const Shape*, kCommonIds> common_{};

  const SurveyRequest& request_;
  MeshSurvey* survey_;
  PrepInput in_;
  Sink nowhere_;
  GroupedNodes noNodes_;
  bool anySolid_ = false;
  UsedLabels used2D_, used3D_;
  // The default mode: the node labels, and those of the elements no grid
  // writes that unvprep may list in a group.
  UsedLabels nodeLabels_, otherLabels_;
};

}  // namespace

void surveyMesh(const SurveyRequest& request, MeshSurvey* survey) {
  *survey = MeshSurvey{};
  survey->dim = request.dim;
  Surveyor(request, survey).run();
}

}  // namespace unv2tessal
