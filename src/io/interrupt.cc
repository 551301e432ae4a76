#include "io/interrupt.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "io/failure.h"

namespace unv2tessal {
namespace {

// The only process-wide state: what a signal handler may touch.
std::atomic<const char*> gPending{nullptr};
// A pipe the handler writes one byte into, so that a wait for console input
// wakes up even when the signal arrives just before the wait begins.
int gWake[2] = {-1, -1};

extern "C" void onInterrupt(int sig) {
  const char* event = sig == SIGQUIT  ? "control-BREAK"
                      : sig == SIGHUP ? "window-CLOSE"
                                      : "control-C";
  gPending.store(event);
  if (gWake[1] >= 0) {
    const int saved = errno;
    [[maybe_unused]] const ssize_t put = ::write(gWake[1], "!", 1);
    errno = saved;
  }
}

}  // namespace

void installInterruptHandlers() {
  if (gWake[0] < 0 && ::pipe2(gWake, O_CLOEXEC | O_NONBLOCK) != 0) {
    gWake[0] = gWake[1] = -1;
  }
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a blocked read returns EINTR
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGQUIT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

void checkInterrupt() {
  const char* event = gPending.load(std::memory_order_relaxed);
  if (event != nullptr) {
    throw RunFailure(kReportInterrupt, 0, {}, event);
  }
}

void awaitInput(int fd) {
  for (;;) {
    checkInterrupt();
    if (gWake[0] < 0) return;
    pollfd fds[2] = {{fd, POLLIN, 0}, {gWake[0], POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno != EINTR) return;  // the read reports the error
    if (ready > 0 && fds[1].revents == 0) return;
    if (ready > 0) {
      char drained[64];
      while (::read(gWake[0], drained, sizeof drained) > 0) {
      }
    }
  }
}

}  // namespace unv2tessal
