#ifndef UNV2TESSAL_GRID_MESH_SURVEY_H_
#define UNV2TESSAL_GRID_MESH_SURVEY_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "grid/used_labels.h"

namespace unv2tessal {

/// What a survey of the mesh looks for.
struct SurveyRequest {
  std::string input;
  /// 2 or 3; 0: the survey chooses, 3 when an element is one that a 3D
  /// grid writes (once reduced), else 2.
  int dim = 0;
  /// Collects the node labels that the written elements of the grid use.
  bool usedLabels = false;
  /// Only the datasets' places: no element is read.
  bool framingOnly = false;
};

/// What tessalgrid learns of the mesh before the converter writes a
/// vertex: where the node and element datasets begin, the grid
/// dimension, and the node labels that the grid's elements use.
struct MeshSurvey {
  /// Lines of the dataset-number lines of the node and element datasets;
  /// 0 where there is none.
  std::size_t nodeDatasetLine = 0;
  std::size_t elementDatasetLine = 0;
  /// The label of the file's first node (when there is one).
  bool anyNode = false;
  std::int32_t firstNodeLabel = 0;
  int dim = 0;
  /// The labels used by the elements of the grid, frozen (usedLabels).
  UsedLabels used;
  /// (usedLabels) Keeping only the used nodes changes nothing: every node
  /// is used, numbered by the converter as by rank, and every node label
  /// of an element is a node's.
  bool nothingToCut = false;
};

/// Reads `request.input` once, walking its datasets as the converter's
/// scanner does. Throws Failure (file, line, message) for a second node or
/// element dataset, which tessalgrid refuses (the converter would write
/// each over the files of the one before), and for an element record it
/// cannot read where it needs its labels. Without usedLabels, and unless
/// framingOnly, it stops at the first element that a 3D grid writes once
/// the dimension is known to be 3.
void surveyMesh(const SurveyRequest& request, MeshSurvey* survey);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_GRID_MESH_SURVEY_H_
