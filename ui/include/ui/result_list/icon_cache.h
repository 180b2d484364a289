#pragma once

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPair>
#include <QPixmap>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvel::ui {

// Small icons for the list, looked up once per kind (a folder, or a file by its
// extension) and kept, so painting 100,000 rows never asks the icon theme twice.
class IconCache {
 public:
  static constexpr int kSize = 16;

  const QIcon& FolderIcon();
  // The icon of a file of this name's type.
  const QIcon& FileIcon(std::string_view name);

  // The icon as a 16 × 16 pixmap, optionally blended half and half with a
  // colour (how a selected line shows its icons). Kept per icon and colour.
  const QPixmap& Pixmap(const QIcon& icon, std::optional<QColor> blend = std::nullopt);

  // The lower-cased extension a file's icon is kept under ("" for none).
  static std::string ExtensionKey(std::string_view name);

 private:
  static QIcon Usable(QIcon icon, bool folder);

  std::optional<QIcon> folder_;
  std::unordered_map<std::string, QIcon> files_;
  QHash<QPair<qint64, quint64>, QPixmap> pixmaps_;  // (icon, blend colour or none)
};

}  // namespace orvel::ui
