#include "ui/dialogs/env_page.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <utility>
#include <vector>

namespace orvel::ui {
namespace {

// The tool's edits' width before the sheet gives them more.
constexpr int kToolLetters = 36;

QGroupBox* AddGroup(QWidget* page, const char* name, const QString& title) {
  auto* group = new QGroupBox(title, page);
  group->setObjectName(QLatin1String(name));
  return group;
}

}  // namespace

CEnvPage::CEnvPage(storage::WorkingSet& values, QWidget* parent)
    : COptionsPage(QCoreApplication::translate("EnvPage", "環境"), values, parent) {
  setObjectName(QStringLiteral("envPage"));
  QGroupBox* doubleClickGroup =
      AddGroup(this, "envDoubleClickGroup", QCoreApplication::translate("EnvPage", "ダブルクリック"));

  // The buttons' positions in the group are the values of DblClk.
  doubleClick_ = new QButtonGroup(this);
  const std::pair<const char*, QString> radios[] = {
      {"envDblClkUpdate", QCoreApplication::translate("EnvPage", "更新(&X)")},
      {"envDblClkProperties", QCoreApplication::translate("EnvPage", "プロパティ(R)")},
      {"envDblClkTool", QCoreApplication::translate("EnvPage", "外部ツール起動(&T)")},
  };
  auto* doubleClickLayout = new QVBoxLayout(doubleClickGroup);
  std::vector<QWidget*> order;
  int position = 0;
  for (const auto& [name, text] : radios) {
    auto* button = new QRadioButton(text, doubleClickGroup);
    button->setObjectName(QLatin1String(name));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);  // a click beside the text misses it
    doubleClickLayout->addWidget(button);
    doubleClick_->addButton(button, position++);
    order.push_back(button);
  }

  QGroupBox* toolGroup = AddGroup(this, "envToolGroup", QCoreApplication::translate("EnvPage", "外部ツール"));
  QLabel* nameLabel = AddStatic("envToolNameLabel", QCoreApplication::translate("EnvPage", "名称(&N)"), toolGroup);
  toolName_ = AddEdit("envToolName", kToolLetters, toolGroup);
  nameLabel->setBuddy(toolName_);
  QLabel* pathLabel = AddStatic("envToolPathLabel", QCoreApplication::translate("EnvPage", "パス(&P)"), toolGroup);
  toolPath_ = AddEdit("envToolPath", kToolLetters, toolGroup);
  pathLabel->setBuddy(toolPath_);
  auto* toolLayout = new QGridLayout(toolGroup);
  toolLayout->addWidget(nameLabel, 0, 0);
  toolLayout->addWidget(toolName_, 0, 1);
  toolLayout->addWidget(pathLabel, 1, 0);
  toolLayout->addWidget(toolPath_, 1, 1);
  toolLayout->setColumnStretch(1, 1);

  confirm_ = AddCheck("envConfirm", QCoreApplication::translate("EnvPage", "同期実行前に確認ダイアログ表示(&D)"));

  // The double-click group with the confirmation beside it, the tool below both.
  auto* layout = new QGridLayout(this);
  layout->addWidget(doubleClickGroup, 0, 0);
  layout->addWidget(confirm_, 0, 1, Qt::AlignTop);
  layout->addWidget(toolGroup, 1, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(2, 1);

  // The keyboard goes through the group's buttons, then the tool, then the confirmation.
  order.insert(order.end(), {toolName_, toolPath_, confirm_});
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
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
