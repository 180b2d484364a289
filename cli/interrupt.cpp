#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace orvel::cli {

namespace {

// Lock-free atomics are safe to touch from a signal handler.
std::atomic<bool> pending{false};
std::atomic<bool> seen{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
  pending.store(true);
  seen.store(true);
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read of an answer returns with EINTR, so a Ctrl+C
  // during a question is not swallowed.
  action.sa_flags = SA_RESETHAND;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool TakeInterrupt() { return pending.exchange(false); }

bool WasInterrupted() { return seen.load(); }

}  // namespace orvel::cli
