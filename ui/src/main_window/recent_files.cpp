#include "ui/main_window/recent_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace orvel::ui {
namespace {

QString Normalised(const QString& path) {
  if (path.isEmpty()) return path;
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QString RecentFiles::GroupName() { return QStringLiteral("Recent File List"); }

QString RecentFiles::EntryName(int number) { return QStringLiteral("File%1").arg(number); }

void RecentFiles::Load(QSettings& settings) {
  paths_.clear();
  settings.beginGroup(GroupName());
  for (int number = 1; number <= kMaxCount; ++number) {
    const QString path = settings.value(EntryName(number)).toString();
    if (!path.isEmpty() && !paths_.contains(path)) paths_.append(path);
  }
  settings.endGroup();
}

void RecentFiles::Save(QSettings& settings) const {
  settings.beginGroup(GroupName());
  settings.remove(QString());  // the whole group: entries beyond the list go too
  for (int i = 0; i < paths_.size(); ++i) settings.setValue(EntryName(i + 1), paths_[i]);
  settings.endGroup();
}

void RecentFiles::Add(const QString& path) {
  const QString entry = Normalised(path);
  if (entry.isEmpty()) return;
  paths_.removeAll(entry);
  paths_.prepend(entry);
  while (paths_.size() > kMaxCount) paths_.removeLast();
}

void RecentFiles::Remove(const QString& path) {
  paths_.removeAll(path);
  paths_.removeAll(Normalised(path));
}

}  // namespace orvel::ui
