#pragma once

#include "engine/interfaces.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace orvel::ui {

// Which version of a conflict to keep, in one dialog: why the row stopped, each
// side's path, date and size, and the buttons to keep the base's, the target's
// or both, to compare the two files in the external tool, and Cancel. Cancel is
// the default button (Return, Esc and the close box too): it changes nothing.
class VersionDialog : public QDialog {
  Q_OBJECT
 public:
  explicit VersionDialog(const engine::ConflictQuestion& question, QWidget* owner = nullptr);

  // Shows the compare button, which calls `compare` and leaves the dialog open.
  void SetCompare(std::function<void()> compare);
  engine::KeepVersion Choice() const { return choice_; }
  // Records a choice as its button would (tests answer from a script).
  void Choose(engine::KeepVersion choice);
  // Everything the dialog says, as one text.
  QString Text() const;

  QPushButton* BaseButton() const { return base_; }
  QPushButton* TargetButton() const { return target_; }
  QPushButton* BothButton() const { return both_; }
  QPushButton* CompareButton() const { return compare_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  engine::KeepVersion choice_ = engine::KeepVersion::Neither;
  std::function<void()> compareFiles_;
  QList<QLabel*> texts_;
  QPushButton* base_;
  QPushButton* target_;
  QPushButton* both_;
  QPushButton* compare_;
  QPushButton* cancel_;
};

}  // namespace orvel::ui
