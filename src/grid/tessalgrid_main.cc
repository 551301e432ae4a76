#include <string>
#include <vector>

#include "grid/tessalgrid.h"
#include "io/shell.h"

int main(int argc, char** argv) {
  return unv2tessal::programMain("tessalgrid", argc, argv,
                                 [](const std::vector<std::string>& args,
                                    std::string* out, std::string* err) {
                                   // The JSON summary goes out before the
                                   // files are put in place.
                                   return unv2tessal::runTessalgrid(args, out,
                                                                    err, true);
                                 });
}
