#include <string>
#include <vector>

#include "io/console.h"
#include "prep/prep.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string out, err;
  const int status = unv2tessal::runUnvprep(args, &out, &err, 1);
  unv2tessal::writeAll(1, out);
  unv2tessal::writeAll(2, err);
  return status;
}
