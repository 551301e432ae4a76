#ifndef UNV2TESSAL_IO_READ_AHEAD_H_
#define UNV2TESSAL_IO_READ_AHEAD_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "io/helper_threads.h"
#include "io/mutex.h"

namespace unv2tessal {

/// Where a LineReader takes its text in blocks of whole lines: a file read
/// ahead (ReadAhead), or a pipe between two threads of the program
/// (LinePipe).
class BlockSource {
 public:
  /// One block as the consumer sees it.
  struct Block {
    const char* data = nullptr;  // whole lines, the last one ending in LF
                                 // unless `eof` or `error` is set
    std::size_t size = 0;
    const char* longLine = nullptr;  // when set: `keep` bytes of a long
                                     // line that comes before `data`
    bool eof = false;                // the text ends after `data`
    int error = 0;                   // errno of a read that failed after `data`
  };

  virtual ~BlockSource() = default;

  /// Hands back the block returned last (its bytes may be reused) and waits
  /// for the next one. REQUIRES: no block with `eof` or `error` was
  /// returned yet.
  virtual Block next() = 0;
};

/// Reads a file on a thread of its own, a block ahead of the thread that
/// takes its lines, so that the kernel's copy into the blocks is off that
/// thread. Each block holds whole lines: the end of a line cut by a block's
/// end is carried to the front of the next block. A line of `capacity`
/// bytes or more is handed over as its first `keep` bytes (the rest of it
/// is read and dropped), exactly as LineReader keeps it.
///
/// Two blocks: the one its reader holds and the one being filled. Taking a
/// block hands back the one taken before, whose bytes are then refilled:
/// LineReader takes the next block only when no task reads the one it
/// holds (LineReader::lendRestOfBlock).
class ReadAhead final : public BlockSource {
 public:
  static constexpr std::size_t kBlocks = 2;

  ReadAhead(int fd, std::size_t capacity, std::size_t keep);
  ~ReadAhead() override;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  Block next() override EXCLUDES(mutex_);

 private:
  struct Slot {
    std::unique_ptr<char[]> bytes;
    std::unique_ptr<char[]> longLine;
    std::size_t size = 0;
    bool hasLongLine = false;
    bool eof = false;
    int error = 0;
  };

  void run() EXCLUDES(mutex_);
  // Reads into s from s.size until it is full, at end of file or an error.
  void fill(Slot& s);
  // The slot holds the first `capacity_` bytes of one line: keeps `keep_`
  // of them and reads up to its LF; what follows the LF is left at
  // s.bytes[carryFrom, s.size).
  void skipLongLine(Slot& s, std::size_t* carryFrom);

  const int fd_;
  const std::size_t capacity_;
  const std::size_t keep_;
  // Slot k % kBlocks belongs to the thread from the moment block k - 2 is
  // handed back until it has filled it (produced_ > k), then to the
  // consumer until it takes block k + 1.
  Slot slots_[kBlocks];
  Mutex mutex_;
  CondVar filled_{&mutex_};
  CondVar emptied_{&mutex_};
  std::uint64_t produced_ GUARDED_BY(mutex_) = 0;  // blocks ready
  std::uint64_t taken_ GUARDED_BY(mutex_) = 0;     // blocks handed out
  bool stop_ GUARDED_BY(mutex_) = false;
  HelperThread thread_;  // last: started when the rest is made
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_READ_AHEAD_H_
