#include <unistd.h>

#include <string>
#include <vector>

#include "view/tessal2vtk.h"

namespace {

void writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::string out, err;
  const int status = unv2tessal::runTessal2vtk(args, &out, &err);
  writeAll(1, out);
  writeAll(2, err);
  return status;
}
