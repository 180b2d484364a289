#pragma once

namespace orvel::storage {
class ConditionState;
}

class QWidget;

namespace orvel::ui {

class IUserDialogs;

// The commands that change the condition set as a whole, asking for a name in
// the dialog "条件名称設定" (new, rename) or for a confirmation (delete).
void NewConditionCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent);
void RenameConditionCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent);
void DeleteConditionCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
