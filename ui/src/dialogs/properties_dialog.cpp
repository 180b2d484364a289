#include "ui/dialogs/properties_dialog.h"

#include "platform/file_time.h"
#include "platform/local_time.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <vector>

namespace orvel::ui {

namespace {

enum Field { kName, kFolder, kKind, kSize, kModified, kAccessed, kChanged, kPermissions, kOwner, kFieldCount };

struct FieldLine {
  const char* name;   // the value label's object name
  const char* title;  // the text before it
};
const FieldLine kFields[kFieldCount] = {
    {"propertyName", QT_TRANSLATE_NOOP("PropertiesDialog", "名前:")},
    {"propertyFolder", QT_TRANSLATE_NOOP("PropertiesDialog", "場所:")},
    {"propertyKind", QT_TRANSLATE_NOOP("PropertiesDialog", "種類:")},
    {"propertySize", QT_TRANSLATE_NOOP("PropertiesDialog", "サイズ:")},
    {"propertyModified", QT_TRANSLATE_NOOP("PropertiesDialog", "更新日時:")},
    {"propertyAccessed", QT_TRANSLATE_NOOP("PropertiesDialog", "アクセス日時:")},
    {"propertyChanged", QT_TRANSLATE_NOOP("PropertiesDialog", "状態変更日時:")},
    {"propertyPermissions", QT_TRANSLATE_NOOP("PropertiesDialog", "アクセス権:")},
    {"propertyOwner", QT_TRANSLATE_NOOP("PropertiesDialog", "所有者:")},
};

QString Tr(const char* text) { return QCoreApplication::translate("PropertiesDialog", text); }

QString Decode(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

QString DateText(const struct timespec& time) {
  return QString::fromStdString(
      platform::FormatDate(platform::FileTime{time.tv_sec, static_cast<std::int32_t>(time.tv_nsec)}));
}

// "1,234,567 バイト": the exact count, grouped by thousands.
QString SizeText(long long size) {
  std::string digits = std::to_string(size);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return QCoreApplication::translate("PropertiesDialog", "%1 バイト").arg(QString::fromStdString(grouped));
}

QString UserName(uid_t uid) {
  std::vector<char> buffer(4096);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return QString::fromLocal8Bit(found->pw_name);
  }
  return QString::number(uid);
}

QString GroupName(gid_t gid) {
  std::vector<char> buffer(4096);
  struct group entry {};
  struct group* found = nullptr;
  if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return QString::fromLocal8Bit(found->gr_name);
  }
  return QString::number(gid);
}

QString LinkTarget(const std::string& path) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) return Decode(std::string(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

QString PropertiesDialog::PermissionText(unsigned mode) {
  QString text;
  switch (mode & S_IFMT) {
    case S_IFDIR:
      text += 'd';
      break;
    case S_IFLNK:
      text += 'l';
      break;
    case S_IFIFO:
      text += 'p';
      break;
    case S_IFSOCK:
      text += 's';
      break;
    case S_IFCHR:
      text += 'c';
      break;
    case S_IFBLK:
      text += 'b';
      break;
    default:
      text += '-';
      break;
  }
  // Owner, group, others; the execute letter also tells set-id and sticky bits.
  const unsigned special[3] = {S_ISUID, S_ISGID, S_ISVTX};
  const char specialLetter[3] = {'s', 's', 't'};
  for (int who = 0; who < 3; ++who) {
    const unsigned bits = (mode >> (6 - 3 * who)) & 7u;
    text += (bits & 4u) ? 'r' : '-';
    text += (bits & 2u) ? 'w' : '-';
    const bool execute = bits & 1u;
    if (mode & special[who]) {
      text += execute ? QChar(specialLetter[who]) : QChar(specialLetter[who]).toUpper();
    } else {
      text += execute ? 'x' : '-';
    }
  }
  return text;
}

PropertiesDialog::PropertiesDialog(const std::string& path, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PropertiesDialog"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  std::string folder;
  std::string name = path;
  // A trailing separator belongs to the name's folder form, not to the split.
  const std::size_t end = path.size() > 1 && path.back() == '/' ? path.size() - 1 : path.size();
  const std::size_t slash = path.rfind('/', end == 0 ? 0 : end - 1);
  if (slash != std::string::npos) {
    folder = path.substr(0, slash + 1);
    name = path.substr(slash + 1, end - slash - 1);
  }

  std::array<QString, kFieldCount> texts;
  texts[kName] = Decode(name);
  texts[kFolder] = Decode(folder);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    texts[kKind] = QCoreApplication::translate("PropertiesDialog", "見つかりません");
  } else {
    switch (st.st_mode & S_IFMT) {
      case S_IFREG:
        texts[kKind] = QCoreApplication::translate("PropertiesDialog", "ファイル");
        texts[kSize] = SizeText(static_cast<long long>(st.st_size));
        break;
      case S_IFDIR:
        texts[kKind] = QCoreApplication::translate("PropertiesDialog", "フォルダ");
        break;
      case S_IFLNK:
        texts[kKind] = QCoreApplication::translate("PropertiesDialog", "シンボリックリンク → %1").arg(LinkTarget(path));
        break;
      default:
        texts[kKind] = QCoreApplication::translate("PropertiesDialog", "特殊ファイル");
        break;
    }
    texts[kModified] = DateText(st.st_mtim);
    texts[kAccessed] = DateText(st.st_atim);
    texts[kChanged] = DateText(st.st_ctim);
    texts[kPermissions] =
        QStringLiteral("%1 (%2)").arg(PermissionText(st.st_mode)).arg(st.st_mode & 07777, 4, 8, QChar('0'));
    texts[kOwner] = QStringLiteral("%1 (%2) / %3 (%4)")
                        .arg(UserName(st.st_uid))
                        .arg(st.st_uid)
                        .arg(GroupName(st.st_gid))
                        .arg(st.st_gid);
  }

  setWindowTitle(QCoreApplication::translate("PropertiesDialog", "%1 のプロパティ").arg(texts[kName]));
  auto* form = new QFormLayout;
  for (int f = 0; f < kFieldCount; ++f) {
    auto* value = new QLabel(texts[f]);
    value->setObjectName(QLatin1String(kFields[f].name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setTextFormat(Qt::PlainText);
    form->addRow(Tr(kFields[f].title), value);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  buttons->button(QDialogButtonBox::Close)->setText(QCoreApplication::translate("PropertiesDialog", "閉じる"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

}  // namespace orvel::ui
