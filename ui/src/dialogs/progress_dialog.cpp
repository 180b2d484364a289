#include "ui/dialogs/progress_dialog.h"

#include "engine/run_meter.h"
#include "ui/startup/report_texts.h"
#include "ui/startup/run_texts.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <cstdint>

namespace orvel::ui {
namespace {

// The event loop gets a turn at most this often, so that a run over a million
// entries does not cost a million turns.
constexpr auto kDrainInterval = std::chrono::milliseconds(20);
// The figures change every entry; the eye needs them a few times a second.
constexpr auto kFiguresInterval = std::chrono::milliseconds(250);

// The bars' width: the dialog's, unless a text needs more.
constexpr int kBarLetters = 52;

const QString kInitialPercent = QStringLiteral(" 0 %");

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  // Paths and names are shown as they are, never read as rich text.
  label->setTextFormat(Qt::PlainText);
  return label;
}

// A line whose texts come and go with the operation: its width is the dialog's,
// never its text's, so a long path or name cannot widen the window.
QLabel* AddLine(QWidget* parent, const char* name) {
  QLabel* label = AddLabel(parent, name, QString());
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label->setMinimumHeight(label->fontMetrics().height());
  return label;
}

QProgressBar* AddBar(QWidget* parent, const char* name) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(QLatin1String(name));
  bar->setTextVisible(false);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setMinimumWidth(bar->fontMetrics().horizontalAdvance(QLatin1Char('x')) * kBarLetters);
  return bar;
}

void SetTextIfChanged(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* mainWindow, QString captionText)
    // No parent: a child window would be disabled together with the main window,
    // and Cancel with it.
    : QDialog(nullptr), mainWindow_(mainWindow) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  setWindowTitle(captionText.isEmpty() ? QCoreApplication::translate("ProgressDialog", "同期実行中...") : captionText);
  BuildControls();
}

CProgressDlg::~CProgressDlg() {
  if (isVisible() || disabledOwner_) DestroyWindow();
}

void CProgressDlg::BuildControls() {
  // Created in the order of the lines, top to bottom.
  QLabel* caption =
      AddLabel(this, "progressConditionCaption", QCoreApplication::translate("ProgressDialog", "同期条件:"));
  conditionName_ = AddLine(this, "progressCondition");
  conditionBar_ = AddBar(this, "progressConditionBar");
  status_ = AddLine(this, "progressStatus");
  path_ = AddLine(this, "progressPath");
  figures_ = AddLine(this, "progressFigures");
  figures_->setMinimumHeight(2 * figures_->fontMetrics().lineSpacing());
  figures_->hide();
  percent_ = AddLabel(this, "progressPercent", kInitialPercent);
  percent_->setAlignment(Qt::AlignCenter);
  percentBar_ = AddBar(this, "progressBar");
  cancel_ = new QPushButton(QCoreApplication::translate("ProgressDialog", "ｷｬﾝｾﾙ"), this);
  cancel_->setObjectName(QStringLiteral("progressCancel"));
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });

  // Every status line fits whole, and so does the largest percentage.
  const QFontMetrics metrics(status_->font());
  int statusWidth = 0;
  for (engine::RunStatus status : {engine::RunStatus::Searching, engine::RunStatus::BasePass,
                                   engine::RunStatus::TargetPass, engine::RunStatus::IndividualSync,
                                   engine::RunStatus::Launching, engine::RunStatus::Connecting}) {
    statusWidth = std::max(statusWidth, metrics.horizontalAdvance(ui::StatusText(status)));
  }
  status_->setMinimumWidth(statusWidth + 2 * status_->margin() + 2);
  percent_->setMinimumWidth(
      std::max(metrics.horizontalAdvance(QStringLiteral("100%")), metrics.horizontalAdvance(kInitialPercent)) + 2);

  auto* conditionLine = new QHBoxLayout;
  conditionLine->addWidget(caption);
  conditionLine->addWidget(conditionName_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(conditionLine);
  layout->addWidget(conditionBar_);
  layout->addSpacing(layout->spacing());
  layout->addWidget(status_);
  layout->addWidget(path_);
  layout->addWidget(figures_);
  layout->addSpacing(layout->spacing());
  layout->addWidget(percent_, 0, Qt::AlignHCenter);
  layout->addWidget(percentBar_);
  layout->addSpacing(layout->spacing());
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  // As large as the texts and bars ask for, and no larger.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CProgressDlg::ResetControls() {
  // Each operation starts from the template's state, as a freshly created window would.
  SetTextIfChanged(conditionName_, QString());
  conditionBar_->setRange(0, 100);
  conditionBar_->setValue(0);
  SetTextIfChanged(status_, QString());
  SetTextIfChanged(path_, QString());
  SetTextIfChanged(figures_, QString());
  nextFigures_ = {};
  pendingPath_.clear();
  pathPending_ = false;
  SetTextIfChanged(percent_, kInitialPercent);
  percentShown_ = false;
  shownPercent_ = 0;
  percentBar_->setRange(lower_, upper_);
  percentBar_->setValue(lower_);
  shownPosition_ = percentBar_->value();
}

bool CProgressDlg::CreateModeless(QWidget* owner) {
  if (isVisible() || disabledOwner_) DestroyWindow();

  QWidget* safeOwner = owner ? owner->window() : (mainWindow_ ? mainWindow_->window() : nullptr);
  if (safeOwner == this) safeOwner = nullptr;
  if (safeOwner && safeOwner->isEnabled()) {
    safeOwner->setEnabled(false);
    disabledOwner_ = safeOwner;
  }

  ResetControls();
  // A press on Cancel that no poll read belongs to the operation that ended;
  // it must not stop the next one at its first poll.
  cancelRequested_ = false;
  longestGap_ = std::chrono::milliseconds(0);
  drainNow_ = true;
  gapStarted_ = false;
  nextHook_ = {};

  winId();  // creates the native window, so that it can be tied to its owner
  if (safeOwner && windowHandle()) windowHandle()->setTransientParent(safeOwner->windowHandle());
  show();
  activateWindow();

  if (!isVisible()) {
    if (disabledOwner_) disabledOwner_->setEnabled(true);
    disabledOwner_ = nullptr;
    return false;
  }
  return true;
}

void CProgressDlg::DestroyWindow() {
  if (isVisible()) hide();
  if (windowHandle()) windowHandle()->setTransientParent(nullptr);
  pathPending_ = false;
  gapStarted_ = false;
  if (disabledOwner_) {
    QWidget* owner = disabledOwner_;
    disabledOwner_ = nullptr;
    owner->setEnabled(true);
    if (owner->isVisible()) owner->activateWindow();
  }
}

void CProgressDlg::ShowStatus(engine::RunStatus status) { SetTextIfChanged(status_, ui::StatusText(status)); }

void CProgressDlg::SetBarRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  percentBar_->setRange(lower, upper);
  shownPosition_ = percentBar_->value();
}

void CProgressDlg::SetBarStep(int step) {
  // A progress bar here has no step of its own; the value is kept for the next operation.
  step_ = step;
}

void CProgressDlg::SetBarPos(int position) {
  DrainMessages();
  if (workDone_) position = lower_ + static_cast<int>(*workDone_ * (static_cast<double>(upper_) - lower_));
  // The bar clamps to its range as a native progress control does; the
  // percentage is computed from the position as given.
  const int clamped = std::clamp(position, std::min(lower_, upper_), std::max(lower_, upper_));
  if (clamped != shownPosition_) {
    shownPosition_ = clamped;
    percentBar_->setValue(clamped);
  }
  ShowPercent(position);
}

bool CProgressDlg::PollCancel() {
  DrainMessages();
  const bool requested = cancelRequested_;
  cancelRequested_ = false;
  return requested;
}

void CProgressDlg::ShowCondition(int count, int position, std::string_view name) {
  conditionBar_->setRange(0, std::max(0, count));
  conditionBar_->setValue(std::clamp(position, 0, std::max(0, count)));
  // A name longer than the line ends in "…" rather than being cut off.
  const QString full = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  SetTextIfChanged(conditionName_,
                   conditionName_->fontMetrics().elidedText(full, Qt::ElideRight, conditionName_->contentsRect().width()));
}

void CProgressDlg::ShowPath(std::string_view path) {
  // Called for every file: only remember it, the label follows at the next drain.
  pendingPath_.assign(path);
  pathPending_ = true;
}

void CProgressDlg::WatchRun(const engine::RunMeter* meter) {
  meter_ = meter;
  nextFigures_ = {};
  workDone_.reset();
  figures_->setVisible(meter != nullptr);
  if (!meter) SetTextIfChanged(figures_, QString());
}

void CProgressDlg::ShowFigures(Clock::time_point now) {
  if (!meter_ || now < nextFigures_) return;
  nextFigures_ = now + kFiguresInterval;
  const engine::ProgressFigures figures = meter_->FiguresAt(now);
  workDone_ = figures.workDone;
  SetTextIfChanged(figures_, FiguresText(figures));
}

void CProgressDlg::ApplyPendingPath() {
  if (!pathPending_) return;
  pathPending_ = false;
  QString shown;
  if (!pendingPath_.empty()) {
    const QString full = QString::fromUtf8(pendingPath_.data(), static_cast<qsizetype>(pendingPath_.size()));
    shown = path_->fontMetrics().elidedText(full, Qt::ElideMiddle, path_->contentsRect().width());
  }
  SetTextIfChanged(path_, shown);
}

void CProgressDlg::DrainMessages() {
  const auto now = Clock::now();
  if (!drainNow_ && now - lastDrain_ < kDrainInterval) return;
  drainNow_ = false;
  if (gapStarted_) {
    longestGap_ = std::max(longestGap_, std::chrono::duration_cast<std::chrono::milliseconds>(now - lastDrain_));
  }
  // What the hook starts (a list laying out the lines it announced) is paid
  // in the turn that follows; the hook runs again only once nine times that
  // turn's length has passed, so that it never takes more than a tenth of the
  // run, however long the list grows.
  const bool hook = beforeDrain_ && now >= nextHook_;
  if (hook) beforeDrain_();
  ApplyPendingPath();
  ShowFigures(now);
  QCoreApplication::processEvents();
  // The gap is the time the windows went without a turn: from the end of one
  // drain to the start of the next.
  lastDrain_ = Clock::now();
  if (hook) nextHook_ = lastDrain_ + (lastDrain_ - now) * 9;
  // A long turn (a list laying out a million lines) kept everything else
  // waiting: the next drain comes at once rather than after more work.
  if (lastDrain_ - now >= kDrainInterval / 2) drainNow_ = true;
  gapStarted_ = isVisible();
}

void CProgressDlg::ShowPercent(int position) {
  int percent = 0;
  if (upper_ != lower_) {  // an empty range shows 0% instead of dividing by zero
    // 64 bits: (position - lower) * 100 overflows an int for large positions.
    std::int64_t value =
        (std::int64_t{position} - lower_) * 100 / (std::int64_t{upper_} - lower_);  // truncates toward zero
    if (value != 100) value %= 100;
    percent = static_cast<int>(value);
  }
  if (percentShown_ && percent == shownPercent_) return;
  percentShown_ = true;
  shownPercent_ = percent;
  SetTextIfChanged(percent_, QString::number(percent) + QLatin1Char('%'));
}

void CProgressDlg::reject() { cancelRequested_ = true; }

void CProgressDlg::accept() {}

void CProgressDlg::closeEvent(QCloseEvent* event) {
  // The close box asks to cancel; the operation closes the dialog when it ends.
  event->ignore();
  cancelRequested_ = true;
}

}  // namespace orvel::ui
