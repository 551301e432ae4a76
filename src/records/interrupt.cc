#include "records/interrupt.h"

#include <signal.h>

#include <atomic>

#include "records/failure.h"

namespace unv2tessal {
namespace {

// The only process-wide state: what a signal handler may touch.
std::atomic<const char*> gPending{nullptr};

extern "C" void onInterrupt(int sig) {
  const char* event = sig == SIGQUIT  ? "control-BREAK"
                      : sig == SIGHUP ? "window-CLOSE"
                                      : "control-C";
  gPending.store(event);
}

}  // namespace

void installInterruptHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a blocked read returns EINTR
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGQUIT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

const char* pendingInterrupt() { return gPending.load(); }

void setPendingInterrupt(const char* event) { gPending.store(event); }

void checkInterrupt() {
  const char* event = gPending.load(std::memory_order_relaxed);
  if (event != nullptr) {
    throw RunFailure(kReportInterrupt, 0, {}, event);
  }
}

}  // namespace unv2tessal
