#include "ui/main_window/window_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <gtest/gtest.h>

namespace orvel::ui {
namespace {

TEST(WindowPlacementTest, FormatAndParseRoundTripWithNegativeNumbers) {
  WindowPlacement p;
  p.flags = 0;
  p.showState = 3;
  p.minX = -1;
  p.minY = -32000;
  p.maxX = -8;
  p.maxY = 2147483647;
  p.normal = QRect(QPoint(-1920, -12), QPoint(-100, 700));
  const QString text = FormatWindowPlacement(p);
  EXPECT_EQ(text, "0:3:-1:-32000:-8:2147483647:-1920:-12:-100:700");

  const auto parsed = ParseWindowPlacement(text);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->flags, 0);
  EXPECT_EQ(parsed->showState, 3);
  EXPECT_EQ(parsed->minX, -1);
  EXPECT_EQ(parsed->minY, -32000);
  EXPECT_EQ(parsed->maxX, -8);
  EXPECT_EQ(parsed->maxY, 2147483647);
  EXPECT_EQ(parsed->normal, p.normal);
  EXPECT_EQ(FormatWindowPlacement(*parsed), text);

  // A leading plus and leading zeros are still decimal.
  const auto signed_ = ParseWindowPlacement("+1:2:-1:-1:-1:-1:010:20:-2147483648:400");
  ASSERT_TRUE(signed_.has_value());
  EXPECT_EQ(signed_->flags, 1);
  EXPECT_EQ(signed_->normal.left(), 10);
  EXPECT_EQ(signed_->normal.right(), -2147483647 - 1);
}

TEST(WindowPlacementTest, AnythingButTenPlainIntegersIsRejected) {
  for (const QString text : {
           "",
           "0:1:-1:-1:-1:-1:10:20:300",             // nine
           "0:1:-1:-1:-1:-1:10:20:300:400:5",       // eleven
           "0:1:-1:-1:-1:-1:10:20:300:400:",        // empty eleventh
           "0:1:-1:-1:-1:-1:10:20:300:400x",        // trailing junk
           "0:1:-1:-1:-1:-1:10:20:300:400 ",        // trailing blank
           " 0:1:-1:-1:-1:-1:10:20:300:400",        // leading blank
           "0:1:-1:-1::-1:10:20:300:400",           // empty field
           "0:1:-1:-1:-:-1:10:20:300:400",          // sign alone
           "0:1:-1:-1:--1:-1:10:20:300:400",        // two signs
           "0:1:-1:-1:-1:-1:0x10:20:300:400",       // hexadecimal
           "0:1:-1:-1:-1:-1:1.5:20:300:400",        // fraction
           "0:1:-1:-1:-1:-1:10:20:2147483648:400",  // beyond int
           "0;1;-1;-1;-1;-1;10;20;300;400",         // other separator
           "0:1:-1:-1:-1:-1:１0:20:300:400",        // full-width digit
           "garbage",
       }) {
    EXPECT_FALSE(ParseWindowPlacement(text).has_value()) << text.toStdString();
  }
}

TEST(WindowPlacementTest, TheStoredRightAndBottomAreExclusiveEdges) {
  WindowPlacement p;
  p.SetNormalGeometry(QRect(100, 50, 640, 480));
  EXPECT_EQ(FormatWindowPlacement(p), "0:1:-1:-1:-1:-1:100:50:740:530");
  EXPECT_EQ(p.NormalGeometry(), QRect(100, 50, 640, 480));
  EXPECT_EQ(ParseWindowPlacement("0:1:-1:-1:-1:-1:100:50:740:530")->NormalGeometry(), QRect(100, 50, 640, 480));
}

TEST(WindowPlacementTest, AWindowClosedMaximisedReopensMaximisedWithItsNormalRectangle) {
  QMainWindow closing;
  closing.setGeometry(30, 40, 400, 300);
  closing.show();
  closing.showMaximized();
  const WindowPlacement saved = CapturePlacement(closing);
  EXPECT_EQ(saved.showState, WindowPlacement::kShowMaximised);
  EXPECT_EQ(saved.NormalGeometry(), QRect(30, 40, 400, 300));

  const auto parsed = ParseWindowPlacement(FormatWindowPlacement(saved));
  ASSERT_TRUE(parsed.has_value());
  QMainWindow opening;
  ASSERT_TRUE(RestorePlacement(opening, *parsed));
  opening.show();
  EXPECT_TRUE(opening.isMaximized());
  EXPECT_EQ(opening.normalGeometry(), QRect(30, 40, 400, 300));
  opening.showNormal();
  EXPECT_EQ(opening.geometry(), QRect(30, 40, 400, 300));
}

TEST(WindowPlacementTest, MinimisedOpensNormalAndUnusableRectanglesAreHandled) {
  QMainWindow closing;
  closing.setGeometry(20, 30, 320, 200);
  EXPECT_EQ(CapturePlacement(closing).showState, WindowPlacement::kShowNormal);
  EXPECT_EQ(CapturePlacement(closing).NormalGeometry(), QRect(20, 30, 320, 200));

  WindowPlacement minimised = CapturePlacement(closing);
  minimised.showState = WindowPlacement::kShowMinimised;
  QMainWindow opening;
  ASSERT_TRUE(RestorePlacement(opening, minimised));
  opening.show();
  EXPECT_FALSE(opening.isMinimized());
  EXPECT_FALSE(opening.isMaximized());
  EXPECT_EQ(opening.geometry(), QRect(20, 30, 320, 200));

  // Closed on a screen that is gone: the size stays, the window comes back.
  WindowPlacement faraway;
  faraway.SetNormalGeometry(QRect(50000, 40000, 300, 200));
  QMainWindow lost;
  ASSERT_TRUE(RestorePlacement(lost, faraway));
  EXPECT_EQ(lost.geometry().size(), QSize(300, 200));
  const QMargins frame = FrameMargins(lost);
  EXPECT_EQ(lost.geometry().topLeft(),
            QGuiApplication::primaryScreen()->availableGeometry().topLeft() + QPoint(frame.left(), frame.top()));

  // No area: nothing applied.
  WindowPlacement empty;
  empty.normal = QRect(QPoint(100, 100), QPoint(100, 400));
  QMainWindow untouched;
  untouched.setGeometry(5, 6, 200, 100);
  EXPECT_FALSE(RestorePlacement(untouched, empty));
  EXPECT_EQ(untouched.geometry(), QRect(5, 6, 200, 100));
}

}  // namespace
}  // namespace orvel::ui
