#include "grid/locate.h"

#include <array>
#include <string_view>
#include <vector>

#include "codecs/fast_fields.h"
#include "codecs/record_io.h"
#include "grid/mesh_survey.h"
#include "grid/used_labels.h"
#include "prep/prep_input.h"
#include "unv/fe_descriptors.h"
#include "unv/framing.h"
#include "unv/mesh_records.h"
#include "unv/reductions.h"

namespace unv2tessal {
namespace {

// A line of the mesh that the converter read, and the record it is.
struct MeshLine {
  std::size_t line = 0;
  std::string text;
  const RecordLayout* layout = nullptr;
  std::size_t fieldsRead = 0;  // the fields the converter reads of it
  const char* record = "";
};

// Why the converter could not read `at`: the first of its fields that is
// not a valid value, with its columns; else the report's own words.
Failure describe(const std::string& input, const MeshLine& at,
                 const RunFailure& failure) {
  if (failure.report == kReportIntegerOverflow) {
    return Failure(input, at.line,
                   std::string("a number of the ") + at.record +
                       " does not fit in 32 bits once its offset is taken "
                       "off (integer overflow)");
  }
  if (failure.report == kReportInputConversion && at.layout != nullptr) {
    RecordReader reader(at.text, *at.layout);
    std::size_t column = 0;
    for (std::size_t k = 0; k < at.fieldsRead; ++k) {
      const Field& f = at.layout->fields[k];
      bool valid = true;
      if (f.kind == FieldKind::kReal) {
        double value = 0;
        valid = reader.read(value);
      } else {
        std::int32_t value = 0;
        valid = reader.read(value);
      }
      if (!valid) {
        return Failure(input, at.line, column + 1,
                       "columns " + std::to_string(column + 1) + "-" +
                           std::to_string(column + f.width) + " of the " +
                           at.record + " are not a valid number");
      }
      column += f.width;
    }
  }
  return Failure(input, at.line,
                 std::string("the converter could not read the ") + at.record +
                     ": " + reportText(failure));
}

// Reads the mesh up to line `line` (its dataset-number line).
void seek(PrepInput& in, std::size_t line) {
  RawLine skipped;
  while (in.lineNumber() < line && in.next(&skipped)) {
  }
}

// Line `offset` (1: the first) of the node dataset's body as the
// converter saw it: each pair of lines one node, the nodes that are not
// kept left out.
MeshLine nodeLine(PrepInput& in, std::size_t offset, const UsedLabels* used) {
  const std::size_t target = (offset - 1) / 2;
  const bool coordinates = (offset - 1) % 2 == 1;
  std::size_t kept = 0;
  RawLine line;
  while (in.next(&line)) {
    if (isDelimiterLine(line.text)) break;
    std::int32_t label = 0;
    const bool readable = readNodeLabel(line.text, &label);
    const bool keep = used == nullptr || !readable || used->rank(label) != 0;
    if (keep && kept++ == target) {
      if (!coordinates) {
        return {in.lineNumber(), std::string(line.text), &kNodeLabelRecord, 1,
                "node label record"};
      }
      if (!in.next(&line)) break;
      return {in.lineNumber(), std::string(line.text), &kNodeCoordinateRecord,
              3, "node coordinate record"};
    }
    if (!in.next(&line)) break;
  }
  return {in.lineNumber(), "", nullptr, 0, "node dataset"};
}

// Line `offset` of the element dataset's body as the converter saw it:
// unvprep writes an element that reduces as its descriptor and one node
// record, and leaves empty lines out.
MeshLine elementLine(PrepInput& in, std::size_t offset) {
  std::size_t seen = 0;  // lines of the prepared text before the element
  RawLine line;
  while (in.next(&line)) {
    if (isDelimiterLine(line.text)) break;
    if (isEmptyLine(line.text)) continue;
    const std::size_t at = in.lineNumber();
    std::vector<std::string> texts{std::string(line.text)};
    std::int32_t label = 0, feId = 0;
    readDescriptorIds(line.text, &label, &feId);
    const std::int32_t count = nodeCountOf(line.text);
    const Reduction* reduction = findReduction(feId, count);
    const bool reduced = reduction != nullptr && reduction->nodes == count;
    const std::int32_t more = (hasOrientationRecord(feId) ? 1 : 0) + 1 +
                              continuationRecords(line.text);
    for (std::int32_t k = 0; k < more && in.next(&line); ++k) {
      texts.emplace_back(line.text);
    }
    const std::size_t written = reduced ? 2 : texts.size();
    if (offset <= seen + written) {
      const std::size_t r = offset - seen - 1;
      if (r == 0) {
        return {at, texts[0], &kDescriptorRecord, 2,
                "element descriptor record"};
      }
      const std::size_t k = reduced ? 1 : r;
      if (k < texts.size()) {
        const bool orientation = hasOrientationRecord(feId) && k == 1;
        return {at + k, texts[k], orientation ? nullptr : &kElementNodeRecord,
                kNodesPerRecord,
                orientation ? "orientation record" : "element node record"};
      }
    }
    seen += written;
  }
  return {in.lineNumber(), "", nullptr, 0, "element dataset"};
}

}  // namespace

Failure locateFailure(const ConversionResult& result, const StreamShape& shape,
                      const std::string (&files)[kGridFiles]) {
  const RunFailure& failure = result.failure;
  if (result.failed) {
    for (const std::string& file : files) {
      if (failure.path == file) {
        return Failure(file, std::string(reportMessage(failure.report)));
      }
    }
  }
  MeshSurvey survey;
  SurveyRequest request;
  request.input = shape.input;
  request.framingOnly = true;
  // A second node or element dataset is refused by the survey itself.
  surveyMesh(request, &survey);
  if (!result.secondDataset.empty()) {
    return Failure(shape.input, "a second dataset " + result.secondDataset +
                                    " where tessalgrid converts one");
  }
  if (result.failedLine <= result.datasetLine) {
    return Failure(shape.input, reportText(failure));
  }
  const std::size_t offset = result.failedLine - result.datasetLine;
  PrepInput in(shape.input, /*readAhead=*/false);
  switch (result.place) {
    case StreamPlace::kNodes:
      seek(in, survey.nodeDatasetLine);
      return describe(shape.input, nodeLine(in, offset, shape.used), failure);
    case StreamPlace::kElements:
      seek(in, survey.elementDatasetLine);
      return describe(shape.input, elementLine(in, offset), failure);
    case StreamPlace::kGroups: {
      // unvprep's 2435 dataset: each group its record 1, its name and its
      // entities two a record.
      std::size_t seen = 0;
      for (std::size_t g = 0; g < shape.groupEntities.size(); ++g) {
        seen += 2 + static_cast<std::size_t>((shape.groupEntities[g] + 1) / 2);
        if (offset <= seen) {
          return Failure(shape.input, shape.groupLines[g],
                         "group " + shape.groupNames[g] +
                             ": the converter could not write its region: " +
                             reportText(failure));
        }
      }
      break;
    }
    case StreamPlace::kNone:
    case StreamPlace::kOther:
      break;
  }
  return Failure(shape.input, reportText(failure));
}

}  // namespace unv2tessal
