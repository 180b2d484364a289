#pragma once

#include "engine/interfaces.h"

#include <QString>

#include <optional>

class QDialog;
class QWidget;

namespace orvel::ui {

// Everything that would wait for the user in a modal loop: message boxes, file
// dialogs and the folder browser. The program uses QtUserDialogs; tests give
// scripted answers instead.
class IUserDialogs {
 public:
  virtual ~IUserDialogs() = default;
  // A message box titled "Orvel" with an OK button and the exclamation icon.
  virtual void Message(const QString& text) = 0;
  // The same with Yes and No; true for Yes. No is the default button.
  virtual bool AskYesNo(const QString& text) = 0;
  // The save dialog of condition files ("OrvelFile(*.ORV)", default suffix ORV,
  // asking before overwriting), starting in `folder`; nothing when cancelled.
  virtual std::optional<QString> SaveFileName(const QString& folder) = 0;
  // The open dialog of condition files, starting in `folder`; a name that does
  // not exist may be typed.
  virtual std::optional<QString> OpenFileName(const QString& folder) = 0;
  // The folder browser "フォルダを選択して下さい", starting at `start`; nothing when
  // cancelled.
  virtual std::optional<QString> ChooseFolder(const QString& start) = 0;
  // Runs one of the program's own modal dialogs (the options sheet, the name
  // dialog, the legend, About, the version question) and returns its result (QDialog::Accepted or
  // QDialog::Rejected).
  virtual int Exec(QDialog& dialog) = 0;
};

// The real dialogs, owned by the main window.
class QtUserDialogs : public IUserDialogs {
 public:
  explicit QtUserDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void Message(const QString& text) override;
  bool AskYesNo(const QString& text) override;
  std::optional<QString> SaveFileName(const QString& folder) override;
  std::optional<QString> OpenFileName(const QString& folder) override;
  std::optional<QString> ChooseFolder(const QString& start) override;
  int Exec(QDialog& dialog) override;

 private:
  QWidget* owner_;
};

}  // namespace orvel::ui
