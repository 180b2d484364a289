#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvel::ui {

// "条件名称設定": asks for a condition's name. The caller sets the name before
// running the dialog and reads it after OK. A name of nothing but blanks, tabs
// and line breaks cannot be confirmed; any other name is kept exactly as typed,
// leading and trailing blanks included.
class CConditionNameDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CConditionNameDlg(QWidget* owner = nullptr);

  void SetName(const std::string& name);
  const std::string& Name() const { return name_; }

  QLabel* Label() const { return label_; }
  QLineEdit* Edit() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 public Q_SLOTS:
  // OK or Enter: closes only with a name that is not blank.
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::string name_;
  QLabel* label_;
  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace orvel::ui
