#ifndef UNV2TESSAL_IO_FD_IO_H_
#define UNV2TESSAL_IO_FD_IO_H_

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace unv2tessal {

// The system calls on file descriptors that a signal can interrupt, each
// made again after an interrupted call here and nowhere else.

/// Writes the `size` bytes at `data` to `fd`, again after an interrupted or
/// short write. Returns the bytes written: `size`, or fewer when a write
/// failed, with *error set to its errno (EIO for a write that took nothing).
std::size_t writeFully(int fd, const char* data, std::size_t size, int* error);

/// Writes all of `bytes` to `fd`. Returns 0, or the errno of the write
/// that failed.
inline int writeAll(int fd, std::string_view bytes) {
  int error = 0;
  writeFully(fd, bytes.data(), bytes.size(), &error);
  return error;
}

/// read(2) of at most `size` bytes into `buf`, again after an interrupted
/// call: the bytes read, 0 at the end of the file, -1 with errno set.
ssize_t readRetrying(int fd, char* buf, std::size_t size);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_FD_IO_H_
