#pragma once

#include "storage/working_set.h"

#include <QString>
#include <QWidget>

#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace orvel::ui {

// One page of the options sheet. It edits the sheet's copy of the working set:
// its controls are filled from the fields when the page is first shown and read
// back into them when the user leaves the page or confirms the sheet. A page the
// user never opens keeps its fields exactly as they were set.
class COptionsPage : public QWidget {
  Q_OBJECT
 public:
  // Why the controls could not be read back: the message for the user and the
  // edit that holds the refused value.
  struct Refusal {
    QString message;
    QLineEdit* edit = nullptr;
  };

  COptionsPage(const QString& title, storage::WorkingSet& values, QWidget* parent = nullptr);

  QString Title() const { return title_; }
  bool Opened() const { return opened_; }
  // Fills the controls from the fields the first time only; later visits find
  // the controls as the user left them.
  void Open();
  // Reads the controls back into the fields; nothing when the page was never
  // opened. On a refusal no field is changed.
  std::optional<Refusal> Leave();

 protected:
  virtual void FillControls() = 0;
  virtual std::optional<Refusal> ReadControls() = 0;

  storage::WorkingSet& Values() { return values_; }
  // The page's controls, in tab order; each page lays them out, every one as
  // large as its text in the font in use.
  QCheckBox* AddCheck(const char* name, const QString& text, QWidget* parent = nullptr);
  QLabel* AddStatic(const char* name, const QString& text, QWidget* parent = nullptr);
  // An edit at least `letters` wide.
  QLineEdit* AddEdit(const char* name, int letters, QWidget* parent = nullptr);
  // How far a check box's text stands in from its left edge: what goes under
  // the text lines up with it.
  int CheckTextIndent() const;

  // The check-box rule: ticked for a non-zero value, except that a value below
  // 0 or above 2 is first set to 0; read back as 1 or 0.
  static void FillCheck(QCheckBox* box, int& field);
  static int ReadCheck(const QCheckBox* box);

 private:
  QString title_;
  bool opened_ = false;
  storage::WorkingSet& values_;
};

// An edit's text and the bytes it was filled from. A text that is not valid
// UTF-8 cannot be shown as it is; as long as the user leaves it untouched, the
// original bytes are read back rather than the replacement characters shown.
class TextField {
 public:
  void Fill(QLineEdit* edit, const std::string& value);
  std::string Read(const QLineEdit* edit) const;

 private:
  std::string original_;
  QString shown_;
};

}  // namespace orvel::ui
