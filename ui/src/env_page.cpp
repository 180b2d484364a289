#include "ui/env_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

namespace orvel::ui {
namespace {

QGroupBox* AddGroup(QWidget* page, const char* name, const QString& title, const QRect& rect) {
  auto* group = new QGroupBox(title, page);
  group->setObjectName(QLatin1String(name));
  group->setGeometry(rect);
  return group;
}

}  // namespace

CEnvPage::CEnvPage(storage::WorkingSet& values, QWidget* parent)
    : COptionsPage(QStringLiteral("環境"), 225, 127, values, parent) {
  setObjectName(QStringLiteral("envPage"));
  const DialogUnits& du = Units();
  AddGroup(this, "envDoubleClickGroup", QStringLiteral("ダブルクリック"), du.Rect(6, 3, 81, 51));

  // The buttons' positions in the group are the values of DblClk.
  doubleClick_ = new QButtonGroup(this);
  struct Radio {
    const char* name;
    QString text;
    QRect rect;
  };
  const Radio radios[] = {
      {"envDblClkUpdate", QStringLiteral("更新(&X)"), du.Rect(12, 16, 38, 10)},
      {"envDblClkProperties", QStringLiteral("プロパティ(R)"), du.Rect(12, 28, 55, 10)},
      {"envDblClkTool", QStringLiteral("外部ツール起動(&T)"), du.Rect(12, 42, 71, 10)},
  };
  int position = 0;
  for (const Radio& radio : radios) {
    auto* button = new QRadioButton(radio.text, this);
    button->setObjectName(QLatin1String(radio.name));
    QRect rect = radio.rect;
    rect.setWidth(std::max(rect.width(), button->sizeHint().width()));
    button->setGeometry(rect);
    doubleClick_->addButton(button, position++);
  }

  AddGroup(this, "envToolGroup", QStringLiteral("外部ツール"), du.Rect(6, 63, 213, 54));
  QLabel* nameLabel = AddStatic("envToolNameLabel", QStringLiteral("名称(&N)"), 12, 80, 24, 8);
  toolName_ = AddEdit("envToolName", 36, 78, 177, 14);
  nameLabel->setBuddy(toolName_);
  QLabel* pathLabel = AddStatic("envToolPathLabel", QStringLiteral("パス(&P)"), 12, 99, 23, 8);
  toolPath_ = AddEdit("envToolPath", 36, 96, 177, 14);
  pathLabel->setBuddy(toolPath_);
  confirm_ = AddCheck("envConfirm", QStringLiteral("同期実行前に確認ダイアログ表示(&D)"), 96, 9, 120, 10);
}

void CEnvPage::FillControls() {
  // Any other value leaves all three unchosen.
  storage::WorkingSet& v = Values();
  if (QAbstractButton* button = doubleClick_->button(v.DblClk)) button->setChecked(true);
  toolNameField_.Fill(toolName_, v.ExeName1);
  toolPathField_.Fill(toolPath_, v.ExePath1);
  FillCheck(confirm_, v.ConfDlg);
}

std::optional<COptionsPage::Refusal> CEnvPage::ReadControls() {
  storage::WorkingSet& v = Values();
  v.DblClk = doubleClick_->checkedId();  // -1 when none is chosen
  v.ExeName1 = toolNameField_.Read(toolName_);
  v.ExePath1 = toolPathField_.Read(toolPath_);
  v.ConfDlg = ReadCheck(confirm_);
  return std::nullopt;
}

}  // namespace orvel::ui
