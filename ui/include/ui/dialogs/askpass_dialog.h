#pragma once

#include <QDialog>

#include <cstdio>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvel::ui {

class IUserDialogs;

// What ssh asks through its askpass program.
enum class AskpassKind {
  Secret,   // a password or a passphrase: typed unseen
  HostKey,  // a host whose key ssh does not know yet, with its fingerprint
  Confirm,  // a yes-or-no question (SSH_ASKPASS_PROMPT=confirm)
  Notice,   // something to read (SSH_ASKPASS_PROMPT=none)
};

// The kind of ssh's prompt; `hint` is SSH_ASKPASS_PROMPT.
AskpassKind AskpassKindOf(const QString& prompt, const QString& hint);

// ssh's question in a dialog of the desktop program. The prompt is shown as
// ssh wrote it (plain text). A host key is named as such, and there Cancel
// is the default button: Return never trusts a key unseen.
class AskpassDialog : public QDialog {
  Q_OBJECT
 public:
  AskpassDialog(const QString& prompt, AskpassKind kind, QWidget* owner = nullptr);

  AskpassKind Kind() const { return kind_; }
  // What ssh reads back once the dialog was accepted: the typed secret, or
  // "yes" for a host key that is to be trusted.
  QString Answer() const;

  QLabel* Heading() const { return heading_; }
  QLabel* Prompt() const { return prompt_; }
  QLineEdit* Edit() const { return edit_; }  // null but for a secret
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  AskpassKind kind_;
  QLabel* heading_;
  QLabel* prompt_;
  QLineEdit* edit_ = nullptr;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// The desktop program started by ssh as its askpass: one dialog through
// `dialogs`, the answer and a line break on `out`. 0 when answered, 1 when
// cancelled (ssh then takes it as no answer).
int RunAskpass(const QString& prompt, const QString& hint, IUserDialogs& dialogs, std::FILE* out);

}  // namespace orvel::ui
