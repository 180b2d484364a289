#pragma once

#include "engine/run_meter.h"
#include "ui/dialogs/elided_label.h"

#include <QMainWindow>

#include <functional>

class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;

namespace orvel::ui {

class CommandTable;
class CondiBar;
class COrvelView;
class FilterBar;
class IUserDialogs;

// The main window: menus, toolbar, the condition bar, the result list and the
// status bar. It remembers its placement and the list's column widths, and
// handles the commands on the condition bar itself (choosing and swapping the
// folders, clipboard commands in its edits).
class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(IUserDialogs& dialogs, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CommandTable& Commands() { return *commands_; }
  CondiBar& Bar() { return *bar_; }
  FilterBar& Filters() { return *filterBar_; }
  // The offer to show only the failed and conflicting lines (after such a run).
  QToolButton* ProblemsButton() const { return problemsButton_; }
  COrvelView& View() { return *view_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QLabel* FoundPane() const { return foundPane_; }
  // The idle prompt "ﾚﾃﾞｨ", or the reason of the current line when it failed.
  ElidedLabel* ReadyPane() const { return readyPane_; }

  // Restores "Settings/WindowPos" before the window is shown; a window closed
  // maximised opens maximised. Without one the window takes the size it asks
  // for (the condition bar and the list's first rows), within the screen.
  void RestorePlacement();
  // Writes "Settings/WindowPos" and "Settings/ListPos".
  void SavePlacement();

  // The recent-file entries of the file menu.
  void ShowRecentFiles(const QStringList& paths);
  void SetRecentFileHook(std::function<void(const QString&)> open) { openRecent_ = std::move(open); }
  // A file dropped on the window.
  void SetDropHook(std::function<void(const QString&)> open) { openDropped_ = std::move(open); }
  // Runs once the close has saved the window's own values.
  void SetClosingHook(std::function<void()> closing) { closing_ = std::move(closing); }

  // Refreshes the found counter " %u " (done whenever the event loop goes idle).
  void UpdateFoundPane();
  // What the last run did, in the status bar until the next command.
  void ShowSummary(const engine::RunSummary& summary);
  // A text in the status bar in place of the idle prompt until the next command
  // (empty: the idle prompt again), with the offer to show only the problems.
  void ShowStatusText(const QString& text, bool offerProblems);

  // Closes the program in order, as SIGTERM and SIGHUP ask: open questions and
  // dialogs are answered No or cancelled, a run in progress is cancelled and
  // the window closes once it has ended, through the normal close (which saves
  // the settings).
  void RequestTermination();

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildCommands();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void ChooseFolder(bool base);
  void RouteToEdit(int id);
  void ShowCurrentReason();
  void EndNestedLoops();
  void CloseIfTerminating();

  IUserDialogs& dialogs_;
  CommandTable* commands_;
  CondiBar* bar_ = nullptr;
  FilterBar* filterBar_ = nullptr;
  COrvelView* view_ = nullptr;
  QToolButton* problemsButton_ = nullptr;
  QString statusText_;
  bool problemsOffered_ = false;
  QToolBar* toolBar_ = nullptr;
  ElidedLabel* readyPane_ = nullptr;
  QString noticeText_;  // the notices the status bar shows
  bool noticeRunDone_ = false;
  QLabel* foundPane_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QAction* recentPlaceholder_ = nullptr;
  QAction* recentEnd_ = nullptr;
  QList<QAction*> recentActions_;
  std::function<void(const QString&)> openRecent_;
  std::function<void(const QString&)> openDropped_;
  std::function<void()> closing_;
  bool terminating_ = false;
  bool placementChecked_ = false;
  QTimer* terminationTimer_ = nullptr;
};

}  // namespace orvel::ui
