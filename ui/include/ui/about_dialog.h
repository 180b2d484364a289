#pragma once

class QWidget;

namespace orvel::ui {

class IUserDialogs;

// The About box (command 57664): "Orvel Version 1.73", the maker and a
// selectable address.
void ShowAbout(IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
