#ifndef UNV2TESSAL_PREP_PREP_H_
#define UNV2TESSAL_PREP_PREP_H_

#include <string>
#include <vector>

#include "prep/answers.h"
#include "prep/prep_summary.h"

namespace unv2tessal {

class SafeOutput;

/// What unvprep is asked to do.
struct PrepOptions {
  std::string input;
  std::string output;
  std::string answers;  // the answers file; empty: none
  int dim = 0;          // 2 or 3; 0: 3 when a 3D grid keeps elements, else 2
  std::string prefix;   // output files named in the answers; empty: OUTPUT
                        // without ".unv"
  bool uniqueIds = false;
  bool json = false;
  /// With `json`: the JSON summary is written to standard output before the
  /// outputs are renamed into place, so that a summary that cannot be
  /// written leaves no output; false: it is appended to *out.
  bool jsonToStandardOutput = false;
};

/// The value of the option --dim: "" with *dim set to 2 or 3, or what is
/// wrong with it.
std::string takeDimension(const std::string& value, int* dim);

/// What the pass that writes the prepared file found: the summary (groups
/// with their vertex counts, reductions, elements written, the dimension)
/// and the datasets at which the converter asks its questions.
struct PreparedMesh {
  PrepSummary summary;
  std::vector<Asking> asking;
};

/// unvprep's work up to its outputs: reads options.input (twice, the
/// group datasets on a thread of their own when a CPU is spare) and writes
/// the prepared universal file through `output`, which it opens on
/// options.output (refusing the input) unless it is open already (on a
/// pipe, by tessalgrid), and leaves unfinished; fills *mesh. Throws Failure
/// naming the file and line of the first fault, as the passes run one after
/// the other would meet it.
void prepareMesh(const PrepOptions& options, SafeOutput& output,
                 PreparedMesh* mesh);

/// Runs unvprep on parsed options: reads options.input twice, writes
/// options.output (and the answers file), appends the summary to *err (or,
/// with options.json, a JSON document to *out) and a failure as one line
/// "unvprep: FILE:LINE: what was wrong" to *err (with options.json also as
/// {"error":{...}} on *out). Returns the exit status: 0 written, 1 written
/// with something left out, 2 nothing written. The fuzz target calls it
/// in-process.
int runPrep(const PrepOptions& options, std::string* out, std::string* err);

/// Runs unvprep on the command-line arguments (without the program name);
/// `jsonToStandardOutput` as in PrepOptions.
int runUnvprep(const std::vector<std::string>& args, std::string* out,
               std::string* err, bool jsonToStandardOutput = false);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_PREP_H_
