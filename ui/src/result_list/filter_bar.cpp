#include "ui/result_list/filter_bar.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace orvel::ui {

namespace {

QString KindText(unsigned kind) {
  switch (kind) {
    case ResultModel::kDifferences:
      return QCoreApplication::translate("FilterBar", "差分");
    case ResultModel::kConflicts:
      return QCoreApplication::translate("FilterBar", "競合");
    case ResultModel::kFailures:
      return QCoreApplication::translate("FilterBar", "失敗");
    case ResultModel::kDeletions:
      return QCoreApplication::translate("FilterBar", "削除");
    case ResultModel::kIdentical:
      return QCoreApplication::translate("FilterBar", "同じ");
    default:
      return {};
  }
}

QString KindTip(unsigned kind) {
  switch (kind) {
    case ResultModel::kDifferences:
      return QCoreApplication::translate("FilterBar", "コピーする行（> >> < <<）と同期済みの行（>= <=）");
    case ResultModel::kConflicts:
      return QCoreApplication::translate("FilterBar", "競合した行（!）");
    case ResultModel::kFailures:
      return QCoreApplication::translate("FilterBar", "失敗した行（?）");
    case ResultModel::kDeletions:
      return QCoreApplication::translate("FilterBar", "削除する行（X <X）と削除済みの行（X= <X=）");
    case ResultModel::kIdentical:
      return QCoreApplication::translate("FilterBar", "同じファイルの行（=）");
    default:
      return {};
  }
}

}  // namespace

FilterBar::FilterBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FilterBar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(3, 2, 3, 2);
  layout->setSpacing(4);
  auto* shown = new QLabel(QCoreApplication::translate("FilterBar", "表示:"), this);
  layout->addWidget(shown);
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("filterKind%1").arg(kKinds[i]));
    button->setText(KindText(kKinds[i]));
    button->setToolTip(KindTip(kKinds[i]) + QLatin1Char('\n') +
                       QCoreApplication::translate("FilterBar", "どれも選ばないときはすべての行を表示します"));
    button->setAccessibleName(KindText(kKinds[i]));
    button->setCheckable(true);
    button->setAutoRaise(false);
    connect(button, &QToolButton::toggled, this, [this] { Announce(); });
    kinds_[i] = button;
    layout->addWidget(button);
  }
  auto* nameLabel = new QLabel(QCoreApplication::translate("FilterBar", "名前(&M):"), this);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("filterName"));
  name_->setClearButtonEnabled(true);
  name_->setPlaceholderText(QCoreApplication::translate("FilterBar", "名前の一部（大文字小文字を区別しない）"));
  name_->setAccessibleName(QCoreApplication::translate("FilterBar", "名前で絞り込む"));
  nameLabel->setBuddy(name_);
  name_->installEventFilter(this);
  connect(name_, &QLineEdit::textChanged, this, [this] { Announce(); });
  layout->addWidget(nameLabel);
  layout->addWidget(name_, 1);
  close_ = new QToolButton(this);
  close_->setObjectName(QStringLiteral("filterClose"));
  close_->setText(QStringLiteral("×"));
  close_->setAutoRaise(true);
  close_->setToolTip(QCoreApplication::translate("FilterBar", "フィルタを閉じてすべての行を表示します (Esc)"));
  close_->setAccessibleName(QCoreApplication::translate("FilterBar", "フィルタを閉じる"));
  connect(close_, &QToolButton::clicked, this, &FilterBar::Close);
  layout->addWidget(close_);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  hide();
}

QToolButton* FilterBar::KindButton(unsigned kind) const {
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (kKinds[i] == kind) return kinds_[i];
  }
  return nullptr;
}

ResultModel::Filter FilterBar::CurrentFilter() const {
  ResultModel::Filter filter;
  if (isHidden()) return filter;
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (kinds_[i]->isChecked()) filter.kinds |= kKinds[i];
  }
  filter.name = name_->text();
  return filter;
}

void FilterBar::Announce() {
  if (!quiet_) Q_EMIT FilterChanged(CurrentFilter());
}

void FilterBar::Open() {
  show();
  name_->setFocus(Qt::ShortcutFocusReason);
  name_->selectAll();
  Announce();
}

void FilterBar::ShowOnly(unsigned kinds) {
  quiet_ = true;
  show();
  for (std::size_t i = 0; i < kKinds.size(); ++i) kinds_[i]->setChecked((kinds & kKinds[i]) != 0);
  name_->clear();
  quiet_ = false;
  Announce();
}

void FilterBar::Close() {
  quiet_ = true;
  for (QToolButton* button : kinds_) button->setChecked(false);
  name_->clear();
  const bool hadFocus = isAncestorOf(QApplication::focusWidget());
  hide();
  quiet_ = false;
  Announce();
  if (hadFocus) Q_EMIT Closed();
}

bool FilterBar::eventFilter(QObject* watched, QEvent* event) {
  // Esc in the name closes the bar, before the main window's own Esc takes it.
  if (watched == name_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
    } else {
      Close();
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvel::ui
