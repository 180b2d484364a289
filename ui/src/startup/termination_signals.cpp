#include "ui/startup/termination_signals.h"

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace orvel::ui {
namespace {

// The write end, for the handler; -1 while no instance is installed.
volatile sig_atomic_t g_writeFd = -1;

void OnSignal(int number) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(number);
  // Non-blocking: a full pipe already holds a request, so a lost byte loses nothing.
  if (::write(g_writeFd, &byte, 1) < 0) {
  }
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (g_writeFd != -1) return;
  int fds[2];
  // Close-on-exec: programs started from the window must not inherit the pipe.
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readFd_ = fds[0];
  g_writeFd = fds[1];

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, &oldTerm_);
  ::sigaction(SIGHUP, &action, &oldHup_);

  notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  ::sigaction(SIGTERM, &oldTerm_, nullptr);
  ::sigaction(SIGHUP, &oldHup_, nullptr);
  const int writeFd = g_writeFd;
  g_writeFd = -1;
  delete notifier_;
  ::close(writeFd);
  ::close(readFd_);
}

void TerminationSignals::Drain() {
  // Every byte that came is read, so the notifier does not fire again for them;
  // one request is enough however many signals arrived.
  unsigned char bytes[64];
  int first = 0;
  for (;;) {
    const ssize_t n = ::read(readFd_, bytes, sizeof bytes);
    if (n > 0) {
      if (first == 0) first = bytes[0];
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  if (first != 0) Q_EMIT Received(first);
}

}  // namespace orvel::ui
