#pragma once

namespace orvel::storage {
class ConditionState;
}

class QWidget;

namespace orvel::ui {

class IUserDialogs;

// The options command: the sheet "オプション" with the pages "同期", "検索" and "環境"
// for the current condition and the global options. The extension edits of the
// condition bar are taken first, also when the sheet is then cancelled; OK
// writes every page's values into the working set, shows them in the condition
// bar and stores the current condition.
void OptionsCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
