#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace orvel::ui {

// SIGTERM and SIGHUP as a Qt signal. The handler only writes the signal's
// number into a pipe; a socket notifier reads it in the event loop, where
// closing the program in order is safe. One instance at a time; the handlers
// that were there before come back when it goes.
class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // False when the pipe could not be made or another instance holds the handlers.
  bool Installed() const { return notifier_ != nullptr; }

 Q_SIGNALS:
  void Received(int signalNumber);

 private:
  void Drain();

  int readFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  struct sigaction oldTerm_ {};
  struct sigaction oldHup_ {};
};

}  // namespace orvel::ui
