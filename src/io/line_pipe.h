#ifndef UNV2TESSAL_IO_LINE_PIPE_H_
#define UNV2TESSAL_IO_LINE_PIPE_H_

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

#include "io/mutex.h"
#include "io/read_ahead.h"

namespace unv2tessal {

/// Text handed from one thread of a program to another in memory, as a
/// pipe would carry it but without copying it through the kernel: the
/// writer (a SafeOutput opened on the pipe) fills buffers and hands them
/// over; the reader (a LineReader) takes them as blocks of whole lines, as
/// it takes the blocks of a file read ahead. The buffers change hands; only
/// the start of a line that one buffer cuts moves to the front of the next.
/// The writer waits while kBlocks blocks wait for the reader.
class LinePipe final : public BlockSource {
 public:
  /// The size of every buffer (SafeOutput's).
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;
  static constexpr std::size_t kBlocks = 3;

  LinePipe() = default;
  LinePipe(const LinePipe&) = delete;
  LinePipe& operator=(const LinePipe&) = delete;

  // ---- the writer's side ----

  /// Hands over the first `size` bytes of *buffer (kCapacity bytes) and
  /// puts an empty buffer in its place, which begins with the line that
  /// those bytes end in the middle of; returns that line's length. With
  /// `last` the text ends with these bytes (its last line may have no LF)
  /// and 0 is returned. A full buffer without LF (a line longer than a
  /// buffer, which a universal file of ours never holds) ends the text
  /// with an error instead.
  std::size_t handOver(std::unique_ptr<char[]>* buffer, std::size_t size,
                       bool last) EXCLUDES(mutex_);
  /// The writer failed: the reader gets an error after the blocks before.
  void fail() EXCLUDES(mutex_);

  // ---- the reader's side ----

  Block next() override EXCLUDES(mutex_);
  /// The reader takes nothing more: from now on the blocks handed over are
  /// dropped at once, so that the writer runs to its end.
  void abandon() EXCLUDES(mutex_);

 private:
  struct Pending {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    bool eof = false;
    int error = 0;
  };
  // A buffer for the writer: one handed back, else a new one.
  std::unique_ptr<char[]> spare() EXCLUDES(mutex_);
  void push(Pending block) EXCLUDES(mutex_);

  Mutex mutex_;
  CondVar taken_{&mutex_};   // the reader took or dropped a block
  CondVar queued_{&mutex_};  // the writer queued a block
  std::deque<Pending> queue_ GUARDED_BY(mutex_);
  std::vector<std::unique_ptr<char[]>> free_ GUARDED_BY(mutex_);
  // The writer queued its last block.
  bool ended_ GUARDED_BY(mutex_) = false;
  bool abandoned_ GUARDED_BY(mutex_) = false;
  Pending current_;  // the reader's block, the reader's own
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_LINE_PIPE_H_
