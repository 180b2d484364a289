#pragma once

#include "storage/working_set.h"
#include "ui/dialog_units.h"

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

  COptionsPage(const QString& title, int widthUnits, int heightUnits, storage::WorkingSet& values,
               QWidget* parent = nullptr);

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

  const DialogUnits& Units() const { return units_; }
  storage::WorkingSet& Values() { return values_; }
  // Controls placed from the template's dialog units; a text that needs more
  // room than the template gives in this font widens its control.
  QCheckBox* AddCheck(const char* name, const QString& text, int x, int y, int w, int h);
  QLabel* AddStatic(const char* name, const QString& text, int x, int y, int w, int h);
  QLineEdit* AddEdit(const char* name, int x, int y, int w, int h);

  // The check-box rule: ticked for a non-zero value, except that a value below
  // 0 or above 2 is first set to 0; read back as 1 or 0.
  static void FillCheck(QCheckBox* box, int& field);
  static int ReadCheck(const QCheckBox* box);

 private:
  QString title_;
  bool opened_ = false;
  DialogUnits units_;
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
