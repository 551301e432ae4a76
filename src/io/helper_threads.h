#ifndef UNV2TESSAL_IO_HELPER_THREADS_H_
#define UNV2TESSAL_IO_HELPER_THREADS_H_

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace unv2tessal {

/// True when this process may run on more than one CPU (its affinity mask):
/// only then do reading and writing move to threads of their own. On one
/// CPU they would only take turns with the conversion.
bool helperThreadsPay();

/// Starts `body` on a new thread that never takes the console interrupts
/// nor SIGTERM: they stay with the thread that runs the conversion, which
/// acts on them (and, in the programs of ours, removes their unfinished
/// outputs).
std::thread startHelperThread(std::function<void()> body);

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
  void post(std::function<void()> task);
  /// Waits until the task posted last has ended; a task that has not
  /// started yet (its thread had no CPU) is withdrawn instead, and the
  /// owner does its work itself. Returns whether the task ran.
  bool wait();
  /// A task was posted and not waited for.
  bool pending() const { return pending_; }

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable posted_;
  std::condition_variable ended_;
  std::function<void()> task_;
  bool busy_ = false;     // a task is posted or running (under mutex_)
  bool started_ = false;  // it is running (under mutex_)
  bool stop_ = false;
  bool pending_ = false;  // the owner's view
  std::thread thread_;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_HELPER_THREADS_H_
