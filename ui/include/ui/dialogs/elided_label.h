#pragma once

#include <QLabel>
#include <QString>

namespace orvel::ui {

// A one-line label that takes whatever width it is given: a text too long for
// it is shortened in the middle ("…"), so the start of a path and the reason at
// its end stay readable, and the whole text becomes its tooltip.
class ElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString full_;
};

}  // namespace orvel::ui
