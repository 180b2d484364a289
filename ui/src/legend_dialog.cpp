#include "ui/legend_dialog.h"

#include "ui/run_texts.h"

#include "engine/marks.h"
#include "ui/dialog_units.h"
#include "ui/user_dialogs.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace orvel::ui {
namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CLegendDlg::CLegendDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("結果の意味"));
  const DialogUnits du(font());

  // The list first: it is the first control in the tab order and takes the focus.
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("legendList"));
  list_->setGeometry(du.Rect(4, 4, 197, 116));
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setSortingEnabled(false);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("結果"), QStringLiteral("意味")});
  list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->header()->setSectionsMovable(false);
  list_->setColumnWidth(0, 40);
  list_->setColumnWidth(1, 300);

  for (int i = 0; i < engine::kMarkCount; ++i) {
    const auto mark = static_cast<engine::Mark>(i);
    auto* item = new QTreeWidgetItem(list_, {FromUtf8(engine::MarkText(mark)), MarkMeaning(mark)});
    // Selectable, never editable.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  }
  // The meanings' column fits both its title and its longest text.
  list_->resizeColumnToContents(1);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setGeometry(du.Rect(76, 124, 50, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(du.X(207), du.Y(141));
  list_->setFocus();
}

void ShowLegend(IUserDialogs& dialogs, QWidget* parent) {
  CLegendDlg dialog(parent);
  dialogs.Exec(dialog);
}

}  // namespace orvel::ui
