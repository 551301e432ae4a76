#ifndef UNV2TESSAL_IO_SAFE_OUTPUT_H_
#define UNV2TESSAL_IO_SAFE_OUTPUT_H_

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "io/write_behind.h"

namespace unv2tessal {

class LinePipe;

/// A file by device and inode (the input, which an output must not be).
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool set = false;
};

/// An output file of a program of ours that appears whole or not at all. A
/// regular file (or a name not yet taken) is written to a temporary file
/// beside it, ".NAME.PROGRAM-XXXXXX" in the same folder (six random
/// characters), and renamed into place by commit(); until then an earlier
/// file of that name is left as it was. The temporary file is removed when
/// commit() is never reached: on a failure (the object's end), and on the
/// signals that end a run once removeOutputsOnSignals() is called. A device
/// or pipe (/dev/null, /dev/stdout) is written directly.
/// Every failure throws Failure (shell.h) naming the output.
class SafeOutput {
 public:
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
  /// file ("is a directory", "is the input file").
  void open(const std::string& path, const FileIdentity& forbidden = {});
  /// Writes into `pipe`, to another thread of the program, instead of a
  /// file; `name` names it in failures. The buffers are handed over as they
  /// fill; finish() ends the text, and a failure before it ends the text
  /// with an error for the reader.
  void openPipe(LinePipe& pipe, std::string name);
  /// open() or openPipe() was called.
  bool isOpen() const { return fd_ >= 0 || pipe_ != nullptr; }

  /// Appends bytes through a large buffer.
  void write(std::string_view bytes) {
    if (bytes.size() <= kCapacity - used_) {
      if (bytes.empty()) return;
      std::memcpy(buf_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
      return;
    }
    writeSlow(bytes);
  }

  /// The open file, for a writer that lays it out itself (pwrite(), say)
  /// instead of calling write(). REQUIRES: open(), no writeBehind().
  int fd() const { return fd_; }
  /// The output's folder ("." for a bare name), for files of the writer's
  /// own beside it.
  std::string folder() const;

  /// Writes out the rest and closes the file, but leaves the temporary file
  /// where it is: a write that fails (a full disk, /dev/full) is known before
  /// anything is renamed into place. Nothing happens when it is finished.
  void finish();

  /// Finishes the file and renames the temporary file into place.
  void commit();

  /// The bytes written so far.
  std::size_t size() const { return written_ + used_; }
  const std::string& path() const { return path_; }
  /// The file the bytes go to until commit(): the temporary file, or the
  /// output itself when it is written directly.
  const std::string& writtenPath() const {
    return temp_.empty() ? path_ : temp_;
  }

 private:
  friend void commitOutputs(std::span<SafeOutput* const> outputs,
                            std::span<const std::string> stale);
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;
  [[noreturn]] void fail(std::string why);
  void writeSlow(std::string_view bytes);
  void flush();
  void writeOut(const char* data, std::size_t size);
  void moveIntoPlace();
  void discard();
  // Waits for the writes behind and stops their thread; returns the errno
  // of the first that failed, else 0.
  int stopWritingBehind();

  std::string path_;
  std::string temp_;    // empty when writing directly
  int temporary_ = -1;  // its place among the files removed on a signal
  int fd_ = -1;
  LinePipe* pipe_ = nullptr;  // openPipe()
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

/// Puts a set of outputs into place: finishes each (a write that fails is
/// known before anything is renamed), then renames them in the order
/// given, the one that must appear last last, with SIGINT, SIGTERM, SIGHUP
/// and SIGQUIT held, so that a signal ends the run before any of them is in
/// place or after all of them are. A failure throws Failure naming the
/// output; the outputs not renamed yet are removed with their objects.
void commitOutputs(std::span<SafeOutput* const> outputs);
/// The same, and removes the files at `stale` (an earlier run's outputs
/// that this one does not write) before the last output is renamed, with
/// the signals held: the new set never appears beside an old file.
void commitOutputs(std::span<SafeOutput* const> outputs,
                   std::span<const std::string> stale);

/// Device and inode of the file at `path` (following links); unset when
/// there is none.
FileIdentity fileIdentity(const std::string& path);

/// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT end a run of `program` as a
/// failure does: the temporary files of the outputs not yet committed are
/// removed, the line "PROGRAM: stopped by SIGINT" (and "; unfinished output
/// removed" where there was some) goes to standard error, and the process
/// dies by the same signal, its default action restored, so that a shell
/// or a script sees it die by it. SIGPIPE (a reader that closed the pipe)
/// ends it the same way but quietly. A signal ignored when the program
/// starts (nohup, a background job) stays ignored. `program` also names
/// the temporary files.
void removeOutputsOnSignals(std::string_view program);

/// Removes the temporary files of the outputs not yet committed and ends
/// the process by `signal`, its default action restored.
[[noreturn]] void dieBySignal(int signal);

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_SAFE_OUTPUT_H_
