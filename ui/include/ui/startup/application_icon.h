#pragma once

#include <QIcon>

namespace orvel::ui {

// The program's own icon (two folders kept in step) at every size it ships, from
// the program's resources; the same picture the desktop entry names "orvel".
QIcon ApplicationIcon();

}  // namespace orvel::ui
