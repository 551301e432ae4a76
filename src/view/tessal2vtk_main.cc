#include <string>
#include <vector>

#include "io/shell.h"
#include "view/tessal2vtk.h"

int main(int argc, char** argv) {
  return unv2tessal::programMain("tessal2vtk", argc, argv,
                                 unv2tessal::runTessal2vtk);
}
