#include "ui/dialog_units.h"

#include <QFontMetrics>

#include <algorithm>

namespace orvel::ui {

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  charWidth_ = std::max(1, (letters + 26) / 52);
  lineHeight_ = std::max(1, metrics.height());
}

}  // namespace orvel::ui
