#include "ui/dialog_units.h"

#include <QFontMetrics>

namespace orvel::ui {

QRect DialogRect(const QFont& font, int x, int y, int width, int height) {
  QFontMetrics metrics(font);
  // The average width of the Latin letters, as dialog units are defined.
  const int averageWidth =
      (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
  const int lineHeight = metrics.height();
  auto horizontal = [averageWidth](int units) { return (units * averageWidth + 2) / 4; };
  auto vertical = [lineHeight](int units) { return (units * lineHeight + 4) / 8; };
  return QRect(horizontal(x), vertical(y), horizontal(width), vertical(height));
}

}  // namespace orvel::ui
