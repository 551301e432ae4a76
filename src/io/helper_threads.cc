#include "io/helper_threads.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <utility>

namespace unv2tessal {

bool helperThreadsPay() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return false;
  return CPU_COUNT(&set) > 1;
}

std::thread startHelperThread(std::function<void()> body) {
  // The new thread inherits the signal mask of the thread that starts it.
  sigset_t blocked, saved;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGQUIT);
  sigaddset(&blocked, SIGHUP);
  sigaddset(&blocked, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &blocked, &saved);
  try {
    std::thread t(std::move(body));
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return t;
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    throw;
  }
}

TaskThread::TaskThread() {
  thread_ = startHelperThread([this] { run(); });
}

TaskThread::~TaskThread() {
  wait();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  posted_.notify_one();
  thread_.join();
}

void TaskThread::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = std::move(task);
    busy_ = true;
  }
  pending_ = true;
  posted_.notify_one();
}

bool TaskThread::wait() {
  if (!pending_) return false;
  pending_ = false;
  std::unique_lock<std::mutex> lock(mutex_);
  if (busy_ && !started_) {
    busy_ = false;
    task_ = nullptr;
    return false;
  }
  ended_.wait(lock, [this] { return !busy_; });
  return true;
}

void TaskThread::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    posted_.wait(lock, [this] { return stop_ || busy_; });
    if (busy_) {
      std::function<void()> task = std::move(task_);
      started_ = true;
      lock.unlock();
      task();
      lock.lock();
      busy_ = false;
      started_ = false;
      ended_.notify_one();
      continue;
    }
    return;
  }
}

}  // namespace unv2tessal
