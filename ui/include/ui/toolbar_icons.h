#pragma once

#include <QIcon>

namespace orvel::ui {

// The toolbar's 16 × 16 pictures, drawn by the program itself; a null icon for a
// command without a button.
QIcon ToolbarIcon(int commandId);

}  // namespace orvel::ui
