#pragma once

#include "engine/far_root.h"
#include "engine/interfaces.h"
#include "engine/row_store.h"
#include "engine/run_meter.h"
#include "storage/working_data.h"
#include "ui/result_list/result_list_view.h"

#include <QString>

#include <functional>
#include <memory>

class QMenu;

namespace orvel::ui {

class CommandTable;
class CondiBar;
class CProgressDlg;
class IUserDialogs;
class ResultModel;
class ShellActions;

// The program's one view: the result list, and the owner of all working data
// (the condition set with its current index and the working set, the rows of
// the last run, the run flags — held by its WorkingData — and the progress
// dialog). Its command handlers call into the working data.
class COrvelView : public ResultListView {
  Q_OBJECT
 public:
  COrvelView(CondiBar& bar, CommandTable& commands, IUserDialogs& dialogs, QWidget* mainWindow,
             QWidget* parent = nullptr);
  ~COrvelView() override;

  // Loads the settings, or the condition file the document names, and shows the
  // current condition in the bar.
  void InitialUpdate(const QString& documentPath);
  // The condition file named on the command line, after the first initial
  // update; false (after the message) when it could not be loaded.
  bool LoadCommandLineFile(const QString& path);
  void SetAutoRun(bool on) { autoRun_ = on; }
  void SetExitAfterRun(bool on) { exitAfterRun_ = on; }
  // The working set into the settings.
  void SaveSettings();

  // Switches the current condition (posted after the list box's selection changed).
  void SelectCondition(int index);

  storage::WorkingData& Data() { return data_; }
  storage::ConditionState& State() { return data_.State(); }
  const engine::RunFlags& Flags() const { return data_.Flags(); }
  // From the start of a run or row command to its end, questions included.
  // Unlike Flags().busy, which a cancelled scan clears while its run goes on.
  bool Running() const { return runDepth_ > 0; }
  ResultModel& Results() { return *model_; }
  CProgressDlg& Progress() { return *progress_; }
  QMenu* ContextMenu() const { return contextMenu_; }

  // The commands, callable directly.
  void ListCreation();
  void SyncRun();
  void RunRowCommand(engine::Direction direction);
  void SaveConditions();
  void LoadConditions();

  // Called when a save or load should put a path into the recent-file list and
  // the document title into the caption.
  void SetDocumentHooks(std::function<void(const QString&)> addRecent, std::function<void(const QString&)> setTitle) {
    addRecent_ = std::move(addRecent);
    setTitle_ = std::move(setTitle);
  }

 Q_SIGNALS:
  // The sync run ended while the exit-after-run switch was set.
  void CloseRequested();
  // A run or row command has ended (Running() is false again).
  void RunFinished();
  // What a run or row command did (not sent when a question ended it unrun).
  void RunReported(const engine::RunSummary& summary);
  // Something the user should know that needs no answer (a file manager or a
  // tool that could not be started), for the status bar.
  void Notice(const QString& text);
  // Something the user should know of the run's file systems (the status bar,
  // beside the run's summary).
  void NoticeShown(const QString& text);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Prompt;
  class RunScope;
  class Selection;

  void RegisterCommands();
  void AddToggle(int id, int engine::ConditionFields::*field, bool tickWhenZero = false);
  void AddCheckBoxCommand(int id, int engine::ConditionFields::*field);
  // A run or row command with the busy cursor, its rows shown at the end.
  template <typename Run>
  void WithBusyCursor(Run&& run);
  // Loads a condition file as the current set; tells the user when it cannot.
  bool LoadFile(const QString& path);
  // Where the open and save dialogs start.
  QString FileDialogFolder() const;
  void SetBusyCursor(bool busy);
  bool FoldersTyped() const;
  bool OneIdleLineSelected() const;
  // The row menu at the current line (the Menu key, Shift+F10).
  void OpenContextMenuAtCurrentLine();
  // What a double click on the line at a display position does (also Enter).
  void DoubleClickAction(int item);

  CondiBar& bar_;
  CommandTable& commands_;
  IUserDialogs& dialogs_;
  QWidget* mainWindow_;
  std::unique_ptr<CProgressDlg> progress_;
  std::unique_ptr<Prompt> prompt_;
  // Folders on other machines; outlives the run data that uses it.
  std::unique_ptr<engine::IFarSides> far_;
  storage::WorkingData data_;
  std::unique_ptr<ResultModel> model_;
  std::unique_ptr<ShellActions> shell_;
  QMenu* contextMenu_ = nullptr;
  bool autoRun_ = false;
  bool exitAfterRun_ = false;
  bool busyCursor_ = false;
  int runDepth_ = 0;
  QString conditionFile_;  // the condition file loaded or saved last
  std::function<void(const QString&)> addRecent_;
  std::function<void(const QString&)> setTitle_;
};

}  // namespace orvel::ui
