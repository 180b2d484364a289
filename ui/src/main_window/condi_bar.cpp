#include "ui/main_window/condi_bar.h"

#include "ui/main_window/command_ids.h"
#include "ui/main_window/string_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

#include <limits>

namespace orvel::ui {
namespace {

// The list box shows this many letters of a condition's name.
constexpr int kListLetters = 18;
// The edits' width before the window gives them more.
constexpr int kEditLetters = 24;

std::string ToBytes(const QString& text) { return text.toStdString(); }

void Describe(QWidget* widget, int id) {
  widget->setObjectName(QStringLiteral("ctl%1").arg(id));
  widget->setStatusTip(PromptText(id));
  QString tooltip = TooltipText(id);
  if (!tooltip.isEmpty()) widget->setToolTip(tooltip);
  // Assistive technology names an edit or a list by its tooltip: nothing else
  // stands beside it as a label.
  if (!tooltip.isEmpty()) widget->setAccessibleName(tooltip);
}

QLineEdit* MakeEdit(QWidget* parent, int id) {
  auto* edit = new QLineEdit(parent);
  // Paths and extension lists have no length limit of their own.
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * kEditLetters);
  Describe(edit, id);
  return edit;
}

// A button or check box whose mnemonic is drawn but handled by the main
// window's accelerators (Alt+A, Alt+B, Alt+E, Alt+N), which run the same commands.
template <typename Button>
Button* MakeButton(QWidget* parent, int id, const QString& text) {
  auto* button = new Button(text, parent);
  button->setShortcut(QKeySequence());
  Describe(button, id);
  return button;
}

}  // namespace

CondiBar::CondiBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CondiBar"));
  // Created in tab order.
  baseButton_ = MakeButton<QPushButton>(this, cmd::kChooseBase, QCoreApplication::translate("CondiBar", "基本フォルダ(&A)"));
  targetButton_ = MakeButton<QPushButton>(this, cmd::kChooseTarget, QCoreApplication::translate("CondiBar", "対照フォルダ(&B)"));
  baseEdit_ = MakeEdit(this, cmd::kBaseEdit);
  targetEdit_ = MakeEdit(this, cmd::kTargetEdit);
  extCheck_ = MakeButton<QCheckBox>(this, cmd::kCheckExt, QCoreApplication::translate("CondiBar", "以下の拡張子だけ同期に含める(&E)"));
  extEdit_ = MakeEdit(this, cmd::kExtEdit);
  noExtCheck_ = MakeButton<QCheckBox>(this, cmd::kCheckNoExt, QCoreApplication::translate("CondiBar", "以下の拡張子は同期に含めない(&N)"));
  noExtEdit_ = MakeEdit(this, cmd::kNoExtEdit);
  list_ = new QListWidget(this);
  Describe(list_, cmd::kConditionList);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  QWidget* order[] = {baseButton_, targetButton_, baseEdit_, targetEdit_, extCheck_,
                      extEdit_,    noExtCheck_,   noExtEdit_, list_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  for (QPushButton* button : {baseButton_, targetButton_}) button->setAutoDefault(false);

  connect(baseButton_, &QPushButton::clicked, this, [this] { Q_EMIT CommandRequested(cmd::kChooseBase); });
  connect(targetButton_, &QPushButton::clicked, this, [this] { Q_EMIT CommandRequested(cmd::kChooseTarget); });
  connect(extCheck_, &QCheckBox::clicked, this, [this] { Q_EMIT CommandRequested(cmd::kCheckExt); });
  connect(noExtCheck_, &QCheckBox::clicked, this, [this] { Q_EMIT CommandRequested(cmd::kCheckNoExt); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!showing_ && row >= 0) Q_EMIT ConditionLineChosen(row);
  });
  // A right click opens the condition menu without changing the selection, so
  // the commands act on the current condition.
  list_->viewport()->installEventFilter(this);
  list_->installEventFilter(this);
  // Ctrl+D and Ctrl+R are the condition commands here too, not the edits' own keys.
  for (QLineEdit* edit : {baseEdit_, targetEdit_, extEdit_, noExtEdit_}) edit->installEventFilter(this);

  // The list box on the left, beside the four lines: the folder buttons with
  // their edits, then the extension check boxes with theirs. The check boxes
  // are wider than the buttons, so their edits start further right; every
  // control takes the width its text needs, the edits the rest.
  list_->setFixedWidth(list_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * kListLetters +
                       list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * list_->frameWidth());
  list_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(3, 3, 3, 3);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  grid->addWidget(list_, 0, 0, 4, 1);
  grid->addWidget(baseButton_, 0, 1);
  grid->addWidget(baseEdit_, 0, 2, 1, 2);
  grid->addWidget(targetButton_, 1, 1);
  grid->addWidget(targetEdit_, 1, 2, 1, 2);
  grid->addWidget(extCheck_, 2, 1, 1, 2);
  grid->addWidget(extEdit_, 2, 3);
  grid->addWidget(noExtCheck_, 3, 1, 1, 2);
  grid->addWidget(noExtEdit_, 3, 3);
  grid->setColumnStretch(3, 1);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

bool CondiBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit*>(watched)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeyCombination combination = key->keyCombination();
    if (combination == QKeyCombination(Qt::ControlModifier, Qt::Key_D) ||
        combination == QKeyCombination(Qt::ControlModifier, Qt::Key_R)) {
      event->ignore();
      return true;
    }
  }
  if (watched == list_->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                       event->type() == QEvent::MouseButtonDblClick ||
                                       event->type() == QEvent::MouseButtonRelease)) {
    if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) return true;
  }
  if ((watched == list_ || watched == list_->viewport()) && event->type() == QEvent::ContextMenu) {
    if (conditionMenu_) conditionMenu_->exec(QCursor::pos());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

std::string CondiBar::BaseFolderText() const { return ToBytes(baseEdit_->text()); }
std::string CondiBar::TargetFolderText() const { return ToBytes(targetEdit_->text()); }
std::string CondiBar::ExtText() const { return ToBytes(extEdit_->text()); }
std::string CondiBar::NoExtText() const { return ToBytes(noExtEdit_->text()); }

void CondiBar::ShowWorkingSet(const storage::WorkingSet& working) {
  baseEdit_->setText(QString::fromStdString(working.AFolder));
  targetEdit_->setText(QString::fromStdString(working.BFolder));
  extEdit_->setText(QString::fromStdString(working.Ext));
  noExtEdit_->setText(QString::fromStdString(working.NoExt));
  extCheck_->setChecked(working.ChkExt != 0);
  noExtCheck_->setChecked(working.ChkNoExt != 0);
}

void CondiBar::ShowToolbarChecks(const storage::WorkingSet& working) {
  if (toolbarChecks_) toolbarChecks_(working);
}

void CondiBar::SetConditionNames(const std::vector<std::string>& names) {
  showing_ = true;
  list_->clear();
  for (const std::string& name : names) list_->addItem(QString::fromStdString(name));
  showing_ = false;
}

void CondiBar::SelectConditionLine(int index) {
  showing_ = true;
  list_->setCurrentRow(index);
  if (index < 0) list_->clearSelection();
  showing_ = false;
}

QLineEdit* CondiBar::FocusedEdit() const {
  QWidget* focus = QApplication::focusWidget();
  for (QLineEdit* edit : {baseEdit_, targetEdit_, extEdit_, noExtEdit_}) {
    if (focus == edit && edit->hasFocus()) return edit;
  }
  return nullptr;
}

}  // namespace orvel::ui
