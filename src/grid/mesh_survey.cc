#include "grid/mesh_survey.h"

#include <algorithm>
#include <array>
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
    survey_->used = std::move(survey_->dim == 2 ? used2D_ : used3D_);
    survey_->used.freeze();
  }

 private:
  // Walks the datasets as the converter's scanner does: a node, element or
  // 2435 dataset is read through its closing delimiter, after which the
  // scanner looks for a delimiter; any other dataset is passed over, and
  // its closing delimiter opens the next one.
  void walk() {
    RawLine line;
    bool atNumber = false;
    for (;;) {
      if (!atNumber && !in_.nextDelimiter(&line)) return;
      atNumber = false;
      FixedText<4> number;
      bool haveNumber = false;
      while (in_.next(&line)) {
        number = datasetNumberOf(line.text);
        if (!isFurtherDelimiter(number)) {
          haveNumber = true;
          break;
        }
      }
      if (!haveNumber) return;
      if (number.view() == "2411") {
        once(&survey_->nodeDatasetLine, "node");
        const NodeDatasetStart start = passNodes(in_, nowhere_, noNodes_);
        if (!survey_->anyNode && !start.empty) {
          survey_->anyNode = true;
          survey_->firstNodeLabel = start.firstLabel;
        }
      } else if (number.view() == "2412") {
        once(&survey_->elementDatasetLine, "element");
        if (request_.framingOnly) {
          in_.nextDelimiter(&line);
        } else if (readElements()) {
          return;  // the dimension is known, and nothing else is asked
        }
      } else if (number.view() == kPermanentGroups.number) {
        in_.nextDelimiter(&line);
      } else {
        atNumber = in_.nextDelimiter(&line);
        if (!atNumber) return;
      }
    }
  }

  // Notes the dataset-number line just read as the one of the `what`
  // dataset; a second one is refused.
  void once(std::size_t* first, const char* what) {
    if (*first != 0) {
      in_.fail(std::string("a second ") + what + " dataset (the first begins at line " +
               std::to_string(*first) +
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
      RawLine descriptor = in_.need(what);
      if (isDelimiterLine(descriptor.text)) return false;
      if (isEmptyLine(descriptor.text)) continue;
      std::array<std::int32_t, 2> head{};
      if (!readIntegerFields10(descriptor.text, head.data(), head.size())) {
        in_.fail("element descriptor record: label or FE id is not an integer");
      }
      const std::int32_t feId = head[1];
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
      UsedLabels* used = nullptr;
      const Shape* shape = nullptr;
      if (request_.usedLabels) {
        if (solid != nullptr && request_.dim != 2) {
          used = &used3D_;
          shape = solid;
        } else if (face != nullptr && request_.dim != 3) {
          used = &used2D_;
          shape = face;
        }
      }
      std::size_t read = 0;
      for (std::int32_t r = 0; r < records; ++r) {
        const RawLine nodes = in_.need(what);
        if (used == nullptr || read + kNodesPerRecord > kMostLabels) continue;
        if (!readIntegerFields10(nodes.text, labels.data() + read,
                                 kNodesPerRecord)) {
          in_.fail("element node record: a node label is not an integer");
        }
        read += kNodesPerRecord;
      }
      if (used == nullptr) continue;
      if (reduction != nullptr) {
        for (std::int32_t k = 0; k < reduction->cornerCount; ++k) {
          used->add(labels[reduction->corners[static_cast<std::size_t>(k)] -
                           1u]);
        }
      } else {
        for (std::int32_t k = 0; k < shape->vertices; ++k) {
          used->add(labels[static_cast<std::size_t>(k)]);
        }
      }
    }
  }

  const SurveyRequest& request_;
  MeshSurvey* survey_;
  PrepInput in_;
  Sink nowhere_;
  GroupedNodes noNodes_;
  bool anySolid_ = false;
  UsedLabels used2D_, used3D_;
};

}  // namespace

void surveyMesh(const SurveyRequest& request, MeshSurvey* survey) {
  *survey = MeshSurvey{};
  survey->dim = request.dim;
  Surveyor(request, survey).run();
}

}  // namespace unv2tessal
