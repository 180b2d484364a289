// Icons of the result list: one look-up per kind, usable even without an icon
// theme, and a blended form for selected lines.
#include "ui/result_list/icon_cache.h"

#include <QImage>

#include <gtest/gtest.h>

namespace orvel::ui {
namespace {

bool HasVisiblePixels(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) > 0) return true;
    }
  }
  return false;
}

TEST(ResultIconsTest, ExtensionKeys) {
  EXPECT_EQ(IconCache::ExtensionKey("report.TXT"), "txt");
  EXPECT_EQ(IconCache::ExtensionKey("archive.tar.Gz"), "gz");
  EXPECT_EQ(IconCache::ExtensionKey("Makefile"), "");
  EXPECT_EQ(IconCache::ExtensionKey(".bashrc"), "");
  EXPECT_EQ(IconCache::ExtensionKey("trailing."), "");
  EXPECT_EQ(IconCache::ExtensionKey("名前.ＴＸＴ"), "ＴＸＴ");  // only ASCII is folded
}

TEST(ResultIconsTest, OneIconPerKindAndAlwaysSomethingToDraw) {
  IconCache icons;
  const QIcon& txt = icons.FileIcon("a.txt");
  EXPECT_EQ(&icons.FileIcon("B.TXT"), &txt);  // kept per extension
  EXPECT_EQ(&icons.FolderIcon(), &icons.FolderIcon());
  for (const char* name : {"a.txt", "no-extension", "x.unknownext", "bad\xff.\xfe", ".hidden"}) {
    const QIcon& icon = icons.FileIcon(name);
    ASSERT_FALSE(icon.isNull()) << name;
    const QPixmap& pixmap = icons.Pixmap(icon);
    EXPECT_EQ(pixmap.size(), QSize(16, 16)) << name;
    EXPECT_TRUE(HasVisiblePixels(pixmap)) << name;
  }
  EXPECT_TRUE(HasVisiblePixels(icons.Pixmap(icons.FolderIcon())));
}

TEST(ResultIconsTest, BlendedPixmapsMixInTheColourWhereTheIconIs) {
  IconCache icons;
  const QIcon& folder = icons.FolderIcon();
  const QImage plain = icons.Pixmap(folder).toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage blended = icons.Pixmap(folder, QColor(0, 0, 255)).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(&icons.Pixmap(folder, QColor(0, 0, 255)), &icons.Pixmap(folder, QColor(0, 0, 255)));
  EXPECT_NE(&icons.Pixmap(folder, QColor(0, 0, 255)), &icons.Pixmap(folder, QColor(255, 0, 0)));
  int compared = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const QRgb p = plain.pixel(x, y);
      const QRgb b = blended.pixel(x, y);
      // Transparent stays transparent; opaque pixels move halfway to blue.
      EXPECT_EQ(qAlpha(b), qAlpha(p));
      if (qAlpha(p) == 255) {
        ++compared;
        EXPECT_NEAR(qBlue(b), (qBlue(p) + 255) / 2, 2);
        EXPECT_NEAR(qRed(b), qRed(p) / 2, 2);
      }
    }
  }
  EXPECT_GT(compared, 10);
}

}  // namespace
}  // namespace orvel::ui
