#ifndef UNV2TESSAL_PREP_PREP_H_
#define UNV2TESSAL_PREP_PREP_H_

#include <string>
#include <vector>

namespace unv2tessal {

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
