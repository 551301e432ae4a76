#include <string>
#include <vector>

#include "check/unvcheck.h"
#include "io/shell.h"

int main(int argc, char** argv) {
  return unv2tessal::programMain("unvcheck", argc, argv,
                                 unv2tessal::runUnvcheck);
}
