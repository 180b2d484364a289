#include "ui/main_window/main_frame.h"

#include "ui/dialogs/about_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/filter_bar.h"
#include "ui/startup/report_texts.h"
#include "ui/main_window/condi_bar.h"
#include "ui/dialogs/elided_label.h"
#include "ui/dialogs/legend_dialog.h"
#include "ui/result_list/orvel_view.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/result_list/result_model.h"
#include "ui/main_window/string_table.h"
#include "ui/main_window/toolbar_icons.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/main_window/window_placement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvel::ui {
namespace {

const QString kWindowPos = QStringLiteral("Settings/WindowPos");
const QString kListPos = QStringLiteral("Settings/ListPos");

// The texts of the tables below, marked for translation where they stand.
QString Tr(const char* text) { return QCoreApplication::translate("MainFrame", text); }
QString IdlePrompt() { return QCoreApplication::translate("MainFrame", "ﾚﾃﾞｨ"); }
// How often a termination repeats its cancel while the run goes on.
constexpr int kTerminationRetryMs = 10;

}  // namespace

CMainFrame::CMainFrame(IUserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), commands_(new CommandTable(this)) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(QStringLiteral("Orvel"));
  BuildCommands();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  bar_ = new CondiBar(central);
  filterBar_ = new FilterBar(central);
  view_ = new COrvelView(*bar_, *commands_, dialogs_, this, central);
  layout->addWidget(bar_);
  layout->addWidget(filterBar_);
  layout->addWidget(view_, 1);
  setCentralWidget(central);

  BuildMenus();
  BuildToolBar();
  BuildStatusBar();

  QSettings settings;
  view_->ApplyColumnWidths(settings.value(kListPos).toString());

  connect(bar_, &CondiBar::CommandRequested, commands_, [this](int id) { commands_->Execute(id); });
  // The view switches the condition after the list box has finished its own handling.
  connect(bar_, &CondiBar::ConditionLineChosen, view_, &COrvelView::SelectCondition, Qt::QueuedConnection);
  connect(view_, &COrvelView::CloseRequested, this, &QWidget::close, Qt::QueuedConnection);
  // Filters hide lines of the list; the commands act on the lines that show.
  connect(filterBar_, &FilterBar::FilterChanged, view_, &COrvelView::ApplyFilter);
  connect(filterBar_, &FilterBar::Closed, view_, [this] { view_->setFocus(); });
  // What a run did stays in the status bar until the next command.
  connect(view_, &COrvelView::RunReported, this, &CMainFrame::ShowSummary);
  connect(view_, &COrvelView::Notice, this, [this](const QString& text) { ShowStatusText(text, false); });
  connect(commands_, &CommandTable::Executing, this, [this](int id) {
    if (id != cmd::kShowProblems && id != cmd::kFilterBar && id != cmd::kViewStatusBar) ShowStatusText({}, false);
  });
  bar_->SetToolbarCheckHook([this](const storage::WorkingSet& w) {
    const std::pair<int, bool> ticks[] = {{cmd::kComplete, w.Complete != 0},         {cmd::kDeleteTrash, w.DeleteTrash != 0},
                                          {cmd::kSubFolder, w.SubFolder != 0},       {cmd::kRecyclerFolder, w.RecyclerFolder != 0},
                                          {cmd::kEmptyFolder, w.EmptyFolder != 0},   {cmd::kSameDisp, w.SameDisp == 0}};
    for (const auto& [id, on] : ticks) {
      if (QAction* action = commands_->Action(id)) action->setChecked(on);
    }
  });
  connect(commands_, &CommandTable::Updated, this, &CMainFrame::UpdateFoundPane);

  // The status bar gives the reason of the current line while it shows "?".
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this, &CMainFrame::ShowCurrentReason);
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMainFrame::ShowCurrentReason);
  connect(&view_->Results(), &QAbstractItemModel::dataChanged, this, &CMainFrame::ShowCurrentReason);
  connect(&view_->Results(), &QAbstractItemModel::modelReset, this, &CMainFrame::ShowCurrentReason);

  terminationTimer_ = new QTimer(this);
  terminationTimer_->setInterval(kTerminationRetryMs);
  connect(terminationTimer_, &QTimer::timeout, this, [this] {
    if (!view_->Running()) {
      terminationTimer_->stop();
      return;
    }
    // A list creation goes on with its next condition after a cancel, and a
    // next question may come up: cancel and answer No until the run has ended.
    EndNestedLoops();
    view_->Progress().close();
  });
  // Queued: the command that ran has returned before the window goes.
  connect(view_, &COrvelView::RunFinished, this, &CMainFrame::CloseIfTerminating, Qt::QueuedConnection);
  // The notices of one run stand side by side until the next run says something.
  connect(view_, &COrvelView::NoticeShown, this, [this](const QString& text) {
    if (!view_->Running() || noticeRunDone_) noticeText_.clear();
    noticeRunDone_ = false;
    if (!noticeText_.isEmpty()) noticeText_ += QStringLiteral("  ");
    noticeText_ += QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    ShowStatusText(noticeText_, false);
  });
  connect(view_, &COrvelView::RunFinished, this, [this] { noticeRunDone_ = true; });
  setAcceptDrops(true);
  view_->setFocus();
}

CMainFrame::~CMainFrame() = default;

// ---- commands ----

void CMainFrame::BuildCommands() {
  struct Entry {
    int id;
    const char* text;
    bool checkable;
    std::initializer_list<QKeySequence> keys;
  };
  const Entry entries[] = {
      {cmd::kLoadConditions, QT_TRANSLATE_NOOP("MainFrame", "条件読込(&O)...\tCtrl+O"), false, {QKeySequence(Qt::CTRL | Qt::Key_O)}},
      {cmd::kSaveConditions, QT_TRANSLATE_NOOP("MainFrame", "条件保存(&S)...\tCtrl+S"), false, {QKeySequence(Qt::CTRL | Qt::Key_S)}},
      {cmd::kNewCondition, QT_TRANSLATE_NOOP("MainFrame", "新規作成(&N)...\tCtrl+N"), false, {QKeySequence(Qt::CTRL | Qt::Key_N)}},
      {cmd::kRenameCondition, QT_TRANSLATE_NOOP("MainFrame", "名称変更(&R)...\tCtrl+R"), false, {QKeySequence(Qt::CTRL | Qt::Key_R)}},
      {cmd::kDeleteCondition, QT_TRANSLATE_NOOP("MainFrame", "削除(&D)...\tCtrl+D"), false, {QKeySequence(Qt::CTRL | Qt::Key_D)}},
      {cmd::kChooseBase, QT_TRANSLATE_NOOP("MainFrame", "基本フォルダ変更(&A)...\tAlt+A"), false, {QKeySequence(Qt::ALT | Qt::Key_A)}},
      {cmd::kChooseTarget, QT_TRANSLATE_NOOP("MainFrame", "対照フォルダ変更(&B)...\tAlt+B"), false, {QKeySequence(Qt::ALT | Qt::Key_B)}},
      {cmd::kSwapFolders, QT_TRANSLATE_NOOP("MainFrame", "基本対照の入替(&C)...\tAlt+C"), false, {QKeySequence(Qt::ALT | Qt::Key_C)}},
      {cmd::kAppExit, QT_TRANSLATE_NOOP("MainFrame", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"), false, {}},
      {cmd::kListCreation, QT_TRANSLATE_NOOP("MainFrame", "リスト作成(&L)\tF5"), false, {QKeySequence(Qt::Key_F5)}},
      {cmd::kSyncRun, QT_TRANSLATE_NOOP("MainFrame", "実行(&R)\tShift+F5"), false, {QKeySequence(Qt::SHIFT | Qt::Key_F5)}},
      {cmd::kUpdateSelected, QT_TRANSLATE_NOOP("MainFrame", "選択ファイル更新(&X)"), false, {}},
      {cmd::kForceBase, QT_TRANSLATE_NOOP("MainFrame", "強制基本同期(&K)..."), false, {}},
      {cmd::kForceTarget, QT_TRANSLATE_NOOP("MainFrame", "強制対照同期(&T)..."), false, {}},
      // Alt+F7 is the window manager's on GNOME and Xfce: Ctrl+, opens the sheet too.
      {cmd::kOptions, QT_TRANSLATE_NOOP("MainFrame", "オプション(&O)...\tAlt+F7"), false,
       {QKeySequence(Qt::ALT | Qt::Key_F7), QKeySequence(Qt::CTRL | Qt::Key_Comma)}},
      {cmd::kComplete, QT_TRANSLATE_NOOP("MainFrame", "完全同期(&C)"), true, {}},
      {cmd::kDeleteTrash, QT_TRANSLATE_NOOP("MainFrame", "削除はゴミ箱(&R)"), true, {}},
      {cmd::kSubFolder, QT_TRANSLATE_NOOP("MainFrame", "サブフォルダも検索(&S)"), true, {}},
      {cmd::kSameDisp, QT_TRANSLATE_NOOP("MainFrame", "同じファイルの表示(&D)"), true, {}},
      {cmd::kEmptyFolder, QT_TRANSLATE_NOOP("MainFrame", "空フォルダ検索(&M)"), true, {}},
      {cmd::kRecyclerFolder, QT_TRANSLATE_NOOP("MainFrame", "ゴミ箱を同期に含めない(&T)"), true, {}},
      {cmd::kIncludeExt, QT_TRANSLATE_NOOP("MainFrame", "指定拡張子を同期に含める(&E)"), true, {QKeySequence(Qt::ALT | Qt::Key_E)}},
      {cmd::kExcludeExt, QT_TRANSLATE_NOOP("MainFrame", "指定拡張子を同期に含めない(&N)"), true, {QKeySequence(Qt::ALT | Qt::Key_N)}},
      {cmd::kViewStatusBar, QT_TRANSLATE_NOOP("MainFrame", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"), true, {}},
      {cmd::kFilterBar, QT_TRANSLATE_NOOP("MainFrame", "フィルタ(&F)\tCtrl+F"), true, {QKeySequence(Qt::CTRL | Qt::Key_F)}},
      {cmd::kShowProblems, QT_TRANSLATE_NOOP("MainFrame", "失敗と競合だけ表示(&P)"), false, {}},
      {cmd::kProperties, QT_TRANSLATE_NOOP("MainFrame", "プロパティ(&R)"), false, {}},
      {cmd::kFindBase, QT_TRANSLATE_NOOP("MainFrame", "基本ファイルを探す(&K)"), false, {}},
      {cmd::kFindTarget, QT_TRANSLATE_NOOP("MainFrame", "対照ファイルを探す(&T)"), false, {}},
      {cmd::kExternalTool, QT_TRANSLATE_NOOP("MainFrame", "外部ツール"), false, {}},
      {cmd::kLegend, QT_TRANSLATE_NOOP("MainFrame", "結果の意味(&K)..."), false, {}},
      {cmd::kAbout, QT_TRANSLATE_NOOP("MainFrame", "Orvel のﾊﾞｰｼﾞｮﾝ情報(&A)..."), false, {}},
      // Commands without a menu item: the clipboard, the keys that deliberately
      // do nothing (Esc, F6, Shift+F6), the condition bar's check boxes and the
      // framework's open command.
      {cmd::kEditCopy, "", false, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
      {cmd::kEditCut, "", false, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
      {cmd::kEditPaste, "", false, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
      {cmd::kEditUndo, "", false, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}},
      {cmd::kStop, "", false, {QKeySequence(Qt::Key_Escape)}},
      {cmd::kNextPane, "", false, {QKeySequence(Qt::Key_F6)}},
      {cmd::kPrevPane, "", false, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
      {cmd::kCheckExt, "", false, {}},
      {cmd::kCheckNoExt, "", false, {}},
      {cmd::kFileOpen, "", false, {}},
      {cmd::kPopupCancel, "", false, {}},
  };
  for (const Entry& e : entries) {
    QAction* action = commands_->Add(e.id, *e.text ? Tr(e.text) : QString(), e.checkable);
    action->setShortcuts(QList<QKeySequence>(e.keys));
    // Every key works wherever the focus is in the main window.
    addAction(action);
  }

  commands_->SetHandler(cmd::kChooseBase, [this] { ChooseFolder(true); });
  commands_->SetHandler(cmd::kChooseTarget, [this] { ChooseFolder(false); });
  commands_->SetHandler(cmd::kSwapFolders, [this] {
    QString base = bar_->BaseEdit()->text();
    bar_->BaseEdit()->setText(bar_->TargetEdit()->text());
    bar_->TargetEdit()->setText(base);
  });
  for (int id : {cmd::kEditCopy, cmd::kEditCut, cmd::kEditPaste, cmd::kEditUndo}) {
    commands_->SetHandler(id, [this, id] { RouteToEdit(id); });
  }
  commands_->SetHandler(cmd::kAppExit, [this] { close(); });
  commands_->SetHandler(cmd::kLegend, [this] { ShowLegend(dialogs_, this); });
  commands_->SetHandler(cmd::kAbout, [this] { ShowAbout(dialogs_, this); });
  commands_->SetHandler(cmd::kFilterBar, [this] {
    if (filterBar_->isHidden()) {
      filterBar_->Open();
    } else {
      filterBar_->Close();
    }
  });
  commands_->SetUpdate(cmd::kFilterBar, [this](QAction& action) { action.setChecked(!filterBar_->isHidden()); });
  commands_->SetHandler(cmd::kShowProblems, [this] {
    filterBar_->ShowOnly(ResultModel::kFailures | ResultModel::kConflicts);
    view_->setFocus();
  });
  commands_->SetUpdate(cmd::kShowProblems, [this](QAction& action) { action.setEnabled(problemsOffered_); });
  commands_->SetHandler(cmd::kViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
  commands_->SetUpdate(cmd::kViewStatusBar, [this](QAction& action) {
    // Ticked while shown; a hidden main window reports nothing about its bar.
    action.setChecked(!statusBar()->isHidden());
  });
}

void CMainFrame::BuildMenus() {
  auto add = [this](QMenu* menu, int id) { menu->addAction(commands_->Action(id)); };
  QMenuBar* bar = menuBar();

  fileMenu_ = bar->addMenu(QCoreApplication::translate("MainFrame", "ﾌｧｲﾙ(&F)"));
  add(fileMenu_, cmd::kLoadConditions);
  add(fileMenu_, cmd::kSaveConditions);
  QMenu* conditionMenu = fileMenu_->addMenu(QCoreApplication::translate("MainFrame", "条件(&J)"));
  add(conditionMenu, cmd::kNewCondition);
  add(conditionMenu, cmd::kRenameCondition);
  add(conditionMenu, cmd::kDeleteCondition);
  fileMenu_->addSeparator();
  add(fileMenu_, cmd::kChooseBase);
  add(fileMenu_, cmd::kChooseTarget);
  add(fileMenu_, cmd::kSwapFolders);
  fileMenu_->addSeparator();
  recentPlaceholder_ = fileMenu_->addAction(QCoreApplication::translate("MainFrame", "最近使ったファイル"));
  recentPlaceholder_->setEnabled(false);
  recentEnd_ = fileMenu_->addSeparator();
  add(fileMenu_, cmd::kAppExit);

  QMenu* sync = bar->addMenu(QCoreApplication::translate("MainFrame", "同期(&S)"));
  add(sync, cmd::kListCreation);
  add(sync, cmd::kSyncRun);
  add(sync, cmd::kUpdateSelected);
  add(sync, cmd::kForceBase);
  add(sync, cmd::kForceTarget);
  sync->addSeparator();
  add(sync, cmd::kOptions);
  QMenu* syncOptions = sync->addMenu(QCoreApplication::translate("MainFrame", "同期オプション(&S)"));
  add(syncOptions, cmd::kComplete);
  add(syncOptions, cmd::kDeleteTrash);
  QMenu* searchOptions = sync->addMenu(QCoreApplication::translate("MainFrame", "検索オプション(&F)"));
  for (int id : {cmd::kSubFolder, cmd::kSameDisp, cmd::kEmptyFolder, cmd::kRecyclerFolder, cmd::kIncludeExt,
                 cmd::kExcludeExt}) {
    add(searchOptions, id);
  }

  QMenu* view = bar->addMenu(QCoreApplication::translate("MainFrame", "表示(&V)"));
  add(view, cmd::kViewStatusBar);
  add(view, cmd::kFilterBar);
  add(view, cmd::kShowProblems);
  add(view, cmd::kProperties);

  QMenu* tools = bar->addMenu(QCoreApplication::translate("MainFrame", "ツール(&T)"));
  add(tools, cmd::kFindBase);
  add(tools, cmd::kFindTarget);
  add(tools, cmd::kExternalTool);

  QMenu* help = bar->addMenu(QCoreApplication::translate("MainFrame", "ﾍﾙﾌﾟ(&H)"));
  add(help, cmd::kLegend);
  add(help, cmd::kAbout);

  // A menu shows the state of its items as they are when it opens.
  for (QMenu* menu : bar->findChildren<QMenu*>()) {
    connect(menu, &QMenu::aboutToShow, commands_, &CommandTable::UpdateAll);
  }

  // The condition list box's menu.
  auto* popup = new QMenu(this);
  popup->setObjectName(QStringLiteral("Condition"));
  popup->addAction(commands_->AddAlias(cmd::kNewCondition, QCoreApplication::translate("MainFrame", "新規作成(&N)...")));
  popup->addAction(commands_->AddAlias(cmd::kRenameCondition, QCoreApplication::translate("MainFrame", "名称変更(&R)...")));
  popup->addAction(commands_->AddAlias(cmd::kDeleteCondition, QCoreApplication::translate("MainFrame", "削除(&D)...")));
  connect(popup, &QMenu::aboutToShow, commands_, &CommandTable::UpdateAll);
  bar_->SetConditionMenu(popup);
}

void CMainFrame::BuildToolBar() {
  toolBar_ = addToolBar(QCoreApplication::translate("MainFrame", "標準"));
  toolBar_->setObjectName(QStringLiteral("ToolBar"));
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  const int buttons[] = {cmd::kLoadConditions, cmd::kSaveConditions, 0, cmd::kListCreation, cmd::kSyncRun, 0,
                         cmd::kOptions, 0, cmd::kComplete, cmd::kDeleteTrash, 0, cmd::kSubFolder, cmd::kSameDisp,
                         cmd::kRecyclerFolder, cmd::kEmptyFolder, 0, cmd::kEditCopy, 0, cmd::kAbout};
  for (int id : buttons) {
    if (id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* action = commands_->Action(id);
    action->setIcon(ToolbarIcon(id, palette()));
    // The menus show texts only; the icons belong to the toolbar.
    action->setIconVisibleInMenu(false);
    toolBar_->addAction(action);
    // A button is named by its tooltip, also where its command has no menu text.
    if (QWidget* button = toolBar_->widgetForAction(action)) button->setAccessibleName(action->toolTip());
  }
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* status = statusBar();
  readyPane_ = new ElidedLabel(IdlePrompt(), status);
  readyPane_->setObjectName(QStringLiteral("ReadyPane"));
  status->addWidget(readyPane_, 1);
  // After a run with failed or conflicting lines: the offer to see only those.
  problemsButton_ = new QToolButton(status);
  problemsButton_->setObjectName(QStringLiteral("ProblemsButton"));
  problemsButton_->setDefaultAction(commands_->Action(cmd::kShowProblems));
  problemsButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  problemsButton_->setAutoRaise(true);
  problemsButton_->hide();
  status->addWidget(problemsButton_);
  foundPane_ = new QLabel(QStringLiteral("***"), status);
  foundPane_->setObjectName(QStringLiteral("FoundPane"));
  foundPane_->setFrameShape(QFrame::Panel);
  foundPane_->setFrameShadow(QFrame::Sunken);
  status->addPermanentWidget(foundPane_);
  // The keyboard indicators keep their places; their lock states are not read.
  for (const char* indicator : {QT_TRANSLATE_NOOP("MainFrame", "ｶﾅ"), QT_TRANSLATE_NOOP("MainFrame", "CAP"),
                                QT_TRANSLATE_NOOP("MainFrame", "NUM"), QT_TRANSLATE_NOOP("MainFrame", "SCRL")}) {
    auto* pane = new QLabel(Tr(indicator), status);
    pane->setEnabled(false);
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    status->addPermanentWidget(pane);
  }
}

void CMainFrame::UpdateFoundPane() {
  QString text = QStringLiteral(" %1 ").arg(view_->Flags().found);
  if (foundPane_->text() != text) foundPane_->setText(text);
}

void CMainFrame::ShowCurrentReason() {
  const QModelIndex current = view_->currentIndex();
  QString reason;
  if (current.isValid() && view_->selectionModel()->isSelected(current)) {
    reason = view_->Results().ReasonText(view_->CurrentItem());
  }
  if (!reason.isEmpty()) {
    readyPane_->SetFullText(reason);
  } else {
    readyPane_->SetFullText(statusText_.isEmpty() ? IdlePrompt() : statusText_);
  }
}

void CMainFrame::ShowStatusText(const QString& text, bool offerProblems) {
  statusText_ = text;
  problemsOffered_ = offerProblems;
  problemsButton_->setVisible(offerProblems);
  ShowCurrentReason();
}

void CMainFrame::ShowSummary(const engine::RunSummary& summary) {
  // What the run's file systems could not do stays beside what the run did.
  QString text = SummaryText(summary);
  if (!noticeRunDone_ && !noticeText_.isEmpty()) text += QStringLiteral("  ") + noticeText_;
  ShowStatusText(text, summary.failures > 0 || summary.conflicts > 0);
}

void CMainFrame::ChooseFolder(bool base) {
  QLineEdit* edit = base ? bar_->BaseEdit() : bar_->TargetEdit();
  QString text = edit->text();
  // A trailing separator goes, except from the root folder itself.
  if (text.endsWith(QLatin1Char('/')) && text != QStringLiteral("/")) text.chop(1);
  if (std::optional<QString> chosen = dialogs_.ChooseFolder(text)) text = *chosen;
  edit->setText(text);
}

void CMainFrame::RouteToEdit(int id) {
  QLineEdit* edit = bar_->FocusedEdit();
  if (!edit) return;
  switch (id) {
    case cmd::kEditCopy:
      edit->copy();
      break;
    case cmd::kEditCut:
      edit->cut();
      break;
    case cmd::kEditPaste:
      edit->paste();
      break;
    case cmd::kEditUndo:
      edit->undo();
      break;
    default:
      break;
  }
}

// ---- recent files and dropped files ----

void CMainFrame::ShowRecentFiles(const QStringList& paths) {
  for (QAction* action : recentActions_) {
    fileMenu_->removeAction(action);
    action->deleteLater();
  }
  recentActions_.clear();
  recentPlaceholder_->setVisible(paths.isEmpty());
  for (int i = 0; i < paths.size() && i < cmd::kRecentFileCount; ++i) {
    const QString path = paths[i];
    // "&1 path" … "&0 path"; an "&" in the path is shown as itself.
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* action = new QAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(shown), this);
    action->setObjectName(QStringLiteral("cmd%1").arg(cmd::kRecentFile1 + i));
    action->setStatusTip(PromptText(cmd::kRecentFile1 + i));
    connect(action, &QAction::triggered, this, [this, path] {
      if (openRecent_) openRecent_(path);
    });
    fileMenu_->insertAction(recentEnd_, action);
    recentActions_.push_back(action);
  }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  // Each dropped file is opened in turn, so the last one stays.
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile() && openDropped_) openDropped_(url.toLocalFile());
  }
  event->acceptProposedAction();
}

// ---- placement ----

void CMainFrame::RestorePlacement() {
  QSettings settings;
  if (std::optional<WindowPlacement> placement = ParseWindowPlacement(settings.value(kWindowPos).toString())) {
    if (ui::RestorePlacement(*this, *placement)) return;
  }
  // The first start: as large as the bar and the list's first rows ask for,
  // within the screen the window opens on.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    setGeometry(FirstPlacement(sizeHint(), screen->availableGeometry(), FrameMargins(*this)));
  }
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (placementChecked_) return;
  placementChecked_ = true;
  // Once the window manager has framed the window, its real frame must fit too.
  QTimer::singleShot(0, this, [this] {
    if (isMaximized() || isFullScreen() || !screen()) return;
    const QRect available = screen()->availableGeometry();
    if (!available.contains(frameGeometry())) setGeometry(FitWithin(geometry(), available, FrameMargins(*this)));
  });
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // The toolbar's pictures are drawn in the palette's colours.
  if (event->type() == QEvent::PaletteChange && toolBar_) {
    for (QAction* action : toolBar_->actions()) {
      if (!action->isSeparator()) action->setIcon(ToolbarIcon(action->data().toInt(), palette()));
    }
  }
}

void CMainFrame::SavePlacement() {
  QSettings settings;
  settings.setValue(kWindowPos, FormatWindowPlacement(CapturePlacement(*this)));
  settings.setValue(kListPos, view_->ColumnWidthsText());
}

// ---- termination ----

void CMainFrame::RequestTermination() {
  if (!isVisible()) return;  // closed already
  terminating_ = true;
  EndNestedLoops();
  if (!view_->Running()) {
    close();
    return;
  }
  // As Cancel does; the window closes when the run has ended (CloseIfTerminating).
  view_->Progress().close();
  terminationTimer_->start();
}

void CMainFrame::EndNestedLoops() {
  // Each close or reject ends the event loop it runs; a question rejected is
  // answered No, which never copies or deletes anything.
  QWidget* last = nullptr;
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (popup == last) break;
    last = popup;
    popup->close();
  }
  last = nullptr;
  while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
    if (dialog == last) break;  // one that stays open on reject
    last = dialog;
    dialog->reject();
  }
}

void CMainFrame::CloseIfTerminating() {
  if (!terminating_ || view_->Running()) return;
  terminationTimer_->stop();
  close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A close request while a run is working (the window manager's close box
  // still reaches a disabled window) asks the run to stop instead of pulling
  // the window away under it; the next request closes. Running, not busy: a
  // cancelled scan clears busy while its run still holds the working set of
  // the condition it processes, which must not be saved as the user's.
  if (view_->Running()) {
    view_->Progress().close();
    event->ignore();
    return;
  }
  // The window's own values first, then the working set and the recent files.
  SavePlacement();
  if (closing_) closing_();
  event->accept();
}

}  // namespace orvel::ui
