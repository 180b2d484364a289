#include "ui/dialogs/sync_page.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>

namespace orvel::ui {

CSyncPage::CSyncPage(storage::WorkingSet& values, QWidget* parent)
    : COptionsPage(QCoreApplication::translate("SyncPage", "同期"), values, parent) {
  setObjectName(QStringLiteral("syncPage"));
  complete_ = AddCheck("syncComplete", QCoreApplication::translate("SyncPage", "完全同期(&C)"));
  QLabel* note = AddStatic("syncCompleteNote",
                           QCoreApplication::translate("SyncPage",
                                                       "基本フォルダに存在せず，対照フォルダだけに存在\n"
                                                       "するファイル/フォルダを削除します\n"
                                                       "（対照フォルダのファイル/フォルダが削除されます）"));
  QLabel* perCondition =
      AddStatic("syncPerCondition", QCoreApplication::translate("SyncPage", "※このオプションは条件ごとに保存されます"));
  deleteTrash_ = AddCheck("syncDeleteTrash", QCoreApplication::translate("SyncPage", "削除はゴミ箱へ(&D)"));
  memory_ = AddCheck("syncMemory", QCoreApplication::translate("SyncPage", "前回の同期を記憶する(&M)"));
  QLabel* memoryNote = AddStatic(
      "syncMemoryNote",
      QCoreApplication::translate("SyncPage", "一方で削除したファイルは他方でも削除し，両方での変更は「!」で止めます"));

  // The note explains the complete mode, under its text; the remark on where the
  // options are kept stands at the foot of the page.
  auto* layout = new QVBoxLayout(this);
  const auto explain = [&](QCheckBox* box, QLabel* text) {
    layout->addWidget(box);
    auto* explained = new QHBoxLayout;
    explained->addSpacing(CheckTextIndent());
    explained->addWidget(text);
    layout->addLayout(explained);
    layout->addSpacing(layout->spacing());
  };
  explain(complete_, note);
  layout->addWidget(deleteTrash_);
  layout->addSpacing(layout->spacing());
  explain(memory_, memoryNote);
  layout->addStretch(1);
  layout->addWidget(perCondition);
}

void CSyncPage::FillControls() {
  FillCheck(complete_, Values().Complete);
  FillCheck(deleteTrash_, Values().DeleteTrash);
  FillCheck(memory_, Values().Memory);
}

std::optional<COptionsPage::Refusal> CSyncPage::ReadControls() {
  Values().Complete = ReadCheck(complete_);
  Values().DeleteTrash = ReadCheck(deleteTrash_);
  Values().Memory = ReadCheck(memory_);
  return std::nullopt;
}

}  // namespace orvel::ui
