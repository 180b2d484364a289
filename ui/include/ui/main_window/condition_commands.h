#pragma once

namespace orvel::storage {
class WorkingData;
}

class QWidget;

namespace orvel::ui {

class IUserDialogs;

// The commands that name a condition in the dialog "条件名称設定": a new one, or
// the current one renamed. Deleting needs no dialog of its own
// (WorkingData::DeleteCondition asks its question).
void NewConditionCommand(storage::WorkingData& data, IUserDialogs& dialogs, QWidget* parent);
void RenameConditionCommand(storage::WorkingData& data, IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
