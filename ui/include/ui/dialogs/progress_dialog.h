#pragma once

#include "engine/interfaces.h"

#include <QDialog>
#include <QPointer>

#include <chrono>
#include <optional>
#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvel::ui {

// The modeless dialog of every long operation: caption, status line, condition
// bar with the condition's name, the path being worked on, the percent bar with
// its text, and Cancel. The operation runs on the UI thread and calls in between
// its steps; SetBarPos and PollCancel let the event loop turn (at most every
// ~20 ms), so the windows repaint and a press on Cancel is recorded.
class CProgressDlg : public QDialog, public engine::IProgress {
  Q_OBJECT
 public:
  // `mainWindow` is the window disabled while the dialog is shown (the "safe
  // owner" when CreateModeless is given none). captionText defaults to "同期実行中...".
  // The dialog is a top-level window of its own, kept above the owner but not
  // its child (a child would be disabled along with it), so whoever creates it
  // also deletes it.
  explicit CProgressDlg(QWidget* mainWindow, QString captionText = QString());
  ~CProgressDlg() override;

  // Disables the owner (when it is enabled) and shows the dialog; false when it
  // could not be shown (the owner is then enabled again).
  bool CreateModeless(QWidget* owner = nullptr);
  // Hides the dialog and enables the owner again if CreateModeless disabled it.
  void DestroyWindow();

  // engine::IProgress
  void Open() override { CreateModeless(nullptr); }
  void Close() override { DestroyWindow(); }
  void ShowStatus(engine::RunStatus status) override;
  void SetBarRange(int lower, int upper) override;
  void SetBarStep(int step) override;
  void SetBarPos(int position) override;
  bool PollCancel() override;
  void ShowCondition(int count, int position, std::string_view name) override;
  void ShowPath(std::string_view path) override;
  // The figures beside the bar: rows done and found, files and bytes copied,
  // the speed and the time left, shown at most a few times a second.
  void WatchRun(const engine::RunMeter* meter) override;
  // Only while shown (a hidden dialog disables nothing, so a turn then could
  // start another command in the middle of this one), and only once the
  // operation has had its first turn: a run that ends at once turns nowhere.
  void Pulse() override {
    if (isVisible() && gapStarted_) DrainMessages();
  }

  // Called before each turn of the event loop, e.g. to let the list show rows
  // appended since the last turn.
  void SetBeforeDrain(std::function<void()> hook) { beforeDrain_ = std::move(hook); }
  // The longest time between two turns of the event loop while the dialog was
  // shown, since the last CreateModeless.
  std::chrono::milliseconds LongestGap() const { return longestGap_; }

 protected:
  void reject() override;  // Esc: a cancel request; the dialog stays
  void accept() override;  // OK does nothing
  void closeEvent(QCloseEvent* event) override;

 private:
  void DrainMessages();
  void ShowPercent(int position);

  using Clock = std::chrono::steady_clock;

  void BuildControls();
  void ResetControls();
  void ApplyPendingPath();
  void ShowFigures(Clock::time_point now);

  QPointer<QWidget> mainWindow_;
  QPointer<QWidget> disabledOwner_;

  QLabel* conditionName_ = nullptr;       // 1049
  QProgressBar* conditionBar_ = nullptr;  // 1048
  QLabel* status_ = nullptr;              // 1005
  QLabel* path_ = nullptr;                // 1040
  QLabel* figures_ = nullptr;             // rows, files, bytes, speed, time left
  QLabel* percent_ = nullptr;             // 1004
  QProgressBar* percentBar_ = nullptr;    // 1003
  QPushButton* cancel_ = nullptr;         // 2

  int lower_ = 0;
  int upper_ = 100;
  int step_ = 10;
  bool cancelRequested_ = false;

  // What the controls show, so that an unchanged value costs no widget call.
  int shownPosition_ = 0;
  int shownPercent_ = 0;
  bool percentShown_ = false;  // false while the label still shows " 0 %"

  // The path line follows every file; only the latest text is kept and shown at
  // the next turn of the event loop.
  std::string pendingPath_;
  bool pathPending_ = false;

  const engine::RunMeter* meter_ = nullptr;
  // The share of the work done by the figures, where bytes outweigh entries:
  // the bar shows it in place of the operation's positions.
  std::optional<double> workDone_;
  Clock::time_point nextFigures_{};

  std::function<void()> beforeDrain_;
  bool drainNow_ = true;     // the first drain after CreateModeless does not wait
  bool gapStarted_ = false;  // the last drain happened while the dialog was shown
  Clock::time_point lastDrain_{};
  Clock::time_point nextHook_{};  // the before-drain hook waits until then
  std::chrono::milliseconds longestGap_{0};
};

}  // namespace orvel::ui
