#include "ui/condi_bar.h"

#include "ui/command_ids.h"
#include "ui/dialog_units.h"
#include "ui/string_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <limits>

namespace orvel::ui {
namespace {

// The bar's template: 366 × 62 dialog units.
constexpr int kBarWidth = 366;
constexpr int kBarHeight = 62;

std::string ToBytes(const QString& text) { return text.toStdString(); }

void Describe(QWidget* widget, int id) {
  widget->setObjectName(QStringLiteral("ctl%1").arg(id));
  widget->setStatusTip(PromptText(id));
  QString tooltip = TooltipText(id);
  if (!tooltip.isEmpty()) widget->setToolTip(tooltip);
}

QLineEdit* MakeEdit(QWidget* parent, int id) {
  auto* edit = new QLineEdit(parent);
  // Paths and extension lists have no length limit of their own.
  edit->setMaxLength(std::numeric_limits<int>::max());
  Describe(edit, id);
  return edit;
}

// A button or check box whose mnemonic is drawn but handled by the main
// window's accelerators (Alt+A, Alt+B, Alt+E, Alt+N), which run the same commands.
template <typename Button>
Button* MakeButton(QWidget* parent, int id, const char* text) {
  auto* button = new Button(QString::fromUtf8(text), parent);
  button->setShortcut(QKeySequence());
  Describe(button, id);
  return button;
}

}  // namespace

CondiBar::CondiBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CondiBar"));
  // Created in tab order.
  baseButton_ = MakeButton<QPushButton>(this, cmd::kChooseBase, "基本フォルダ(&A)");
  targetButton_ = MakeButton<QPushButton>(this, cmd::kChooseTarget, "対照フォルダ(&B)");
  baseEdit_ = MakeEdit(this, cmd::kBaseEdit);
  targetEdit_ = MakeEdit(this, cmd::kTargetEdit);
  extCheck_ = MakeButton<QCheckBox>(this, cmd::kCheckExt, "以下の拡張子だけ同期に含める(&E)");
  extEdit_ = MakeEdit(this, cmd::kExtEdit);
  noExtCheck_ = MakeButton<QCheckBox>(this, cmd::kCheckNoExt, "以下の拡張子は同期に含めない(&N)");
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
  Place();
}

QSize CondiBar::sizeHint() const {
  const DialogUnits du(font());
  return QSize(du.X(kBarWidth), du.Y(kBarHeight));
}

void CondiBar::Place() {
  const DialogUnits du(font());
  auto at = [&du](QWidget* w, int x, int y, int width, int height) { w->setGeometry(du.Rect(x, y, width, height)); };
  at(baseButton_, 91, 2, 52, 14);
  at(targetButton_, 91, 16, 52, 14);
  at(baseEdit_, 144, 2, 218, 14);
  at(targetEdit_, 144, 16, 218, 14);
  at(extCheck_, 93, 33, 118, 10);
  at(extEdit_, 213, 31, 149, 14);
  at(noExtCheck_, 93, 48, 119, 10);
  at(noExtEdit_, 213, 46, 149, 14);
  at(list_, 2, 2, 87, 58);
  // The edits take the width the window gives beyond the template's.
  const int right = width() - du.X(4);
  for (QLineEdit* edit : {baseEdit_, targetEdit_, extEdit_, noExtEdit_}) {
    QRect g = edit->geometry();
    if (right > g.right()) {
      g.setRight(right);
      edit->setGeometry(g);
    }
  }
}

void CondiBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Place();
}

bool CondiBar::eventFilter(QObject* watched, QEvent* event) {
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
