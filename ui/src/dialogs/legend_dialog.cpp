#include "ui/dialogs/legend_dialog.h"

#include "ui/startup/run_texts.h"

#include "engine/marks.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/result_list/result_delegate.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace orvel::ui {
namespace {

// The marks' column is never narrower than this, however short its title.
constexpr int kMarkColumnWidth = 40;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CLegendDlg::CLegendDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QCoreApplication::translate("LegendDialog", "結果の意味"));

  // The list first: it is the first control in the tab order and takes the focus.
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("legendList"));
  list_->setAccessibleName(QCoreApplication::translate("LegendDialog", "結果の意味"));
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setSortingEnabled(false);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setColumnCount(2);
  list_->setHeaderLabels(
      {QCoreApplication::translate("LegendDialog", "結果"), QCoreApplication::translate("LegendDialog", "意味")});
  list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->header()->setSectionsMovable(false);
  list_->header()->setStretchLastSection(false);

  for (int i = 0; i < engine::kMarkCount; ++i) {
    const auto mark = static_cast<engine::Mark>(i);
    auto* item = new QTreeWidgetItem(list_, {FromUtf8(engine::MarkText(mark)), MarkMeaning(mark)});
    // Selectable, never editable.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    // Each mark in the colour the list gives its lines.
    const QColor colour = ResultDelegate::LineColours(item->text(0), false, list_->palette()).text;
    for (int column = 0; column < 2; ++column) item->setForeground(column, colour);
  }
  // Both columns fit their titles and their longest texts, and the list shows
  // every row without scrolling.
  for (int column = 0; column < 2; ++column) list_->resizeColumnToContents(column);
  list_->setColumnWidth(0, std::max(list_->columnWidth(0), kMarkColumnWidth));
  const int frame = 2 * list_->frameWidth();
  int rows = 0;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) rows += list_->sizeHintForRow(i);
  list_->setMinimumSize(list_->columnWidth(0) + list_->columnWidth(1) + frame,
                        list_->header()->sizeHint().height() + rows + frame);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  // The dot that marks the lines a run acted on, as the list draws it.
  const int icon = ResultDelegate::kIconSize;
  QPixmap dotPicture(icon, icon);
  dotPicture.fill(Qt::transparent);
  {
    QPainter painter(&dotPicture);
    const QColor text = palette().color(QPalette::Active, QPalette::Text);
    ResultDelegate::PaintExecutedMark(&painter, QRect(0, 0, icon, icon),
                                      {text, palette().color(QPalette::Active, QPalette::Base)});
  }
  auto* dot = new QLabel(this);
  dot->setPixmap(dotPicture);
  auto* dotText = new QLabel(QCoreApplication::translate("LegendDialog", "アイコンの右下の点: 実行で処理した行"), this);
  dotText->setObjectName(QStringLiteral("legendExecuted"));
  auto* dotLine = new QHBoxLayout;
  dotLine->addWidget(dot);
  dotLine->addWidget(dotText, 1);

  auto* ok = new QPushButton(QCoreApplication::translate("LegendDialog", "OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(dotLine);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  list_->setFocus();
}

void ShowLegend(IUserDialogs& dialogs, QWidget* parent) {
  CLegendDlg dialog(parent);
  dialogs.Exec(dialog);
}

}  // namespace orvel::ui
