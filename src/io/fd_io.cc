#include "io/fd_io.h"

#include <errno.h>
#include <unistd.h>

namespace unv2tessal {

std::size_t writeFully(int fd, const char* data, std::size_t size, int* error) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      *error = put < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(put);
  }
  return done;
}

ssize_t readRetrying(int fd, char* buf, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buf, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

}  // namespace unv2tessal
