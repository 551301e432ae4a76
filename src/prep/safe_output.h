#ifndef UNV2TESSAL_PREP_SAFE_OUTPUT_H_
#define UNV2TESSAL_PREP_SAFE_OUTPUT_H_

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "io/write_behind.h"

namespace unv2tessal {

/// An output file that appears whole or not at all. A regular file (or a
/// name not yet taken) is written to a temporary file beside it and renamed
/// into place by commit(); until then an earlier file of that name is left
/// as it was, and the temporary file is removed if commit() is never
/// reached. A device or pipe (/dev/null, /dev/stdout) is written directly.
/// Every failure is one message: the output's name and what was wrong.
class SafeOutput {
 public:
  /// The file that must not be written: the input, by device and inode.
  struct Forbidden {
    dev_t device = 0;
    ino_t inode = 0;
    bool set = false;
  };

  SafeOutput() = default;
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;
  ~SafeOutput();  // removes the temporary file unless committed

  /// Has the buffers of a regular output file written on a thread of its
  /// own (WriteBehind), while the next one fills. Call before open().
  void writeBehind() { wantBehind_ = true; }
  /// Sets room aside on the disk for about `bytes` when the temporary file
  /// is made, so that the writes find their blocks already allocated
  /// (writing into new, unallocated blocks costs the file system much more
  /// per page). The room not written is given back when the file is
  /// finished; room that cannot be had is simply not set aside. Call before
  /// open().
  void expectSize(std::uint64_t bytes) { expected_ = bytes; }
  /// Prepares the output `path`. Refuses a directory and the `forbidden`
  /// file. Returns false with *error set ("is a directory", ...).
  bool open(const std::string& path, const Forbidden& forbidden,
            std::string* error);

  /// Appends bytes through a large buffer. Returns false with *error set
  /// when a write fails; the output is then left unfinished.
  bool write(std::string_view bytes, std::string* error) {
    if (bytes.size() <= kCapacity - used_) {
      if (bytes.empty()) return true;
      std::memcpy(buf_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
      return true;
    }
    return writeSlow(bytes, error);
  }

  /// Writes out the rest and closes the file, but leaves the temporary file
  /// where it is: a write that fails (a full disk, /dev/full) is known before
  /// anything is renamed into place.
  bool finish(std::string* error);

  /// Finishes the file if that is not done yet, and renames the temporary
  /// file into place.
  bool commit(std::string* error);

  /// The bytes written so far.
  std::size_t size() const { return written_ + used_; }

 private:
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;
  bool writeSlow(std::string_view bytes, std::string* error);
  bool flush(std::string* error);
  bool writeOut(const char* data, std::size_t size, std::string* error);
  void discard();
  // Waits for the writes behind and stops their thread; false with *error
  // set (when not null) if one failed.
  bool stopWritingBehind(std::string* error);

  std::string path_;
  std::string temp_;  // empty when writing directly
  int fd_ = -1;
  bool finished_ = false;
  std::unique_ptr<char[]> buf_;
  std::size_t used_ = 0;
  std::size_t written_ = 0;
  // Writing behind: the buffer handed over last, written while buf_ fills.
  bool wantBehind_ = false;
  std::uint64_t expected_ = 0;
  bool reserved_ = false;  // room set aside past the end of the file
  std::unique_ptr<WriteBehind> behind_;
  int stream_ = -1;
  std::size_t noneHeldBack_ = 0;
  // The buffers handed over and not yet reused, oldest first.
  static constexpr std::size_t kSpares = 3;
  std::array<std::unique_ptr<char[]>, kSpares> spares_;
  std::size_t nextSpare_ = 0;
};

/// Writes all of `bytes` to the open descriptor `fd` (standard output, say).
/// Returns false with *error set when a write fails.
bool writeFully(int fd, std::string_view bytes, std::string* error);

/// Device and inode of the file at `path` (following links); unset when
/// there is none.
SafeOutput::Forbidden fileIdentity(const std::string& path);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_PREP_SAFE_OUTPUT_H_
