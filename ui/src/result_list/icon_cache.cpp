#include "ui/result_list/icon_cache.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

namespace orvel::ui {

namespace {

// The last resort when neither the theme nor the style has an icon: a plain
// sheet, or a folder shape, drawn here.
QIcon DrawnIcon(bool folder) {
  QPixmap pixmap(IconCache::kSize, IconCache::kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(90, 90, 90));
  if (folder) {
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(1, 4, 13, 10);
    p.drawRect(1, 2, 5, 2);
  } else {
    p.setBrush(Qt::white);
    p.drawRect(3, 1, 10, 13);
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace

QIcon IconCache::Usable(QIcon icon, bool folder) {
  if (!icon.isNull() && !icon.availableSizes().isEmpty()) return icon;
  if (!icon.isNull() && !icon.pixmap(kSize, kSize).isNull()) return icon;
  QFileIconProvider provider;
  icon = provider.icon(folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
  if (!icon.isNull() && !icon.pixmap(kSize, kSize).isNull()) return icon;
  if (QStyle* style = QApplication::style()) {
    icon = style->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    if (!icon.isNull() && !icon.pixmap(kSize, kSize).isNull()) return icon;
  }
  return DrawnIcon(folder);
}

const QIcon& IconCache::FolderIcon() {
  if (!folder_) folder_ = Usable(QIcon::fromTheme(QStringLiteral("folder")), true);
  return *folder_;
}

std::string IconCache::ExtensionKey(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  // A leading dot marks a hidden name, not an extension.
  if (dot == std::string_view::npos || dot == 0) return {};
  std::string key(name.substr(dot + 1));
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

const QIcon& IconCache::FileIcon(std::string_view name) {
  std::string key = ExtensionKey(name);
  auto it = files_.find(key);
  if (it != files_.end()) return it->second;

  static const QMimeDatabase mimes;
  const QString probe = QStringLiteral("x.") + QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
  const QMimeType type = key.empty() ? mimes.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                     : mimes.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
  QIcon icon;
  if (type.isValid()) {
    icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  }
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
  return files_.emplace(std::move(key), Usable(icon, false)).first->second;
}

const QPixmap& IconCache::Pixmap(const QIcon& icon, std::optional<QColor> blend) {
  const QPair<qint64, quint64> key(icon.cacheKey(), blend ? (quint64{1} << 32) | blend->rgba() : 0);
  auto it = pixmaps_.find(key);
  if (it != pixmaps_.end()) return it.value();

  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  {
    QPainter p(&pixmap);
    icon.paint(&p, QRect(0, 0, kSize, kSize));
    if (blend) {
      // Half the icon's own colour, half the blend colour, where the icon has pixels.
      p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
      QColor half = *blend;
      half.setAlpha(128);
      p.fillRect(pixmap.rect(), half);
    }
  }
  return pixmaps_.insert(key, pixmap).value();
}

}  // namespace orvel::ui
