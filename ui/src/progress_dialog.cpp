#include "ui/progress_dialog.h"

#include "ui/run_texts.h"

#include "ui/dialog_units.h"

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

const QString kInitialPercent = QStringLiteral(" 0 %");

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  // Paths and names are shown as they are, never read as rich text.
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(rect);
  return label;
}

QProgressBar* AddBar(QWidget* parent, const char* name, const QRect& rect) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(QLatin1String(name));
  bar->setTextVisible(false);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setGeometry(rect);
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
  setWindowTitle(captionText.isEmpty() ? QStringLiteral("同期実行中...") : captionText);
  BuildControls();
}

CProgressDlg::~CProgressDlg() {
  if (isVisible() || disabledOwner_) DestroyWindow();
}

void CProgressDlg::BuildControls() {
  const DialogUnits du(font());
  const QFontMetrics metrics(font());

  AddLabel(this, "progressConditionCaption", QStringLiteral("同期条件:"), du.Rect(9, 6, 30, 8));
  conditionName_ = AddLabel(this, "progressCondition", QString(), du.Rect(42, 6, 135, 8));
  conditionBar_ = AddBar(this, "progressConditionBar", du.Rect(9, 21, 165, 13));
  status_ = AddLabel(this, "progressStatus", QString(), du.Rect(12, 43, 150, 8));
  path_ = AddLabel(this, "progressPath", QString(), du.Rect(14, 57, 162, 8));

  // The percentage must show "100%" whole, whatever the font's digits measure.
  QRect percentRect = du.Rect(85, 73, 18, 8);
  const int needed =
      std::max(metrics.horizontalAdvance(QStringLiteral("100%")), metrics.horizontalAdvance(kInitialPercent)) + 2;
  if (percentRect.width() < needed) percentRect.setWidth(needed);
  percent_ = AddLabel(this, "progressPercent", kInitialPercent, percentRect);

  percentBar_ = AddBar(this, "progressBar", du.Rect(6, 83, 174, 13));

  cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancel_->setObjectName(QStringLiteral("progressCancel"));
  cancel_->setGeometry(du.Rect(66, 103, 50, 14));
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });

  setFixedSize(du.X(187), du.Y(121));
}

void CProgressDlg::ResetControls() {
  // Each operation starts from the template's state, as a freshly created window would.
  SetTextIfChanged(conditionName_, QString());
  conditionBar_->setRange(0, 100);
  conditionBar_->setValue(0);
  SetTextIfChanged(status_, QString());
  SetTextIfChanged(path_, QString());
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
  SetTextIfChanged(conditionName_, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void CProgressDlg::ShowPath(std::string_view path) {
  // Called for every file: only remember it, the label follows at the next drain.
  pendingPath_.assign(path);
  pathPending_ = true;
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
  if (beforeDrain_) beforeDrain_();
  ApplyPendingPath();
  QCoreApplication::processEvents();
  // The gap is the time the windows went without a turn: from the end of one
  // drain to the start of the next.
  lastDrain_ = Clock::now();
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

QString CProgressDlg::StatusText() const { return status_->text(); }
QString CProgressDlg::PercentText() const { return percent_->text(); }
QString CProgressDlg::ConditionNameText() const { return conditionName_->text(); }
QString CProgressDlg::PathText() const { return path_->text(); }
int CProgressDlg::PercentBarValue() const { return percentBar_->value(); }
int CProgressDlg::ConditionBarValue() const { return conditionBar_->value(); }
int CProgressDlg::ConditionBarMaximum() const { return conditionBar_->maximum(); }
QPushButton* CProgressDlg::CancelButton() const { return cancel_; }

}  // namespace orvel::ui
