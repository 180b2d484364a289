// The toolbar's pictures read on a light and on a dark theme: every button's
// picture has pixels that stand out from the button's own background, also
// after the palette changes while the window is open.
#include "support/app_rig.h"
#include "ui/main_window/command_table.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

namespace orvel {
namespace {

using test::AppRig;

// Perceived lightness, 0 to 255.
double Lightness(QRgb pixel) { return 0.2126 * qRed(pixel) + 0.7152 * qGreen(pixel) + 0.0722 * qBlue(pixel); }

QPalette DarkPalette() {
  QPalette dark;
  const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    dark.setColor(group, QPalette::Window, window);
    dark.setColor(group, QPalette::Button, window);
    dark.setColor(group, QPalette::Base, base);
    dark.setColor(group, QPalette::AlternateBase, window);
    dark.setColor(group, QPalette::WindowText, text);
    dark.setColor(group, QPalette::ButtonText, text);
    dark.setColor(group, QPalette::Text, text);
    dark.setColor(group, QPalette::Light, window.lighter(130));
    dark.setColor(group, QPalette::Midlight, window.lighter(115));
    dark.setColor(group, QPalette::Mid, window.darker(120));
    dark.setColor(group, QPalette::Dark, window.darker(150));
    dark.setColor(group, QPalette::Shadow, Qt::black);
  }
  return dark;
}

// For each button of the toolbar, the pixels of its 16 × 16 picture that differ
// clearly from the button's background next to the picture.
std::vector<std::pair<int, int>> StandingOut(QToolBar* toolBar) {
  const QImage image = toolBar->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const qreal scale = image.devicePixelRatio();
  std::vector<std::pair<int, int>> counts;
  for (QAction* action : toolBar->actions()) {
    if (action->isSeparator()) continue;
    QWidget* button = toolBar->widgetForAction(action);
    const QRect frame = button->geometry();
    const QRect icon(frame.center() - QPoint(7, 7), QSize(16, 16));
    // The background just left of the picture, inside the button.
    const QPoint beside(icon.left() - 3, icon.center().y());
    const double background = Lightness(image.pixel(QPointF(beside * scale).toPoint()));
    int count = 0;
    for (int y = icon.top(); y <= icon.bottom(); ++y) {
      for (int x = icon.left(); x <= icon.right(); ++x) {
        const QPoint at = QPointF(QPoint(x, y) * scale).toPoint();
        if (std::abs(Lightness(image.pixel(at)) - background) > 60) ++count;
      }
    }
    counts.push_back({action->data().toInt(), count});
  }
  return counts;
}

TEST(ToolbarIconsTest, EveryPictureStandsOutOnALightAndOnADarkPalette) {
  AppRig::ClearSettings();
  const QPalette light = QApplication::palette();
  AppRig rig;
  rig.Start();
  QToolBar* toolBar = rig.Frame().ToolBar();
  const struct {
    const char* name;
    QPalette palette;
  } themes[] = {{"light", light}, {"dark", DarkPalette()}, {"light again", light}};
  for (const auto& theme : themes) {
    SCOPED_TRACE(theme.name);
    // As when the desktop's theme changes under the running program.
    QApplication::setPalette(theme.palette);
    QCoreApplication::processEvents();
    const auto counts = StandingOut(toolBar);
    EXPECT_EQ(counts.size(), 13u);
    for (const auto& [id, count] : counts) EXPECT_GE(count, 12) << "button " << id;
  }
}

}  // namespace
}  // namespace orvel
