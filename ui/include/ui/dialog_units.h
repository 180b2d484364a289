#pragma once

#include <QFont>
#include <QRect>

namespace orvel::ui {

// Dialog units of a font, as dialog templates are laid out: a horizontal unit is
// a quarter of the average width of the Latin letters, a vertical unit an
// eighth of the line height. The letters' average keeps dialogs a sensible size
// also with fonts whose own average width counts their wide CJK glyphs.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int X(int units) const { return (units * charWidth_ + 2) / 4; }
  int Y(int units) const { return (units * lineHeight_ + 4) / 8; }
  QRect Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }

 private:
  int charWidth_ = 1;
  int lineHeight_ = 1;
};

}  // namespace orvel::ui
