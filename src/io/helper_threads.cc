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

}  // namespace unv2tessal
