#include "ui/sync_page.h"

#include <QCheckBox>

namespace orvel::ui {

CSyncPage::CSyncPage(storage::WorkingSet& values, QWidget* parent)
    : COptionsPage(QStringLiteral("同期"), 227, 163, values, parent) {
  setObjectName(QStringLiteral("syncPage"));
  complete_ = AddCheck("syncComplete", QStringLiteral("完全同期(&C)"), 6, 8, 53, 10);
  AddStatic("syncCompleteNote",
            QStringLiteral("基本フォルダに存在せず，対照フォルダだけに存在\nするファイル/フォルダを削除します\n"
                           "（対照フォルダのファイル/フォルダが削除されます）"),
            18, 22, 166, 26);
  AddStatic("syncPerCondition", QStringLiteral("※このオプションは条件ごとに保存されます"), 6, 153, 127, 8);
  deleteTrash_ = AddCheck("syncDeleteTrash", QStringLiteral("削除はゴミ箱へ(&D)"), 6, 54, 70, 10);
}

void CSyncPage::FillControls() {
  FillCheck(complete_, Values().Complete);
  FillCheck(deleteTrash_, Values().DeleteTrash);
}

std::optional<COptionsPage::Refusal> CSyncPage::ReadControls() {
  Values().Complete = ReadCheck(complete_);
  Values().DeleteTrash = ReadCheck(deleteTrash_);
  return std::nullopt;
}

}  // namespace orvel::ui
