#pragma once

#include "storage/condition_bar.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace orvel::ui {

// The condition bar below the toolbar: the list box of conditions, the buttons
// that choose the two folders, the folder and extension edits and the two
// extension check boxes. Its edits are the only copy of what the user typed
// until a command takes them into the working set.
class CondiBar : public QWidget, public storage::IConditionBar {
  Q_OBJECT
 public:
  explicit CondiBar(QWidget* parent = nullptr);

  // storage::IConditionBar
  std::string BaseFolderText() const override;
  std::string TargetFolderText() const override;
  std::string ExtText() const override;
  std::string NoExtText() const override;
  void ShowWorkingSet(const storage::WorkingSet& working) override;
  void ShowToolbarChecks(const storage::WorkingSet& working) override;
  void SetConditionNames(const std::vector<std::string>& names) override;
  void SelectConditionLine(int index) override;

  QLineEdit* BaseEdit() const { return baseEdit_; }
  QLineEdit* TargetEdit() const { return targetEdit_; }
  QLineEdit* ExtEdit() const { return extEdit_; }
  QLineEdit* NoExtEdit() const { return noExtEdit_; }
  QCheckBox* ExtCheck() const { return extCheck_; }
  QCheckBox* NoExtCheck() const { return noExtCheck_; }
  QListWidget* ConditionList() const { return list_; }
  QPushButton* BaseButton() const { return baseButton_; }
  QPushButton* TargetButton() const { return targetButton_; }
  // The edit among the four that has the keyboard focus, or null.
  QLineEdit* FocusedEdit() const;

  // The menu shown on a right click in the list box (the condition commands).
  void SetConditionMenu(QMenu* menu) { conditionMenu_ = menu; }
  // Sets the toolbar's option buttons; the frame supplies it.
  void SetToolbarCheckHook(std::function<void(const storage::WorkingSet&)> hook) { toolbarChecks_ = std::move(hook); }

 Q_SIGNALS:
  // A button or check box of the bar sends its command.
  void CommandRequested(int id);
  // The user chose another line of the list box.
  void ConditionLineChosen(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QListWidget* list_;
  QPushButton* baseButton_;
  QPushButton* targetButton_;
  QLineEdit* baseEdit_;
  QLineEdit* targetEdit_;
  QCheckBox* extCheck_;
  QLineEdit* extEdit_;
  QCheckBox* noExtCheck_;
  QLineEdit* noExtEdit_;
  QMenu* conditionMenu_ = nullptr;
  std::function<void(const storage::WorkingSet&)> toolbarChecks_;
  bool showing_ = false;  // the program, not the user, is changing the list box
};

}  // namespace orvel::ui
