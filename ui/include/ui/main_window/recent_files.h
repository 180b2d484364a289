#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace orvel::ui {

// The recent-file list: at most 10 paths, most recent first, kept under
// "Recent File List" as "File1" … "File10".
class RecentFiles {
 public:
  static constexpr int kMaxCount = 10;

  // Replaces the list with the stored entries; empty entries and repeats of an
  // earlier entry are dropped.
  void Load(QSettings& settings);
  // Writes the list as "File1" onward and removes every other entry of the group,
  // so that a shorter list leaves no stale "FileN" behind.
  void Save(QSettings& settings) const;
  // Moves or adds the path to the front (the same file counts once). Paths are
  // kept absolute and cleaned ("a/../b" is "b"), so the same file given two ways
  // is one entry; symbolic links are not resolved. An empty path is ignored.
  void Add(const QString& path);
  void Remove(const QString& path);
  const QStringList& Paths() const { return paths_; }

  // The group and value names in the settings.
  static QString GroupName();
  static QString EntryName(int number);  // number counts from 1

 private:
  QStringList paths_;
};

}  // namespace orvel::ui
