#include "ui/dialogs/condition_name_dialog.h"

#include "storage/condition_commands.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvel::ui {
namespace {

// The edit's width before the name is typed: room for a long name.
constexpr int kNameLetters = 30;

}  // namespace

CConditionNameDlg::CConditionNameDlg(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("ConditionNameDlg"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  setWindowTitle(QCoreApplication::translate("ConditionNameDialog", "条件名称設定"));

  // Created in tab order: the label's mnemonic goes to the control after it.
  label_ = new QLabel(QCoreApplication::translate("ConditionNameDialog", "条件名(&N)"), this);
  label_->setObjectName(QStringLiteral("conditionNameLabel"));
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("conditionNameEdit"));
  edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * kNameLetters);
  label_->setBuddy(edit_);

  ok_ = new QPushButton(QCoreApplication::translate("ConditionNameDialog", "OK"), this);
  ok_->setObjectName(QStringLiteral("conditionNameOk"));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CConditionNameDlg::accept);

  cancel_ = new QPushButton(QCoreApplication::translate("ConditionNameDialog", "ｷｬﾝｾﾙ"), this);
  cancel_->setObjectName(QStringLiteral("conditionNameCancel"));
  connect(cancel_, &QPushButton::clicked, this, &CConditionNameDlg::reject);

  // The label beside the edit, OK and Cancel below them on the right.
  auto* nameLine = new QHBoxLayout;
  nameLine->addWidget(label_);
  nameLine->addWidget(edit_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameLine);
  layout->addSpacing(layout->spacing());
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
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
