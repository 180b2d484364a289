#pragma once

#include <QFont>
#include <QRect>

namespace orvel::ui {

// Converts a rectangle given in dialog units into pixels of the given font, as
// dialog templates are laid out: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the line height.
QRect DialogRect(const QFont& font, int x, int y, int width, int height);

}  // namespace orvel::ui
