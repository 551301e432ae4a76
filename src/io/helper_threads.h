#ifndef UNV2TESSAL_IO_HELPER_THREADS_H_
#define UNV2TESSAL_IO_HELPER_THREADS_H_

// Every thread of the system starts here (docs/threads.md): as a
// HelperThread, a TaskThread, or inside ReadAhead and WriteBehind, which
// run on a HelperThread. None of them takes the console interrupts nor
// SIGTERM; those stay with the thread that runs the program.

#include <cstdint>
#include <functional>
#include <thread>

#include "io/mutex.h"
#include "io/thread_annotations.h"

namespace unv2tessal {

/// True when this process may run on more than one CPU (its affinity mask):
/// only then do reading and writing move to threads of their own. On one
/// CPU they would only take turns with the conversion.
bool helperThreadsPay();

/// A thread that runs `body` and is joined when the object ends (or is
/// assigned another): the owner's fields that the body uses outlive it
/// when they are declared before it. An empty one runs nothing.
class HelperThread {
 public:
  HelperThread() = default;
  explicit HelperThread(std::function<void()> body);
  HelperThread(HelperThread&&) noexcept = default;
  HelperThread& operator=(HelperThread&& other) noexcept;
  ~HelperThread() { join(); }

  /// Waits until the body has returned (at once for an empty one).
  void join();

 private:
  std::thread thread_;
};

/// A thread that runs one posted task at a time for the thread that owns
/// it; the owner waits for each task's end before it uses what the task
/// made, and the destructor waits for a task still running.
class TaskThread {
 public:
  TaskThread();
  ~TaskThread();
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  /// Starts `task`. REQUIRES: no task pending.
  void post(std::function<void()> task) EXCLUDES(mutex_);
  /// Waits until the task posted last has ended; a task that has not
  /// started yet (its thread had no CPU) is withdrawn instead, and the
  /// owner does its work itself. Returns whether the task ran and this
  /// call waited for it (false when no task is pending).
  bool wait() EXCLUDES(mutex_);
  /// A task was posted and not waited for.
  bool pending() const { return pending_; }

 private:
  void run() EXCLUDES(mutex_);

  Mutex mutex_;
  CondVar posted_{&mutex_};
  CondVar ended_{&mutex_};
  std::function<void()> task_ GUARDED_BY(mutex_);
  bool busy_ GUARDED_BY(mutex_) = false;     // a task is posted or running
  bool started_ GUARDED_BY(mutex_) = false;  // it is running
  bool stop_ GUARDED_BY(mutex_) = false;
  bool pending_ = false;  // the owner's view
  HelperThread thread_;   // last: started when the rest is made
};

/// Work of the helper threads, counted once a block, buffer, stretch or
/// pass (never once a record): the tests prove with these counts that the
/// threads ran where they should, and not where they should not.
enum class ThreadWork {
  kThreadStarted,           // any helper thread
  kBlockReadAhead,          // a block read by a ReadAhead thread and taken
  kBufferWrittenBehind,     // a buffer handed to a WriteBehind thread
  kRecordsConvertedBeside,  // records a BlockHelper's task converted, taken
  kPassBeside,              // unvprep's group passes on a thread of their own
};
void countThreadWork(ThreadWork work, std::uint64_t n = 1);

/// The counts of this process since it started or since the last reset.
struct ThreadCounts {
  std::uint64_t threadsStarted = 0;
  std::uint64_t blocksReadAhead = 0;
  std::uint64_t buffersWrittenBehind = 0;
  std::uint64_t recordsConvertedBeside = 0;
  std::uint64_t passesBeside = 0;
};
ThreadCounts threadCounts();
void resetThreadCounts();

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_HELPER_THREADS_H_
