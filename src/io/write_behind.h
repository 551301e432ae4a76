#ifndef UNV2TESSAL_IO_WRITE_BEHIND_H_
#define UNV2TESSAL_IO_WRITE_BEHIND_H_

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

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
  int open(int fd, const std::size_t* buffered);
  /// Forgets a stream. REQUIRES: none of its writes is pending.
  void close(int stream);

  /// Hands over `size` bytes at `data` for `stream`; they must stay as they
  /// are until pending(stream) has dropped below the count of hand-overs
  /// made after this one. Call it before the writer drops the bytes from
  /// its `buffered` count.
  void submit(int stream, const char* data, std::size_t size);

  /// Waits until at most `count` hand-overs of `stream` are not written.
  void waitPending(int stream, std::size_t count);

  /// Waits until every hand-over is written.
  void drain();

  /// After drain(): false when every write went through. Otherwise *stream
  /// is the file whose write failed first and *error its errno.
  bool failed(int* stream, int* error) const;

  /// After drain(): the bytes of `stream` that reached its file.
  std::uint64_t written(int stream) const;

  /// After drain() and a failure: the bytes that `stream` must end with,
  /// counted from its first byte (its bytes handed over or buffered when
  /// the failing write was handed over).
  std::uint64_t keep(int stream) const;

  /// Bytes of `stream` handed over so far.
  std::uint64_t handedOver(int stream) const {
    return streams_[static_cast<std::size_t>(stream)].handedOver;
  }

 private:
  struct Stream {
    bool open = false;
    int fd = -1;
    const std::size_t* buffered = nullptr;
    std::uint64_t handedOver = 0;  // submit() side
    std::uint64_t submitted = 0;   // hand-overs
    std::uint64_t completed = 0;   // hand-overs written (under mutex_)
    std::uint64_t written = 0;     // bytes written (under mutex_)
    std::uint64_t keep = 0;        // after a failure: bytes to end with
  };
  struct Job {
    int stream = 0;
    const char* data = nullptr;
    std::size_t size = 0;
    std::uint64_t start = 0;  // bytes of the stream before this job
    // Every stream's bytes handed over or buffered at this hand-over.
    std::array<std::uint64_t, kMaxStreams> given{};
  };
  static constexpr std::size_t kQueue = 32;

  void run();
  void write(const Job& job);

  std::array<Stream, kMaxStreams> streams_;
  std::array<Job, kQueue> queue_;
  std::uint64_t head_ = 0;  // next job to write (under mutex_)
  std::uint64_t tail_ = 0;  // next free place (under mutex_)
  bool failed_ = false;     // (under mutex_)
  int failedStream_ = -1;
  int failedError_ = 0;
  bool stop_ = false;
  mutable std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::thread thread_;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_WRITE_BEHIND_H_
