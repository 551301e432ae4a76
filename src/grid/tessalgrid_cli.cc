#include <string>
#include <string_view>
#include <vector>

#include "grid/tessalgrid.h"
#include "io/shell.h"
#include "prep/prep.h"

namespace unv2tessal {
namespace {

constexpr std::string_view kUsage =
    "Usage: tessalgrid [options] MESH.unv\n"
    "Converts a mesh in an IDEAS universal file, as gmsh, Salome, NX or\n"
    "I-DEAS write it, into the files of the TESSAL flow solver in one run:\n"
    "PREFIX.xyz (vertices), PREFIX.cnc (connectivity), PREFIX.inp (grid\n"
    "commands, one region per group), PREFIX.map (elements renumbered, when\n"
    "there are any) and PREFIX.vmap (vertices renumbered, when there are\n"
    "any). Groups of every group dataset become regions; element kinds that\n"
    "no grid writes are reduced to their corners where they can be. The\n"
    "files appear together when all are complete, or none does.\n"
    "\n"
    "Options:\n"
    "  -o, --output PREFIX  name the files PREFIX.xyz, ... (default: MESH\n"
    "                       without .unv, in the current folder)\n"
    "  --dim 2|3            grid dimension (default: 3 when the mesh holds\n"
    "                       elements that a 3D grid writes, else 2)\n"
    "  --keep-nodes         keep every node as a vertex, numbered as\n"
    "                       unv2tessal numbers it (default: only the nodes\n"
    "                       that written elements use, numbered 1, 2, ...)\n"
    "  --unique-ids         give groups whose names share their first 8\n"
    "                       characters distinct region IDs\n"
    "  --vtu FILE           also write the grid as a .vtu for ParaView\n"
    "  --json               print the summary as JSON on standard output\n"
    "  -h, --help           print this help and exit\n"
    "  -V, --version        print the version and exit\n"
    "\n"
    "The summary goes to standard error. Exit status: 0 written, 1 written\n"
    "with something of the mesh left out (see the warnings), 2 nothing\n"
    "written.\n";

}  // namespace

int runTessalgrid(const std::vector<std::string>& args, std::string* out,
                  std::string* err, bool jsonToStandardOutput) {
  if (answerInfoRequest("tessalgrid", kUsage, args, out)) return 0;
  GridOptions options;
  std::vector<std::string> files;
  const auto take = [&options](const std::string& name,
                               const std::string& value) -> std::string {
    if (name == "-o" || name == "--output") {
      if (value.empty()) return name + " needs a value";
      options.prefix = value;
    } else if (name == "--dim") {
      return takeDimension(value, &options.dim);
    } else if (name == "--vtu") {
      if (value.empty()) return name + " needs a value";
      options.vtu = value;
    } else if (name == "--keep-nodes") {
      options.keepNodes = true;
    } else if (name == "--unique-ids") {
      options.uniqueIds = true;
    } else if (name == "--json") {
      options.json = true;
    } else {
      return "unknown option '" + name + "'";
    }
    return {};
  };
  if (const auto status = scanCommandLine("tessalgrid", args,
                                          {"-o", "--output", "--dim", "--vtu"},
                                          take, &files, err)) {
    return *status;
  }
  if (files.size() != 1) {
    return usageError("tessalgrid",
                      "needs one MESH.unv, got " +
                          std::to_string(files.size()) + " file names",
                      err);
  }
  options.input = files[0];
  options.jsonToStandardOutput = jsonToStandardOutput;
  return runGrid(options, out, err);
}

}  // namespace unv2tessal
