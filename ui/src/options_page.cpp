#include "ui/options_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <limits>

namespace orvel::ui {

COptionsPage::COptionsPage(const QString& title, int widthUnits, int heightUnits, storage::WorkingSet& values,
                           QWidget* parent)
    : QWidget(parent), title_(title), units_(font()), values_(values) {
  // The sheet is as large as its largest page.
  setMinimumSize(units_.X(widthUnits), units_.Y(heightUnits));
}

void COptionsPage::Open() {
  if (opened_) return;
  FillControls();
  opened_ = true;
}

std::optional<COptionsPage::Refusal> COptionsPage::Leave() {
  if (!opened_) return std::nullopt;
  return ReadControls();
}

namespace {

// A text wider than the template allows in this font keeps its whole width.
template <typename Widget>
void Place(Widget* widget, const QRect& rect) {
  QRect placed = rect;
  placed.setWidth(std::max(rect.width(), widget->sizeHint().width()));
  widget->setGeometry(placed);
}

}  // namespace

QCheckBox* COptionsPage::AddCheck(const char* name, const QString& text, int x, int y, int w, int h) {
  auto* box = new QCheckBox(text, this);
  box->setObjectName(QLatin1String(name));
  Place(box, units_.Rect(x, y, w, h));
  return box;
}

QLabel* COptionsPage::AddStatic(const char* name, const QString& text, int x, int y, int w, int h) {
  auto* label = new QLabel(this);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(text);
  QRect rect = units_.Rect(x, y, w, h);
  rect.setHeight(std::max(rect.height(), label->sizeHint().height()));
  Place(label, rect);
  return label;
}

QLineEdit* COptionsPage::AddEdit(const char* name, int x, int y, int w, int h) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QLatin1String(name));
  // Texts are taken as typed, however long.
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setGeometry(units_.Rect(x, y, w, h));
  return edit;
}

void COptionsPage::FillCheck(QCheckBox* box, int& field) {
  if (field < 0 || field > 2) field = 0;
  box->setChecked(field != 0);
}

int COptionsPage::ReadCheck(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

void TextField::Fill(QLineEdit* edit, const std::string& value) {
  original_ = value;
  shown_ = QString::fromStdString(value);
  edit->setText(shown_);
}

std::string TextField::Read(const QLineEdit* edit) const {
  const QString text = edit->text();
  if (text == shown_) return original_;
  return text.toStdString();
}

}  // namespace orvel::ui
