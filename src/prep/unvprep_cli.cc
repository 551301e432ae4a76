#include <string>
#include <string_view>
#include <vector>

#include "io/shell.h"
#include "prep/prep.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kUsage =
    "Usage: unvprep [options] INPUT.unv OUTPUT.unv\n"
    "Writes a universal file that unv2tessal turns into the grid meant:\n"
    "groups of every group dataset become one 2435 dataset of node entities\n"
    "at the end, and element kinds that no grid writes are reduced to\n"
    "triangles (FE 91), quadrilaterals (94), tetrahedra (111), wedges (112)\n"
    "and bricks (115) on their corner nodes. Everything else is copied.\n"
    "\n"
    "Options:\n"
    "  --answers FILE  write unv2tessal's console replies for OUTPUT.unv to\n"
    "                  FILE, so that 'unv2tessal < FILE' asks nothing more\n"
    "  --dim 2|3       grid dimension in the answers (default: 3 when a 3D\n"
    "                  grid keeps elements of the file, else 2)\n"
    "  --prefix NAME   answers name the output files NAME.xyz, NAME.cnc,\n"
    "                  NAME.inp (default: OUTPUT without .unv)\n"
    "  --unique-ids    rename groups whose names share their first 8\n"
    "                  characters (the region ID) to distinct IDs\n"
    "  --json          print the summary as JSON on standard output\n"
    "  -h, --help      print this help and exit\n"
    "  -V, --version   print the version and exit\n"
    "\n"
    "The summary goes to standard error. Exit status: 0 written, 1 written\n"
    "with entities left out, 2 nothing written.\n";

}  // namespace

std::string takeDimension(const std::string& value, int* dim) {
  if (value != "2" && value != "3") {
    return "--dim must be 2 or 3, not '" + value + "'";
  }
  *dim = value[0] - '0';
  return {};
}

int runUnvprep(const std::vector<std::string>& args, std::string* out,
               std::string* err, bool jsonToStandardOutput) {
  if (answerInfoRequest("unvprep", kUsage, args, out)) return 0;
  PrepOptions options;
  std::vector<std::string> files;
  const auto take = [&options](const std::string& name,
                               const std::string& value) -> std::string {
    if (name == "--answers") {
      options.answers = value;
    } else if (name == "--dim") {
      return takeDimension(value, &options.dim);
    } else if (name == "--prefix") {
      options.prefix = value;
    } else if (name == "--unique-ids") {
      options.uniqueIds = true;
    } else if (name == "--json") {
      options.json = true;
    } else {
      return "unknown option '" + name + "'";
    }
    return {};
  };
  if (const auto status =
          scanCommandLine("unvprep", args, {"--answers", "--dim", "--prefix"},
                          take, &files, err)) {
    return *status;
  }
  if (files.size() != 2) {
    return usageError("unvprep",
                      "needs INPUT.unv and OUTPUT.unv, got " +
                          std::to_string(files.size()) + " file names",
                      err);
  }
  if (!options.prefix.empty() && options.answers.empty()) {
    return usageError(
        "unvprep", "--prefix names files in the answers: give --answers", err);
  }
  options.input = files[0];
  options.output = files[1];
  if (!options.answers.empty() && options.answers == options.output) {
    return usageError("unvprep", "--answers and OUTPUT.unv name the same file",
                      err);
  }
  options.jsonToStandardOutput = jsonToStandardOutput;
  return runPrep(options, out, err);
}

}  // namespace unv2tessal
