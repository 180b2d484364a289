#include "ui/dialogs/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace orvel::ui {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QLabel(parent), full_(text) {
  // Paths are shown as they are, never read as rich text.
  setTextFormat(Qt::PlainText);
  // The width comes from the layout, never from the text: the text follows the width.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Elide();
}

void ElidedLabel::SetFullText(const QString& text) {
  if (text == full_) return;
  full_ = text;
  Elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() {
  const int width = contentsRect().width();
  const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, width);
  if (text() != shown) setText(shown);
  setToolTip(shown == full_ ? QString() : full_);
}

}  // namespace orvel::ui
