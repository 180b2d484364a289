#pragma once

#include <QDialog>
#include <QString>

#include <string>

namespace orvel::ui {

// The properties of one entry when no file manager can show them: name, folder,
// kind, size, dates, permissions and owner, read once when the window opens.
// A window of its own that does not block (it deletes itself when closed). Each
// value is a label named after its field ("propertyName", "propertyFolder",
// "propertyKind", "propertySize", "propertyModified", "propertyAccessed",
// "propertyChanged", "propertyPermissions", "propertyOwner").
class PropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  // `path` is the entry's full path (bytes); the entry itself is looked at, not
  // what a link points to.
  explicit PropertiesDialog(const std::string& path, QWidget* parent = nullptr);

  // "drwxr-x---" of st_mode, with the set-id and sticky letters.
  static QString PermissionText(unsigned mode);
};

}  // namespace orvel::ui
