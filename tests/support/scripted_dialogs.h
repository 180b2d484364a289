#pragma once

#include "qt_print.h"
#include "ui/dialogs/user_dialogs.h"

#include <QString>
#include <QStringList>

#include <QDialog>

#include <deque>
#include <functional>
#include <optional>

namespace orvel::test {

// Dialogs that answer from a script and record what they were asked. A question
// without a scripted answer is answered No; a file dialog without one is cancelled.
class ScriptedDialogs : public ui::IUserDialogs {
 public:
  void Message(const QString& text) override { messages.push_back(text); }
  bool AskYesNo(const QString& text) override;
  std::optional<QString> SaveFileName(const QString& folder) override {
    fileFolders.push_back(folder);
    return Next(saveNames);
  }
  std::optional<QString> OpenFileName(const QString& folder) override {
    fileFolders.push_back(folder);
    return Next(openNames);
  }
  std::optional<QString> ChooseFolder(const QString& start) override {
    folderStarts.push_back(start);
    return Next(folders);
  }
  // The program's own dialogs: the next script gets the dialog (not shown
  // modally), may drive its widgets, and returns the result; without a script
  // the dialog is cancelled. The version question, without a script, takes
  // the next of `versions` (none: Cancel) and is recorded in `questions`.
  int Exec(QDialog& dialog) override;

  // Scripted answers, used from the front.
  std::deque<bool> answers;
  std::deque<engine::KeepVersion> versions;  // for conflicts; none: Cancel
  std::deque<std::optional<QString>> saveNames;
  std::deque<std::optional<QString>> openNames;
  std::deque<std::optional<QString>> folders;
  std::deque<std::function<int(QDialog&)>> modal;
  // What was shown.
  QStringList messages;
  QStringList questions;
  QStringList folderStarts;
  QStringList fileFolders;  // where the open and save dialogs started
  QStringList dialogTitles;  // the window titles of the dialogs run through Exec

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& queue);
};

}  // namespace orvel::test
