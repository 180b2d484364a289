#include "ui/result_list/orvel_view.h"

#include "engine/sync_execution.h"
#include "remote/far_folder.h"
#include "storage/condition_file.h"
#include "storage/settings_store.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/main_window/condi_bar.h"
#include "ui/main_window/condition_commands.h"
#include "ui/dialogs/options_sheet.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/result_list/result_model.h"
#include "ui/startup/report_texts.h"
#include "ui/startup/own_askpass.h"
#include "ui/startup/run_texts.h"
#include "ui/shell/shell_actions.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/dialogs/version_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QTimer>

#include <malloc.h>

namespace orvel::ui {

// The engine's questions and messages as message boxes.
class COrvelView::Prompt : public engine::IPrompt {
 public:
  Prompt(IUserDialogs& dialogs, COrvelView& view) : dialogs_(dialogs), view_(view) {}
  void Message(engine::RunMessage message, const engine::MessageArgs& args) override {
    dialogs_.Message(Text(message, args));
  }
  bool Ask(engine::RunMessage question, const engine::MessageArgs& args) override {
    return dialogs_.AskYesNo(Text(question, args));
  }
  // What the file systems of the run cannot do goes to the status bar; it
  // never stops the run.
  void Notice(engine::RunMessage message, const engine::MessageArgs& args) override {
    switch (message) {
      case engine::RunMessage::FolderUnlockable:
      case engine::RunMessage::LockLocalOnly:
      case engine::RunMessage::TimeGranularity:
      case engine::RunMessage::MetadataSkipped:
      case engine::RunMessage::TemporaryUnproven:
        Q_EMIT view_.NoticeShown(Text(message, args));
        break;
      default:
        Message(message, args);
        break;
    }
  }
  // The question's own text first, then what the list on screen says the run will do.
  bool AskToSync(const engine::RunPlan* plan) override {
    QString text = Text(engine::RunMessage::ConfirmSync, {});
    if (plan) text += QStringLiteral("\n\n") + PlanText(*plan);
    return dialogs_.AskYesNo(text);
  }
  // One dialog, over the progress display that is up during the row command
  // (the main window is disabled then).
  engine::KeepVersion ChooseVersion(const engine::ConflictQuestion& question) override {
    QWidget* owner = view_.progress_->isVisible() ? static_cast<QWidget*>(view_.progress_.get()) : view_.mainWindow_;
    VersionDialog dialog(question, owner);
    const std::string tool = view_.data_.State().Working().ExePath1;
    if (!tool.empty() && ShellActions::CanCompare(question.basePath, question.targetPath)) {
      dialog.SetCompare([this, &question, tool] { view_.shell_->CompareFiles(question.basePath, question.targetPath, tool); });
    }
    dialogs_.Exec(dialog);
    return dialog.Choice();
  }
  std::string ReasonText(const engine::Reason& reason) override { return ui::ReasonText(reason).toStdString(); }

 private:
  static QString Text(engine::RunMessage message, const engine::MessageArgs& args) {
    return MessageText(message, args);
  }
  IUserDialogs& dialogs_;
  COrvelView& view_;
};

// The list's selected lines, taken when the row command starts.
class COrvelView::Selection : public engine::ISelection {
 public:
  explicit Selection(std::vector<int> items) : items_(std::move(items)) {}
  int NextSelected(int item) const override {
    for (int selected : items_) {
      if (selected > item) return selected;
    }
    return -1;
  }
  int SelectedCount() const override { return static_cast<int>(items_.size()); }

 private:
  std::vector<int> items_;
};

// Marks a run of the engine for Running(); the outermost one announces its end.
class COrvelView::RunScope {
 public:
  explicit RunScope(COrvelView& view) : view_(view) { ++view_.runDepth_; }
  ~RunScope() {
    if (--view_.runDepth_ == 0) Q_EMIT view_.RunFinished();
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  COrvelView& view_;
};

namespace {


QString FileTitle(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

COrvelView::COrvelView(CondiBar& bar, CommandTable& commands, IUserDialogs& dialogs, QWidget* mainWindow,
                       QWidget* parent)
    : ResultListView(parent),
      bar_(bar),
      commands_(commands),
      dialogs_(dialogs),
      mainWindow_(mainWindow),
      progress_(std::make_unique<CProgressDlg>(mainWindow)),
      prompt_(std::make_unique<Prompt>(dialogs, *this)),
      data_(*progress_, *prompt_, &bar),
      model_(std::make_unique<ResultModel>(data_.Rows())) {
  setObjectName(QStringLiteral("ResultList"));
  SetResultModel(model_.get());
  data_.SetList(*model_);
  // A folder written host:/path is reached through ssh (ORVEL_SSH names another
  // command); passwords and host keys are asked in this program's dialog.
  remote::SshSetup ssh = remote::SshSetupFrom({}, {});
  ssh.environment = AskpassEnvironment(HaveTerminal());
  far_ = std::make_unique<remote::SshFarSides>(std::move(ssh), ORVEL_VERSION);
  data_.SetFarSides(far_.get());
  shell_ = std::make_unique<ShellActions>(*model_, *progress_, mainWindow_,
                                          [this](const QString& text) { Q_EMIT Notice(text); });
  // Rows appended by a run become visible at each turn of the event loop.
  progress_->SetBeforeDrain([this] { model_->Flush(); });
  RegisterCommands();
}

COrvelView::~COrvelView() { SetBusyCursor(false); }

// ---- start-up and shut-down ----

void COrvelView::InitialUpdate(const QString& documentPath) {
  if (!documentPath.isEmpty()) {
    if (data_.LoadConditions(documentPath.toStdString())) conditionFile_ = documentPath;
  } else {
    QSettings settings;
    storage::LoadSettings(settings, data_.State());
    data_.State().FillConditionList();
    data_.State().ShowWorkingSet();
  }
}

bool COrvelView::LoadFile(const QString& path) {
  const storage::LoadResult result = data_.LoadConditions(path.toStdString());
  if (result) conditionFile_ = path;
  if (!result) {
    dialogs_.Message(result.error == storage::LoadError::TooLarge
                         ? QCoreApplication::translate("OrvelView", "条件ファイルが大きすぎるため読み込めません\n%1").arg(path)
                         : QCoreApplication::translate("OrvelView", "指定された条件ファイルが見つかりません"));
  }
  return static_cast<bool>(result);
}

bool COrvelView::LoadCommandLineFile(const QString& path) { return LoadFile(path); }

void COrvelView::SaveSettings() {
  QSettings settings;
  storage::SaveSettings(settings, data_.State().Working());
}

void COrvelView::SelectCondition(int index) { data_.SelectCondition(index); }

// ---- runs ----

void COrvelView::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

template <typename Run>
void COrvelView::WithBusyCursor(Run&& run) {
  RunScope scope(*this);
  SetBusyCursor(true);
  run();
  model_->Flush();
  SetBusyCursor(false);
  // The scan's indexes are gone; give their pages back instead of keeping them
  // for a next run that may never come.
  malloc_trim(0);
}

void COrvelView::ListCreation() {
  WithBusyCursor([this] { data_.ListCreation(); });
  Q_EMIT RunReported(data_.LastSummary());
}

void COrvelView::SyncRun() {
  bool ran = false;
  WithBusyCursor([this, &ran] { ran = data_.SyncRun(!autoRun_).has_value(); });
  if (ran) Q_EMIT RunReported(data_.LastSummary());
  if (exitAfterRun_) {
    // Posted, so the close happens after this command has returned.
    QTimer::singleShot(0, this, [this] { Q_EMIT CloseRequested(); });
  }
}

void COrvelView::RunRowCommand(engine::Direction direction) {
  const Selection selection(SelectedItems());
  engine::RowLoopOutcome outcome = engine::RowLoopOutcome::Declined;
  WithBusyCursor([&] { outcome = data_.RowCommand(direction, selection); });
  if (outcome != engine::RowLoopOutcome::Declined) Q_EMIT RunReported(data_.LastSummary());
}

// ---- condition files ----

void COrvelView::SaveConditions() {
  data_.State().TakeAndStore();
  std::optional<QString> path = dialogs_.SaveFileName(FileDialogFolder());
  if (!path) return;
  const storage::SaveResult result = data_.SaveConditions(path->toStdString());
  switch (result.error) {
    case storage::SaveError::None:
      break;
    case storage::SaveError::LineBreakInValue:
      dialogs_.Message(
          QCoreApplication::translate("OrvelView", "条件「%1」のフォルダ名または拡張子に改行が含まれているため、保存できません")
                           .arg(QString::fromStdString(result.detail)));
      return;
    case storage::SaveError::WriteFailed:
      dialogs_.Message(QCoreApplication::translate("OrvelView", "条件ファイルを保存できません\n%1\n%2")
                           .arg(*path, QString::fromStdString(result.detail)));
      return;
  }
  conditionFile_ = *path;
  if (addRecent_) addRecent_(*path);
  if (setTitle_) setTitle_(FileTitle(*path));
}

QString COrvelView::FileDialogFolder() const {
  // The folder of the condition file in use, else home.
  if (!conditionFile_.isEmpty()) {
    const QString folder = QFileInfo(conditionFile_).absolutePath();
    if (QFileInfo(folder).isDir()) return folder;
  }
  return QDir::homePath();
}

void COrvelView::LoadConditions() {
  std::optional<QString> path = dialogs_.OpenFileName(FileDialogFolder());
  if (!path) return;
  // A file that cannot be read leaves the set, the title and the recent files
  // as they were, and says so.
  if (!LoadFile(*path)) return;
  if (addRecent_) addRecent_(*path);
  if (setTitle_) setTitle_(FileTitle(*path));
}

// ---- commands ----

bool COrvelView::FoldersTyped() const {
  return !bar_.BaseEdit()->text().isEmpty() && !bar_.TargetEdit()->text().isEmpty();
}

bool COrvelView::OneIdleLineSelected() const {
  return !data_.Busy() && selectionModel() && selectionModel()->selectedRows().size() == 1;
}

void COrvelView::AddToggle(int id, int engine::ConditionFields::*field, bool tickWhenZero) {
  commands_.SetHandler(id, [this, id, field] {
    data_.ToggleOption(field);
    // The extension toggles are also the bar's check boxes.
    if (id == cmd::kIncludeExt) bar_.ExtCheck()->setChecked(data_.State().Working().*field != 0);
    if (id == cmd::kExcludeExt) bar_.NoExtCheck()->setChecked(data_.State().Working().*field != 0);
  });
  commands_.SetUpdate(id, [this, field, tickWhenZero](QAction& action) {
    const bool on = (data_.State().Working().*field != 0) != tickWhenZero;
    if (action.isChecked() != on) action.setChecked(on);
  });
}

void COrvelView::AddCheckBoxCommand(int id, int engine::ConditionFields::*field) {
  QCheckBox* box = id == cmd::kCheckExt ? bar_.ExtCheck() : bar_.NoExtCheck();
  commands_.SetHandler(id, [this, box, field] { data_.SetOption(field, box->isChecked() ? 1 : 0); });
}

void COrvelView::RegisterCommands() {
  using storage::WorkingSet;
  auto foldersTyped = [this](QAction& action) { action.setEnabled(FoldersTyped()); };
  commands_.SetHandler(cmd::kListCreation, [this] { ListCreation(); });
  commands_.SetUpdate(cmd::kListCreation, foldersTyped);
  commands_.SetHandler(cmd::kSyncRun, [this] { SyncRun(); });
  commands_.SetUpdate(cmd::kSyncRun, foldersTyped);
  commands_.SetHandler(cmd::kUpdateSelected, [this] { RunRowCommand(engine::Direction::AsMarked); });
  commands_.SetHandler(cmd::kForceBase, [this] { RunRowCommand(engine::Direction::ForceBase); });
  commands_.SetHandler(cmd::kForceTarget, [this] { RunRowCommand(engine::Direction::ForceTarget); });
  commands_.SetHandler(cmd::kSaveConditions, [this] { SaveConditions(); });
  commands_.SetHandler(cmd::kLoadConditions, [this] { LoadConditions(); });
  commands_.SetHandler(cmd::kFileOpen, [this] { LoadConditions(); });

  commands_.SetHandler(cmd::kOptions, [this] { OptionsCommand(data_.State(), dialogs_, mainWindow_); });
  commands_.SetHandler(cmd::kNewCondition, [this] { NewConditionCommand(data_, dialogs_, mainWindow_); });
  commands_.SetHandler(cmd::kRenameCondition, [this] { RenameConditionCommand(data_, dialogs_, mainWindow_); });
  commands_.SetHandler(cmd::kDeleteCondition, [this] { data_.DeleteCondition(); });

  commands_.SetHandler(cmd::kProperties, [this] { shell_->Properties(SelectedItems()); });
  commands_.SetHandler(cmd::kFindBase, [this] { shell_->FindBase(SelectedItems()); });
  commands_.SetHandler(cmd::kFindTarget, [this] { shell_->FindTarget(SelectedItems()); });
  commands_.SetHandler(cmd::kExternalTool,
                       [this] { shell_->ExternalTool(SelectedItems(), data_.State().Working().ExePath1); });
  auto oneIdleLine = [this](QAction& action) { action.setEnabled(OneIdleLineSelected()); };
  for (int id : {cmd::kProperties, cmd::kFindBase, cmd::kFindTarget}) commands_.SetUpdate(id, oneIdleLine);
  commands_.SetUpdate(cmd::kExternalTool, [this](QAction& action) {
    const WorkingSet& w = data_.State().Working();
    const bool set = !w.ExeName1.empty() && !w.ExePath1.empty();
    action.setEnabled(set);
    if (set) action.setText(QString::fromStdString(w.ExeName1));
  });

  AddToggle(cmd::kComplete, &WorkingSet::Complete);
  AddToggle(cmd::kDeleteTrash, &WorkingSet::DeleteTrash);
  AddToggle(cmd::kSubFolder, &WorkingSet::SubFolder);
  AddToggle(cmd::kSameDisp, &WorkingSet::SameDisp, /*tickWhenZero=*/true);
  AddToggle(cmd::kEmptyFolder, &WorkingSet::EmptyFolder);
  AddToggle(cmd::kRecyclerFolder, &WorkingSet::RecyclerFolder);
  AddToggle(cmd::kIncludeExt, &WorkingSet::ChkExt);
  AddToggle(cmd::kExcludeExt, &WorkingSet::ChkNoExt);
  AddCheckBoxCommand(cmd::kCheckExt, &WorkingSet::ChkExt);
  AddCheckBoxCommand(cmd::kCheckNoExt, &WorkingSet::ChkNoExt);

  // The context menu: the row commands under their short names.
  contextMenu_ = new QMenu(this);
  contextMenu_->setObjectName(QStringLiteral("OrvelPopup"));
  contextMenu_->addAction(commands_.AddAlias(cmd::kUpdateSelected, QCoreApplication::translate("OrvelView", "更新(&X)")));
  contextMenu_->addAction(commands_.AddAlias(cmd::kProperties, QCoreApplication::translate("OrvelView", "プロパティ(&R)")));
  contextMenu_->addAction(commands_.AddAlias(cmd::kExternalTool, QCoreApplication::translate("OrvelView", "外部ツール")));
  contextMenu_->addAction(commands_.AddAlias(cmd::kFindBase, QCoreApplication::translate("OrvelView", "基本ファイルを探す(&K)")));
  contextMenu_->addAction(commands_.AddAlias(cmd::kFindTarget, QCoreApplication::translate("OrvelView", "対照ファイルを探す(&T)")));
  contextMenu_->addAction(commands_.AddAlias(cmd::kForceBase, QCoreApplication::translate("OrvelView", "強制基本コピー(&1)...")));
  contextMenu_->addAction(commands_.AddAlias(cmd::kForceTarget, QCoreApplication::translate("OrvelView", "強制対象コピー(&2)...")));
  contextMenu_->addSeparator();
  contextMenu_->addAction(commands_.AddAlias(cmd::kPopupCancel, QCoreApplication::translate("OrvelView", "キャンセル(&C)")));
  connect(contextMenu_, &QMenu::aboutToShow, &commands_, &CommandTable::UpdateAll);
}

void COrvelView::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Keyboard) {
    OpenContextMenuAtCurrentLine();
    return;
  }
  if (model_->ItemCount() == 0) return;
  contextMenu_->exec(QCursor::pos());
}

void COrvelView::OpenContextMenuAtCurrentLine() {
  if (model_->ItemCount() == 0) return;
  // From the keyboard the menu opens at the current line (the first one when
  // there is none), never wherever the mouse pointer happens to be.
  QModelIndex current = currentIndex();
  if (!current.isValid() && model_->rowCount() > 0) current = model_->index(0, 0);
  QPoint at(viewport()->width() / 4, 0);
  if (current.isValid()) {
    scrollTo(current);
    const QRect line = LineRect(current.row());
    at = QPoint(std::min(line.left() + columnWidth(ResultModel::kName) / 2, line.right()), line.bottom());
  }
  contextMenu_->exec(viewport()->mapToGlobal(at));
}

void COrvelView::DoubleClickAction(int item) {
  switch (data_.State().Working().DblClk) {
    case 0: {
      // At once: no question, no progress window (unless a root folder is busy).
      {
        RunScope scope(*this);
        data_.UpdateRow(item);
      }
      Q_EMIT RunReported(data_.LastSummary());
      break;
    }
    case 1:
      QTimer::singleShot(0, this, [this] { commands_.Execute(cmd::kProperties); });
      break;
    case 2:
      QTimer::singleShot(0, this, [this] { commands_.Execute(cmd::kExternalTool); });
      break;
    default:
      break;
  }
}

// The list copies nothing itself: Ctrl+C is the main window's clipboard
// command, which acts on the condition bar's edits only.
bool COrvelView::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    event->ignore();
    return false;
  }
  return ResultListView::event(event);
}

void COrvelView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    event->ignore();
    return;
  }
  const QKeyCombination key = event->keyCombination();
  if (key == QKeyCombination(Qt::ShiftModifier, Qt::Key_F10) || key.key() == Qt::Key_Menu) {
    OpenContextMenuAtCurrentLine();
    return;
  }
  // Enter does what a double click on the current line does.
  if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
      (key.keyboardModifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    const int item = CurrentItem();
    if (item >= 0 && !Running()) {
      // The posted commands act on the selection: it is the current line.
      if (!selectionModel()->isRowSelected(currentIndex().row(), QModelIndex())) {
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      }
      DoubleClickAction(item);
    }
    return;
  }
  ResultListView::keyPressEvent(event);
}

void COrvelView::mouseDoubleClickEvent(QMouseEvent* event) {
  ResultListView::mouseDoubleClickEvent(event);
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (!hit.isValid()) return;
  DoubleClickAction(model_->PositionOf(hit.row()));
}

}  // namespace orvel::ui
