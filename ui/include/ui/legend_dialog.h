#pragma once

class QWidget;

namespace orvel::ui {

class IUserDialogs;

// The legend of the result marks (command 32790): ten rows, read-only.
void ShowLegend(IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
