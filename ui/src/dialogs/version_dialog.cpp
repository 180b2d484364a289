#include "ui/dialogs/version_dialog.h"

#include "engine/amounts.h"
#include "platform/local_time.h"
#include "ui/startup/run_texts.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace orvel::ui {
namespace {

QLabel* AddText(QWidget* parent, const QString& text) {
  auto* label = new QLabel(text, parent);
  // Paths are shown as they are, never read as rich text.
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// What the list shows of one side: its date and size, or that it is gone.
QString SideText(bool exists, bool folder, const platform::FileTime& time, std::uint64_t size) {
  if (!exists) return QCoreApplication::translate("VersionDialog", "（削除されています）");
  const QString date = QString::fromStdString(platform::FormatDate(time));
  if (folder) return QCoreApplication::translate("VersionDialog", "%1  フォルダ").arg(date);
  return QCoreApplication::translate("VersionDialog", "%1  %2（%3 バイト）")
      .arg(date, QString::fromStdString(engine::BytesText(size)), QLocale::c().toString(static_cast<qulonglong>(size)));
}

}  // namespace

VersionDialog::VersionDialog(const engine::ConflictQuestion& question, QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("VersionDialog"));
  setWindowTitle(QStringLiteral("Orvel"));
  const auto path = [](const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); };

  auto* layout = new QVBoxLayout(this);
  texts_.push_back(AddText(this, QCoreApplication::translate("VersionDialog", "前回の同期の後に両方のフォルダで変更があります\n%1").arg(ReasonText(question.reason))));
  layout->addWidget(texts_.back());
  auto* sides = new QGridLayout;
  const struct {
    const char* name;
    const std::string& path;
    bool exists;
    bool folder;
    const platform::FileTime& time;
    std::uint64_t size;
  } lines[] = {{QT_TRANSLATE_NOOP("VersionDialog", "基本:"), question.basePath, question.baseExists, question.baseFolder, question.baseTime, question.baseSize},
               {QT_TRANSLATE_NOOP("VersionDialog", "対照:"), question.targetPath, question.targetExists, question.targetFolder, question.targetTime,
                question.targetSize}};
  int row = 0;
  for (const auto& line : lines) {
    texts_.push_back(AddText(this, QCoreApplication::translate("VersionDialog", line.name)));
    sides->addWidget(texts_.back(), row, 0, Qt::AlignTop);
    texts_.push_back(AddText(this, path(line.path)));
    sides->addWidget(texts_.back(), row++, 1);
    texts_.push_back(AddText(this, SideText(line.exists, line.folder, line.time, line.size)));
    sides->addWidget(texts_.back(), row++, 1);
  }
  sides->setColumnStretch(1, 1);
  layout->addLayout(sides);
  QString ask = QCoreApplication::translate("VersionDialog", "どちらを残しますか？\n残さない方はごみ箱へ移します（ごみ箱がない所では別の名前で横に残します）");
  if (!question.baseExists || !question.targetExists)
    ask += QLatin1Char('\n') + QCoreApplication::translate("VersionDialog", "削除された側を残すと、もう一方もごみ箱へ移します");
  texts_.push_back(AddText(this, ask));
  layout->addWidget(texts_.back());

  base_ = new QPushButton(QCoreApplication::translate("VersionDialog", "基本を残す(&B)"), this);
  target_ = new QPushButton(QCoreApplication::translate("VersionDialog", "対照を残す(&T)"), this);
  both_ = new QPushButton(QCoreApplication::translate("VersionDialog", "両方を残す(&O)"), this);
  compare_ = new QPushButton(QCoreApplication::translate("VersionDialog", "比較(&D)"), this);
  cancel_ = new QPushButton(QCoreApplication::translate("VersionDialog", "キャンセル"), this);
  compare_->hide();
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {base_, target_, both_, compare_}) {
    // Return never presses a button that changes files, whichever has the focus.
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  cancel_->setDefault(true);
  layout->addLayout(buttons);

  connect(base_, &QPushButton::clicked, this, [this] { Choose(engine::KeepVersion::Base); });
  connect(target_, &QPushButton::clicked, this, [this] { Choose(engine::KeepVersion::Target); });
  connect(both_, &QPushButton::clicked, this, [this] { Choose(engine::KeepVersion::Both); });
  connect(cancel_, &QPushButton::clicked, this, [this] { Choose(engine::KeepVersion::Neither); });
  connect(compare_, &QPushButton::clicked, this, [this] {
    if (compareFiles_) compareFiles_();
  });
  cancel_->setFocus();
}

void VersionDialog::SetCompare(std::function<void()> compare) {
  compareFiles_ = std::move(compare);
  compare_->setVisible(static_cast<bool>(compareFiles_));
}

void VersionDialog::Choose(engine::KeepVersion choice) {
  choice_ = choice;
  if (choice == engine::KeepVersion::Neither) {
    reject();
  } else {
    accept();
  }
}

QString VersionDialog::Text() const {
  QStringList parts;
  for (const QLabel* label : texts_) parts << label->text();
  return parts.join(QLatin1Char('\n'));
}

}  // namespace orvel::ui
