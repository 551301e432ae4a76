#ifndef UNV2TESSAL_VIEW_TESSAL2VTK_H_
#define UNV2TESSAL_VIEW_TESSAL2VTK_H_

#include <array>
#include <string>
#include <vector>

namespace unv2tessal {

class SafeOutput;

/// Writes the grid of a grid command file, a vertex file and a connectivity
/// file (read from `paths`, in that order, and named by `names` in
/// findings) as tessal2vtk does, through `output`, which is open and left
/// unfinished. Appends the findings to *err; returns 0 without findings,
/// else 1. Throws Failure.
int writeGridVtu(const std::array<std::string, 3>& paths,
                 const std::array<std::string, 3>& names, SafeOutput& output,
                 std::string* err);

/// Runs tessal2vtk on the command-line arguments (without the program
/// name): [--check] GRID.INP VERTEX_FILE CONNECTIVITY_FILE OUTPUT.vtu, or
/// --help, or --version. Reads the grid command file, the vertex file and
/// the connectivity file as the converter writes them and writes the grid
/// as a VTK XML unstructured grid; with --check nothing is written (the
/// output name may then be left out). Appends help and version text to
/// *out, and the findings and the failure line to *err. Returns the exit
/// status: 0 clean, 1 written (or checked) with findings, 2 nothing written.
int runTessal2vtk(const std::vector<std::string>& args, std::string* out,
                  std::string* err);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_VIEW_TESSAL2VTK_H_
