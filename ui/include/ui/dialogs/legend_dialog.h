#pragma once

#include <QDialog>

class QTreeWidget;
class QWidget;

namespace orvel::ui {

class IUserDialogs;

// "結果の意味": what each mark of the result column means, one row per mark in
// the order of the marks, nothing editable.
class CLegendDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CLegendDlg(QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }

 private:
  QTreeWidget* list_ = nullptr;
};

// The legend of the result marks (command 32790): ten rows, read-only.
void ShowLegend(IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
