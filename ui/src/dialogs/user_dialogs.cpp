#include "ui/dialogs/user_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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
  return box.exec() == QMessageBox::Yes;
}

engine::KeepVersion QtUserDialogs::AskVersion(const QString& text) {
  QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::NoButton, owner_);
  QPushButton* base =
      box.addButton(QCoreApplication::translate("UserDialogs", "基本を残す(&B)"), QMessageBox::AcceptRole);
  QPushButton* target =
      box.addButton(QCoreApplication::translate("UserDialogs", "対照を残す(&T)"), QMessageBox::AcceptRole);
  QPushButton* both =
      box.addButton(QCoreApplication::translate("UserDialogs", "両方を残す(&O)"), QMessageBox::AcceptRole);
  box.addButton(QMessageBox::Cancel);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == base) return engine::KeepVersion::Base;
  if (clicked == target) return engine::KeepVersion::Target;
  if (clicked == both) return engine::KeepVersion::Both;
  return engine::KeepVersion::Neither;
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
