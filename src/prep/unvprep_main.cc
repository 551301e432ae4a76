#include <string>
#include <vector>

#include "io/shell.h"
#include "prep/prep.h"

int main(int argc, char** argv) {
  return unv2tessal::programMain("unvprep", argc, argv,
                                 [](const std::vector<std::string>& args,
                                    std::string* out, std::string* err) {
                                   // The JSON summary goes out before the
                                   // outputs are put in place.
                                   return unv2tessal::runUnvprep(args, out, err,
                                                                 true);
                                 });
}
