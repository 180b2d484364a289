#include "ui/condition_name_dialog.h"

#include "storage/condition_commands.h"
#include "ui/dialog_units.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvel::ui {

CConditionNameDlg::CConditionNameDlg(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("ConditionNameDlg"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  setWindowTitle(QStringLiteral("条件名称設定"));

  const DialogUnits du(font());
  // Created in tab order: the label's mnemonic goes to the control after it.
  label_ = new QLabel(QStringLiteral("条件名(&N)"), this);
  label_->setObjectName(QStringLiteral("conditionNameLabel"));
  QRect labelRect = du.Rect(9, 9, 31, 8);
  QRect editRect = du.Rect(45, 6, 108, 14);
  // Where the font's glyphs are wider than the template assumed, the label
  // grows and the edit gives up room on its left, so that neither is cut.
  const int labelWidth = label_->sizeHint().width();
  if (labelRect.width() < labelWidth) labelRect.setWidth(labelWidth);
  if (editRect.left() <= labelRect.right() + du.X(2)) editRect.setLeft(labelRect.right() + du.X(2) + 1);
  label_->setGeometry(labelRect);

  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("conditionNameEdit"));
  edit_->setGeometry(editRect);
  label_->setBuddy(edit_);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("conditionNameOk"));
  ok_->setGeometry(du.Rect(51, 33, 50, 14));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CConditionNameDlg::accept);

  cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancel_->setObjectName(QStringLiteral("conditionNameCancel"));
  cancel_->setGeometry(du.Rect(108, 33, 50, 14));
  connect(cancel_, &QPushButton::clicked, this, &CConditionNameDlg::reject);

  setFixedSize(du.X(171), du.Y(57));
}

void CConditionNameDlg::SetName(const std::string& name) {
  name_ = name;
  edit_->setText(QString::fromStdString(name));
}

void CConditionNameDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The whole name is selected so that typing replaces it.
  edit_->setFocus(Qt::OtherFocusReason);
  edit_->selectAll();
}

void CConditionNameDlg::accept() {
  name_ = edit_->text().toStdString();
  if (storage::IsBlankConditionName(name_)) {
    edit_->setFocus(Qt::OtherFocusReason);
    return;
  }
  QDialog::accept();
}

}  // namespace orvel::ui
