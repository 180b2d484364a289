#include "ui/dialogs/askpass_dialog.h"

#include "ui/dialogs/user_dialogs.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvel::ui {

AskpassKind AskpassKindOf(const QString& prompt, const QString& hint) {
  // ssh asks about an unknown host key with an answer to type, not as a
  // confirmation: its words tell it apart.
  if (prompt.contains(QLatin1String("authenticity of host")) ||
      (prompt.contains(QLatin1String("fingerprint")) && prompt.contains(QLatin1String("(yes/no"))))
    return AskpassKind::HostKey;
  if (hint == QLatin1String("confirm")) return AskpassKind::Confirm;
  if (hint == QLatin1String("none")) return AskpassKind::Notice;
  return AskpassKind::Secret;
}

AskpassDialog::AskpassDialog(const QString& prompt, AskpassKind kind, QWidget* owner) : QDialog(owner), kind_(kind) {
  setObjectName(QStringLiteral("AskpassDialog"));
  setWindowTitle(QCoreApplication::translate("Askpass", "Orvel - ssh"));
  auto* layout = new QVBoxLayout(this);
  QString heading;
  switch (kind) {
    case AskpassKind::Secret:
      heading = QCoreApplication::translate("Askpass", "ssh が入力を求めています");
      break;
    case AskpassKind::HostKey:
      heading = QCoreApplication::translate(
          "Askpass", "接続先のホストの鍵はまだ登録されていません\n指紋が接続先の管理者の示すものと同じ場合にだけ接続してください");
      break;
    case AskpassKind::Confirm:
      heading = QCoreApplication::translate("Askpass", "ssh が確認を求めています");
      break;
    case AskpassKind::Notice:
      heading = QCoreApplication::translate("Askpass", "ssh からのお知らせ");
      break;
  }
  heading_ = new QLabel(heading, this);
  heading_->setObjectName(QStringLiteral("askpassHeading"));
  heading_->setTextFormat(Qt::PlainText);
  layout->addWidget(heading_);
  prompt_ = new QLabel(prompt, this);
  prompt_->setObjectName(QStringLiteral("askpassPrompt"));
  // What ssh wrote, never read as rich text; the fingerprint can be copied.
  prompt_->setTextFormat(Qt::PlainText);
  prompt_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  prompt_->setWordWrap(true);
  layout->addWidget(prompt_);
  if (kind == AskpassKind::Secret) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("askpassEdit"));
    edit_->setEchoMode(QLineEdit::Password);
    layout->addWidget(edit_);
  }
  const QString okText = kind == AskpassKind::HostKey   ? QCoreApplication::translate("Askpass", "鍵を登録して接続(&C)")
                         : kind == AskpassKind::Confirm ? QCoreApplication::translate("Askpass", "はい(&Y)")
                                                        : QCoreApplication::translate("Askpass", "OK");
  ok_ = new QPushButton(okText, this);
  cancel_ = new QPushButton(QCoreApplication::translate("Askpass", "キャンセル"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
  if (kind == AskpassKind::Notice) cancel_->hide();
  // Return sends a typed secret; a key or a confirmation is given only by its
  // own button.
  const bool returnAnswers = kind == AskpassKind::Secret || kind == AskpassKind::Notice;
  ok_->setAutoDefault(false);
  cancel_->setAutoDefault(false);
  (returnAnswers ? ok_ : cancel_)->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  if (edit_) {
    edit_->setFocus();
  } else {
    (returnAnswers ? ok_ : cancel_)->setFocus();
  }
}

QString AskpassDialog::Answer() const {
  switch (kind_) {
    case AskpassKind::Secret:
      return edit_->text();
    case AskpassKind::HostKey:
      return QStringLiteral("yes");
    case AskpassKind::Confirm:
    case AskpassKind::Notice:
      break;
  }
  return {};
}

int RunAskpass(const QString& prompt, const QString& hint, IUserDialogs& dialogs, std::FILE* out) {
  AskpassDialog dialog(prompt, AskpassKindOf(prompt, hint));
  if (dialogs.Exec(dialog) != QDialog::Accepted) return 1;
  const QByteArray answer = dialog.Answer().toUtf8() + '\n';
  std::fwrite(answer.constData(), 1, static_cast<std::size_t>(answer.size()), out);
  std::fflush(out);
  return 0;
}

}  // namespace orvel::ui
