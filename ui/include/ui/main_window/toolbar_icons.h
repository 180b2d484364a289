#pragma once

#include <QIcon>

class QPalette;

namespace orvel::ui {

// The toolbar's 16 × 16 pictures, drawn by the program itself in the colours of
// a palette; a null icon for a command without a button.
QIcon ToolbarIcon(int commandId, const QPalette& palette);

}  // namespace orvel::ui
