#ifndef UNV2TESSAL_IO_MUTEX_H_
#define UNV2TESSAL_IO_MUTEX_H_

// The mutex of the system's threads, annotated for clang's thread-safety
// analysis (thread_annotations.h): libstdc++'s std::mutex is not, so a
// field GUARDED_BY a std::mutex would not be checked. Every lock of the
// system is one of these.

#include <condition_variable>
#include <mutex>

#include "io/thread_annotations.h"

namespace unv2tessal {

class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class CondVar;
  std::mutex mutex_;
};

/// Holds a Mutex for its lifetime.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex* mutex) ACQUIRE(mutex) : mutex_(mutex) {
    mutex_->lock();
  }
  ~MutexLock() RELEASE() { mutex_->unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex* const mutex_;
};

/// A condition variable of one Mutex. Its waits are loops on the guarded
/// condition in a function that holds the mutex (`while (!ready_)
/// changed_.wait();`), so that the analysis checks the condition's reads.
class CondVar {
 public:
  explicit CondVar(Mutex* mutex) : mutex_(mutex) {}
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  /// Releases the mutex, waits for a signal (or wakes without one) and
  /// holds the mutex again. REQUIRES: the mutex is held.
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_->mutex_, std::adopt_lock);
    changed_.wait(lock);
    lock.release();  // still held, by the caller's lock
  }
  void signal() { changed_.notify_one(); }
  void signalAll() { changed_.notify_all(); }

 private:
  Mutex* const mutex_;
  std::condition_variable changed_;
};

/// An event that happens once: wait() returns when notify() has been
/// called, by any thread, before or during the wait.
class Notification {
 public:
  void notify() EXCLUDES(mutex_) {
    {
      MutexLock lock(&mutex_);
      done_ = true;
    }
    changed_.signalAll();
  }
  void wait() EXCLUDES(mutex_) {
    MutexLock lock(&mutex_);
    while (!done_) changed_.wait();
  }

 private:
  Mutex mutex_;
  CondVar changed_{&mutex_};
  bool done_ GUARDED_BY(mutex_) = false;
};

}  // namespace unv2tessal

#endif  // UNV2TESSAL_IO_MUTEX_H_
