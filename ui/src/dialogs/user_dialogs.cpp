#include "ui/dialogs/user_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace orvel::ui {
namespace {

const QString kTitle = QStringLiteral("Orvel");

QString Filter() { return QCoreApplication::translate("UserDialogs", "OrvelFile(*.ORV)"); }

}  // namespace

void QtUserDialogs::Message(const QString& text) {
  QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, owner_);
  box.exec();
}

bool QtUserDialogs::AskYesNo(const QString& text) {
  QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Yes | QMessageBox::No, owner_);
  // Return answers No: the questions go on to copy over, delete or empty
  // folders, and none of them may be answered by a key pressed in passing.
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtUserDialogs::SaveFileName(const QString& folder) {
  QFileDialog dialog(owner_, QString(), folder, Filter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("ORV"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> QtUserDialogs::OpenFileName(const QString& folder) {
  QFileDialog dialog(owner_, QString(), folder, Filter());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A name that does not exist may be typed: the load then leaves the set alone.
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> QtUserDialogs::ChooseFolder(const QString& start) {
  QString chosen = QFileDialog::getExistingDirectory(owner_, QCoreApplication::translate("UserDialogs", "フォルダを選択して下さい"), start);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

int QtUserDialogs::Exec(QDialog& dialog) { return dialog.exec(); }

}  // namespace orvel::ui
