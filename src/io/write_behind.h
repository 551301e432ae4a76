#ifndef UNV2TESSAL_IO_WRITE_BEHIND_H_
#define UNV2TESSAL_IO_WRITE_BEHIND_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "io/helper_threads.h"
#include "io/mutex.h"

namespace unv2tessal {

/// Writes buffers to their files on a thread of its own, one write after
/// the other in the order in which they were handed over, whatever file
/// each is for: the kernel sees the same writes in the same order as a run
/// that writes each buffer itself at the moment it hands it over.
///
/// A failed write stops each file where that run would have stopped it:
/// the failing file gets nothing more, every other file exactly the bytes
/// it had been given (written or still buffered) when the failing buffer
/// was handed over; settle() tells which and how much.
class WriteBehind {
 public:
  static constexpr std::size_t kMaxStreams = 8;

  WriteBehind();
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  /// Registers a file. `buffered` points to the count of bytes that its
  /// writer holds and has not handed over; it is read by the thread that
  /// calls submit(). Returns the stream's number.
  int open(int fd, const std::size_t* buffered) EXCLUDES(mutex_);
  /// Forgets a stream. REQUIRES: none of its writes is pending.
  void close(int stream) EXCLUDES(mutex_);

  /// Hands over `size` bytes at `data` for `stream`; they must stay as they
  /// are until pending(stream) has dropped below the count of hand-overs
  /// made after this one. Call it before the writer drops the bytes from
  /// its `buffered` count.
  void submit(int stream, const char* data, std::size_t size) EXCLUDES(mutex_);

  /// Waits until at most `count` hand-overs of `stream` are not written.
  void waitPending(int stream, std::size_t count) EXCLUDES(mutex_);

  /// Waits until every hand-over is written.
  void drain() EXCLUDES(mutex_);

  /// After drain(): false when every write went through. Otherwise *stream
  /// is the file whose write failed first and *error its errno.
  bool failed(int* stream, int* error) const EXCLUDES(mutex_);

  /// After drain(): the bytes of `stream` that reached its file.
  std::uint64_t written(int stream) const EXCLUDES(mutex_);

  /// After drain() and a failure: the bytes that `stream` must end with,
  /// counted from its first byte (its bytes handed over or buffered when
  /// the failing write was handed over).
  std::uint64_t keep(int stream) const EXCLUDES(mutex_);

  /// Bytes of `stream` handed over so far.
  std::uint64_t handedOver(int stream) const {
    return handed_[static_cast<std::size_t>(stream)].bytes;
  }

 private:
  // A stream as the thread that hands buffers over sees it.
  struct Handed {
    std::uint64_t bytes = 0;  // handed over
    std::uint64_t jobs = 0;   // hand-overs
  };
  // A stream as both threads see it.
  struct Stream {
    bool open = false;
    int fd = -1;
    const std::size_t* buffered = nullptr;
    std::uint64_t completed = 0;  // hand-overs written
    std::uint64_t written = 0;    // bytes written
    std::uint64_t keep = 0;       // after a failure: bytes to end with
  };
  struct Job {
    int stream = 0;
    int fd = -1;
    const char* data = nullptr;
    std::size_t size = 0;
    std::uint64_t start = 0;  // bytes of the stream before this job
    // Every stream's bytes handed over or buffered at this hand-over.
    std::array<std::uint64_t, kMaxStreams> given{};
  };
  static constexpr std::size_t kQueue = 32;

  void run() EXCLUDES(mutex_);
  // The bytes of `job` to write: all of them, or after a failed write
  // what its stream must still get.
  std::size_t bytesToWrite(const Job& job) const REQUIRES(mutex_);

  std::array<Handed, kMaxStreams> handed_;
  mutable Mutex mutex_;
  CondVar work_{&mutex_};
  CondVar done_{&mutex_};
  std::array<Stream, kMaxStreams> streams_ GUARDED_BY(mutex_);
  std::array<Job, kQueue> queue_ GUARDED_BY(mutex_);
  std::uint64_t head_ GUARDED_BY(mutex_) = 0;  // next job to write
  std::uint64_t tail_ GUARDED_BY(mutex_) = 0;  // next free place
  bool failed_ GUARDED_BY(mutex_) = false;
  int failedStream_ GUARDED_BY(mutex_) = -1;
  int failedError_ GUARDED_BY(mutex_) = 0;
  bool stop_ GUARDED_BY(mutex_) = false;
  HelperThread thread_;  // last: started when the rest is made
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_WRITE_BEHIND_H_
