#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <string>

class QLabel;

namespace orvel::ui {

// The properties of one entry when no file manager can show them: name, folder,
// kind, size, dates, permissions and owner, read once when the window opens.
// A window of its own that does not block (it deletes itself when closed).
class PropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  enum Field { kName, kFolder, kKind, kSize, kModified, kAccessed, kChanged, kPermissions, kOwner, kFieldCount };

  // `path` is the entry's full path (bytes); the entry itself is looked at, not
  // what a link points to.
  explicit PropertiesDialog(const std::string& path, QWidget* parent = nullptr);

  // The text a field shows.
  QString FieldText(Field field) const;

  // "drwxr-x---" of st_mode, with the set-id and sticky letters.
  static QString PermissionText(unsigned mode);

 private:
  std::array<QLabel*, kFieldCount> values_{};
};

}  // namespace orvel::ui
