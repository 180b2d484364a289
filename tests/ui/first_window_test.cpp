// The first window, before any placement or column width was saved: the
// condition bar and at least 25 lines of the list, within the screen, the
// dates whole and the path column reaching the window's right edge. Runs on a
// screen as large as a desktop's (see tests/CMakeLists.txt).
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/result_delegate.h"
#include "ui/result_list/result_list_view.h"
#include "ui/result_list/result_model.h"
#include "ui/main_window/window_placement.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>

#include <gtest/gtest.h>

namespace orvel {
namespace {

using test::AppRig;

TEST(FirstWindowTest, ShowsTheBarAndTwentyFiveLinesWithinTheScreen) {
  AppRig::ClearSettings();
  test::TempDir dir;
  for (int i = 0; i < 40; ++i) test::WriteFile(dir / ("a/file" + std::to_string(i) + ".txt"), "x", test::Time(1000));
  test::MakeFolder(dir / "b", test::Time(1000));
  AppRig rig;
  rig.Start();
  ui::CMainFrame& frame = rig.Frame();
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  ASSERT_GE(available.height(), 900) << "the test wants a desktop's screen";
  EXPECT_TRUE(available.contains(frame.geometry())) << frame.geometry().width() << "x" << frame.geometry().height();

  // The bar whole above the list.
  EXPECT_GE(rig.Bar().height(), rig.Bar().sizeHint().height());
  EXPECT_LE(rig.Bar().geometry().bottom(), rig.View().geometry().top());

  rig.Bar().BaseEdit()->setText(QString::fromStdString(dir / "a"));
  rig.Bar().TargetEdit()->setText(QString::fromStdString(dir / "b"));
  frame.Commands().Execute(ui::cmd::kListCreation);
  ASSERT_EQ(rig.View().Results().ItemCount(), 40);
  QCoreApplication::processEvents();
  // The 25th line is wholly in sight.
  const QRect line25 = rig.View().visualRect(rig.View().model()->index(24, 0));
  EXPECT_TRUE(rig.View().viewport()->rect().contains(line25))
      << line25.bottom() << " in " << rig.View().viewport()->height();

  // The path column ends at the list's right edge; every date shows whole.
  const QHeaderView* head = rig.View().header();
  EXPECT_EQ(head->sectionViewportPosition(4) + head->sectionSize(4), rig.View().viewport()->width());
  // (The files are in the base folder only: the base date is the one shown.)
  const QString date = rig.View().model()->index(0, ui::ResultModel::kBaseDate).data().toString();
  ASSERT_EQ(date.size(), 19) << date.toStdString();
  const QRect cell(0, 0, head->sectionSize(ui::ResultModel::kBaseDate), 20);
  EXPECT_EQ(ui::ResultDelegate::LayoutCell(QFontMetrics(rig.View().font()), ui::ResultModel::kBaseDate, cell, date).shown,
            date);
}

TEST(FirstWindowTest, ASmallScreenGetsAWindowThatFitsIt) {
  const QRect small(0, 0, 800, 600);
  const QRect placed = ui::FirstPlacement(QSize(1000, 900), small);
  EXPECT_TRUE(small.contains(placed));
  EXPECT_EQ(placed.size(), QSize(800, 600));
  // A window that fits is centred at its own size.
  const QRect centred = ui::FirstPlacement(QSize(600, 400), QRect(100, 50, 1000, 800));
  EXPECT_EQ(centred, QRect(300, 250, 600, 400));
}

TEST(FirstWindowTest, ASavedPlacementStillWins) {
  AppRig::ClearSettings();
  QSettings().setValue("Settings/WindowPos", "0:1:-1:-1:-1:-1:40:30:1240:830");
  AppRig rig;
  rig.Start();
  EXPECT_EQ(rig.Frame().geometry(), QRect(40, 30, 1200, 800));
}

}  // namespace
}  // namespace orvel
