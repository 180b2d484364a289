#include "ui/dialogs/options_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

#include <limits>

namespace orvel::ui {

COptionsPage::COptionsPage(const QString& title, storage::WorkingSet& values, QWidget* parent)
    : QWidget(parent), title_(title), values_(values) {}

void COptionsPage::Open() {
  if (opened_) return;
  FillControls();
  opened_ = true;
}

std::optional<COptionsPage::Refusal> COptionsPage::Leave() {
  if (!opened_) return std::nullopt;
  return ReadControls();
}

QCheckBox* COptionsPage::AddCheck(const char* name, const QString& text, QWidget* parent) {
  auto* box = new QCheckBox(text, parent ? parent : this);
  box->setObjectName(QLatin1String(name));
  // Only as wide as its text, however wide the page: a click beside the text
  // does not reach a check box.
  box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return box;
}

QLabel* COptionsPage::AddStatic(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(parent ? parent : this);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(text);
  return label;
}

QLineEdit* COptionsPage::AddEdit(const char* name, int letters, QWidget* parent) {
  auto* edit = new QLineEdit(parent ? parent : this);
  edit->setObjectName(QLatin1String(name));
  // Texts are taken as typed, however long.
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * letters);
  return edit;
}

int COptionsPage::CheckTextIndent() const {
  return style()->pixelMetric(QStyle::PM_IndicatorWidth) + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
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
