// The window never starts beyond the screen's available area, at any scale
// (the test runs at scale 1 and 2 on a 1920 x 1200 screen): neither the first
// window nor one whose saved placement is larger than the screen or off it.
#include "support/app_rig.h"
#include "ui/main_window/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <gtest/gtest.h>

namespace orvel {
namespace {

TEST(WindowFitTest, TheWindowAndItsFrameStartWithinTheAvailableArea) {
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  for (const char* saved : {"", "0:1:-1:-1:-1:-1:-300:-200:3000:2500", "0:3:-1:-1:-1:-1:1500:900:2400:1500"}) {
    SCOPED_TRACE(saved);
    test::AppRig::ClearSettings();
    if (*saved) QSettings().setValue("Settings/WindowPos", saved);
    test::AppRig rig;
    rig.Start();
    ui::CMainFrame& frame = rig.Frame();
    if (frame.isMaximized()) frame.showNormal();
    // The frame as the window manager would draw it around the window.
    const QRect framed = frame.geometry().marginsAdded(ui::FrameMargins(frame));
    EXPECT_TRUE(available.contains(framed)) << framed.x() << "," << framed.y() << " " << framed.width() << "x"
                                            << framed.height() << " in " << available.width() << "x"
                                            << available.height();
  }
}

}  // namespace
}  // namespace orvel
