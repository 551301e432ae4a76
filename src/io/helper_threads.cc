#include "io/helper_threads.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <array>
#include <atomic>
#include <utility>

namespace unv2tessal {
namespace {

std::array<std::atomic<std::uint64_t>, 5> gWork{};

}  // namespace

bool helperThreadsPay() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return false;
  return CPU_COUNT(&set) > 1;
}

HelperThread::HelperThread(std::function<void()> body) {
  // The new thread inherits the signal mask of the thread that starts it.
  sigset_t blocked, saved;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGQUIT);
  sigaddset(&blocked, SIGHUP);
  sigaddset(&blocked, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &blocked, &saved);
  try {
    thread_ = std::thread(std::move(body));
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    throw;
  }
  ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  countThreadWork(ThreadWork::kThreadStarted);
}

HelperThread& HelperThread::operator=(HelperThread&& other) noexcept {
  join();
  thread_ = std::move(other.thread_);
  return *this;
}

void HelperThread::join() {
  if (thread_.joinable()) thread_.join();
}

TaskThread::TaskThread() : thread_([this] { run(); }) {}

TaskThread::~TaskThread() {
  wait();
  {
    MutexLock lock(&mutex_);
    stop_ = true;
  }
  posted_.signal();
  thread_.join();
}

void TaskThread::post(std::function<void()> task) {
  {
    MutexLock lock(&mutex_);
    task_ = std::move(task);
    busy_ = true;
  }
  pending_ = true;
  posted_.signal();
}

bool TaskThread::wait() {
  if (!pending_) return false;
  pending_ = false;
  MutexLock lock(&mutex_);
  if (busy_ && !started_) {
    busy_ = false;
    task_ = nullptr;
    return false;
  }
  while (busy_) ended_.wait();
  return true;
}

void TaskThread::run() {
  for (;;) {
    std::function<void()> task;
    {
      MutexLock lock(&mutex_);
      while (!stop_ && !busy_) posted_.wait();
      if (!busy_) return;
      task = std::move(task_);
      started_ = true;
    }
    task();
    {
      MutexLock lock(&mutex_);
      busy_ = false;
      started_ = false;
    }
    ended_.signal();
  }
}

void countThreadWork(ThreadWork work, std::uint64_t n) {
  gWork[static_cast<std::size_t>(work)].fetch_add(n, std::memory_order_relaxed);
}

ThreadCounts threadCounts() {
  const auto get = [](ThreadWork w) {
    return gWork[static_cast<std::size_t>(w)].load(std::memory_order_relaxed);
  };
  return {get(ThreadWork::kThreadStarted), get(ThreadWork::kBlockReadAhead),
          get(ThreadWork::kBufferWrittenBehind),
          get(ThreadWork::kRecordsConvertedBeside),
          get(ThreadWork::kPassBeside)};
}

void resetThreadCounts() {
  for (auto& n : gWork) n.store(0, std::memory_order_relaxed);
}

}  // namespace unv2tessal
