// The desktop program as a whole: start-up, the condition bar and list box,
// the toggles, the update rules, runs and the window's placement.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/result_list/mark_colours.h"
#include "ui/result_list/result_model.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QStatusBar>
#include <QTimer>
#include <QContextMenuEvent>
#include <QApplication>

#include <gtest/gtest.h>

namespace orvel {
namespace {

using test::AppRig;
using test::MakeCondition;
using test::TempDir;
using test::Time;
using test::WriteFile;
namespace cmd = ui::cmd;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { AppRig::ClearSettings(); }

  QAction* Action(int id) { return rig.Frame().Commands().Action(id); }
  bool Run(int id) { return rig.Frame().Commands().Execute(id); }
  void Idle() {
    rig.Frame().Commands().UpdateAll();
    QCoreApplication::processEvents();
  }
  QString ConditionName() {
    auto* label = rig.View().Progress().findChild<QLabel*>("progressCondition");
    return label ? label->text() : QStringLiteral("<no label>");
  }
  QToolButton* ToolButton(int id) {
    return qobject_cast<QToolButton*>(rig.Frame().ToolBar()->widgetForAction(Action(id)));
  }
  // Two folder pairs with one newer base file each, and a condition file naming them.
  std::string TwoConditionFile() {
    WriteFile(dir / "a1/new.txt", "new", Time(2000));
    WriteFile(dir / "b1/new.txt", "old", Time(1000));
    WriteFile(dir / "a2/only.txt", "x", Time(1000));
    test::MakeFolder(dir / "b2", Time(1000));
    std::string file = dir / "two.ORV";
    test::WriteConditionFile(file, {MakeCondition("first", dir / "a1", dir / "b1"),
                                    MakeCondition("second", dir / "a2", dir / "b2")});
    return file;
  }

  TempDir dir;
  AppRig rig;
};

TEST_F(MainWindowTest, FirstStartShowsOneNewConditionFromTheDefaults) {
  rig.Start();
  EXPECT_EQ(rig.Frame().windowTitle(), "Orvel");
  ASSERT_EQ(rig.Bar().ConditionList()->count(), 1);
  EXPECT_EQ(rig.Bar().ConditionList()->item(0)->text(), "新規");
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/");
  EXPECT_EQ(rig.Bar().TargetEdit()->text(), "/");
  EXPECT_FALSE(rig.Bar().ExtCheck()->isChecked());
  Idle();
  EXPECT_TRUE(Action(cmd::kRecyclerFolder)->isChecked());
  EXPECT_FALSE(Action(cmd::kSameDisp)->isChecked());  // identical files are shown
  EXPECT_FALSE(Action(cmd::kSubFolder)->isChecked());
  EXPECT_EQ(rig.Frame().ReadyPane()->text(), "ﾚﾃﾞｨ");
  EXPECT_EQ(rig.Frame().FoundPane()->text(), " 0 ");
}

TEST_F(MainWindowTest, TheWorkingSetSurvivesARestartButTypedTextDoesNot) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  rig.Bar().ConditionList()->setCurrentRow(1);
  QCoreApplication::processEvents();  // the switch arrives as a posted call
  ASSERT_EQ(rig.State().CurrentIndex(), 1);
  rig.Bar().BaseEdit()->setText("/typed/but/never/taken");
  rig.Frame().close();
  rig.app.reset();

  AppRig second;
  second.Start();
  ASSERT_EQ(second.Bar().ConditionList()->count(), 1);
  EXPECT_EQ(second.Bar().ConditionList()->item(0)->text(), "新規");
  EXPECT_EQ(second.Bar().BaseEdit()->text().toStdString(), dir / "a2");
  EXPECT_EQ(second.Bar().TargetEdit()->text().toStdString(), dir / "b2");
}

TEST_F(MainWindowTest, CommandLineFileWithRAndXSyncsAndCloses) {
  std::string file = TwoConditionFile();
  rig.Start({QString::fromStdString(file), "-r", "/X"});
  EXPECT_TRUE(rig.Frame().isVisible());
  EXPECT_EQ(rig.Bar().ConditionList()->count(), 2);
  QTRY_VERIFY_WITH_TIMEOUT(!rig.Frame().isVisible(), 5000);
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "new");
  EXPECT_EQ(test::ReadFile(dir / "b2/only.txt"), "x");
  EXPECT_TRUE(rig.dialogs.questions.isEmpty());  // R asks no confirmation
}

TEST_F(MainWindowTest, SwitchesWithoutAFileOrAMissingFileDoNothing) {
  rig.Start({"-R", "-X"});
  QCoreApplication::processEvents();
  EXPECT_TRUE(rig.Frame().isVisible());
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());
  EXPECT_FALSE(rig.app->Switches().autoRun);

  AppRig missing;
  missing.Start({QString::fromStdString(dir / "missing.ORV"), "-R", "-X"});
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(missing.Frame().isVisible());
  EXPECT_EQ(missing.dialogs.messages, QStringList{"指定された条件ファイルが見つかりません"});
  EXPECT_EQ(missing.Bar().ConditionList()->item(0)->text(), "新規");
  EXPECT_EQ(missing.View().Results().ItemCount(), 0);
}

TEST_F(MainWindowTest, ARunOverTwoConditionsShowsTheCurrentOneAgain) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  rig.Bar().ConditionList()->setCurrentRow(1);
  QCoreApplication::processEvents();
  rig.Bar().ConditionList()->setCurrentRow(0);
  QCoreApplication::processEvents();
  ASSERT_EQ(rig.State().CurrentIndex(), 0);

  QTest::keyClick(&rig.Frame(), Qt::Key_F5);
  EXPECT_EQ(rig.View().Results().ItemCount(), 2);  // one row from each condition
  EXPECT_EQ(rig.Bar().ConditionList()->currentRow(), 0);
  EXPECT_EQ(rig.Bar().BaseEdit()->text().toStdString(), dir / "a1");
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "old");  // list creation touches nothing
  Idle();
  EXPECT_EQ(rig.Frame().FoundPane()->text(), " 2 ");
  EXPECT_TRUE(rig.Frame().isEnabled());
  EXPECT_FALSE(rig.View().Progress().isVisible());
}

TEST_F(MainWindowTest, SwitchingConditionsStoresTheTypedTextsFirst) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  rig.Bar().ExtEdit()->setText("txt doc");
  rig.Bar().BaseEdit()->setText("/edited");
  rig.Bar().ConditionList()->setCurrentRow(1);
  // Posted: the list box finishes its own handling first.
  EXPECT_EQ(rig.State().CurrentIndex(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.State().CurrentIndex(), 1);
  EXPECT_EQ(rig.State().Set().Element(0).AFolder, "/edited");
  EXPECT_EQ(rig.State().Set().Element(0).Ext, "txt doc");
  rig.Bar().ConditionList()->setCurrentRow(0);
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/edited");
}

TEST_F(MainWindowTest, TogglesTickMenuAndToolbarAndBelongToTheirCondition) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  Idle();
  ASSERT_FALSE(Action(cmd::kComplete)->isChecked());
  QTest::mouseClick(ToolButton(cmd::kComplete), Qt::LeftButton);
  Idle();
  EXPECT_TRUE(Action(cmd::kComplete)->isChecked());
  EXPECT_TRUE(ToolButton(cmd::kComplete)->isChecked());
  EXPECT_EQ(rig.State().Set().Element(0).Complete, 1);

  Action(cmd::kSameDisp)->trigger();  // hide identical files
  Idle();
  EXPECT_TRUE(Action(cmd::kSameDisp)->isChecked());
  EXPECT_EQ(rig.State().Set().Element(0).SameDisp, 0);

  rig.Bar().ConditionList()->setCurrentRow(1);
  QCoreApplication::processEvents();
  Idle();
  EXPECT_FALSE(Action(cmd::kComplete)->isChecked());
  EXPECT_FALSE(Action(cmd::kSameDisp)->isChecked());
  rig.Bar().ConditionList()->setCurrentRow(0);
  QCoreApplication::processEvents();
  Idle();
  EXPECT_TRUE(Action(cmd::kComplete)->isChecked());
  EXPECT_TRUE(Action(cmd::kSameDisp)->isChecked());
}

TEST_F(MainWindowTest, ExtensionTogglesAndCheckBoxesAgree) {
  rig.Start();
  QTest::keyClick(&rig.Frame(), Qt::Key_E, Qt::AltModifier);
  Idle();
  EXPECT_TRUE(rig.Bar().ExtCheck()->isChecked());
  EXPECT_TRUE(Action(cmd::kIncludeExt)->isChecked());
  EXPECT_EQ(rig.State().Set().Element(0).ChkExt, 1);
  QTest::mouseClick(rig.Bar().NoExtCheck(), Qt::LeftButton);
  Idle();
  EXPECT_TRUE(Action(cmd::kExcludeExt)->isChecked());
  EXPECT_EQ(rig.State().Set().Element(0).ChkNoExt, 1);
  QTest::mouseClick(rig.Bar().ExtCheck(), Qt::LeftButton);
  Idle();
  EXPECT_FALSE(Action(cmd::kIncludeExt)->isChecked());
  EXPECT_EQ(rig.State().Set().Element(0).ChkExt, 0);
}

TEST_F(MainWindowTest, UpdateRulesFollowTheEditsTheSelectionAndTheTool) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  Idle();
  EXPECT_TRUE(Action(cmd::kListCreation)->isEnabled());
  rig.Bar().TargetEdit()->clear();
  Idle();
  EXPECT_FALSE(Action(cmd::kListCreation)->isEnabled());
  EXPECT_FALSE(Action(cmd::kSyncRun)->isEnabled());
  QTest::keyClick(&rig.Frame(), Qt::Key_F5);  // disabled: nothing runs
  EXPECT_EQ(rig.View().Results().ItemCount(), 0);
  rig.Bar().TargetEdit()->setText(QString::fromStdString(dir / "b1"));

  Run(cmd::kListCreation);
  ASSERT_EQ(rig.View().Results().ItemCount(), 2);
  Idle();
  EXPECT_FALSE(Action(cmd::kProperties)->isEnabled());  // nothing selected
  rig.View().selectAll();
  Idle();
  EXPECT_FALSE(Action(cmd::kProperties)->isEnabled());  // two lines
  EXPECT_FALSE(Action(cmd::kFindBase)->isEnabled());
  rig.View().setCurrentIndex(rig.View().model()->index(1, 0));
  Idle();
  EXPECT_TRUE(Action(cmd::kProperties)->isEnabled());
  EXPECT_TRUE(Action(cmd::kFindTarget)->isEnabled());

  // While a run is busy: look at the rule from inside the run's event-loop turns.
  bool enabledWhileBusy = true;
  rig.View().Progress().SetBeforeDrain([&] {
    rig.Frame().Commands().UpdateAll();
    enabledWhileBusy = enabledWhileBusy && Action(cmd::kProperties)->isEnabled();
  });
  rig.View().setCurrentIndex(rig.View().model()->index(0, 0));
  rig.View().RunRowCommand(engine::Direction::AsMarked);  // ConfDlg asks; no answer = No
  rig.dialogs.answers = {true};
  rig.View().RunRowCommand(engine::Direction::AsMarked);
  EXPECT_FALSE(enabledWhileBusy);

  EXPECT_FALSE(Action(cmd::kExternalTool)->isEnabled());
  rig.State().Working().ExeName1 = "Meld";
  Idle();
  EXPECT_FALSE(Action(cmd::kExternalTool)->isEnabled());
  rig.State().Working().ExePath1 = "/usr/bin/meld";
  Idle();
  EXPECT_TRUE(Action(cmd::kExternalTool)->isEnabled());
  EXPECT_EQ(Action(cmd::kExternalTool)->text(), "Meld");
}

TEST_F(MainWindowTest, SyncRunAsksUnderConfDlgAndNoChangesNothing) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  QTest::keyClick(&rig.Frame(), Qt::Key_F5, Qt::ShiftModifier);
  EXPECT_EQ(rig.dialogs.questions, QStringList{"同期実行します\nよろしいですか？"});
  EXPECT_EQ(rig.View().Results().ItemCount(), 0);
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "old");
  rig.dialogs.answers = {true};
  QTest::keyClick(&rig.Frame(), Qt::Key_F5, Qt::ShiftModifier);
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "new");
  ASSERT_EQ(rig.View().Results().ItemCount(), 2);
  EXPECT_EQ(rig.View().Results().ItemText(0, 2), ">=");
  EXPECT_TRUE(rig.Frame().isVisible());  // no X switch
}

TEST_F(MainWindowTest, ForcedCommandsAskTwiceAndCopyTheSelectedLinesOnly) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  Run(cmd::kListCreation);
  ASSERT_EQ(rig.View().Results().ItemCount(), 2);
  rig.View().setCurrentIndex(rig.View().model()->index(0, 0));  // "new.txt", base newer

  rig.dialogs.answers = {true, false};  // No at the second question ends it
  Run(cmd::kForceTarget);
  EXPECT_EQ(rig.dialogs.questions,
            (QStringList{"強制対照同期実行します\nよろしいですか？",
                         "対照フォルダから強制的に基本フォルダへ同期実行します\n本当によろしいですか？"}));
  EXPECT_EQ(test::ReadFile(dir / "a1/new.txt"), "new");

  // Forced from the target: the older target file replaces the newer base file.
  rig.dialogs.questions.clear();
  rig.dialogs.answers = {true, true};
  rig.View().ContextMenu()->actions().at(6)->trigger();  // "強制対象コピー(&2)..."
  EXPECT_EQ(rig.dialogs.questions.size(), 2);
  EXPECT_EQ(test::ReadFile(dir / "a1/new.txt"), "old");
  EXPECT_EQ(rig.View().Results().ItemText(0, 2), "<=");
  EXPECT_FALSE(test::Exists(dir / "b2/only.txt"));  // not selected, not touched
}

TEST_F(MainWindowTest, DoubleClickWithDblClkZeroExecutesTheLineWithoutAsking) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  rig.State().Working().DblClk = 0;
  Run(cmd::kListCreation);
  ASSERT_EQ(rig.View().Results().ItemCount(), 2);
  rig.Frame().resize(800, 600);
  Idle();
  QRect line = rig.View().visualRect(rig.View().model()->index(0, 0));
  QTest::mouseDClick(rig.View().viewport(), Qt::LeftButton, {}, line.center());
  EXPECT_TRUE(rig.dialogs.questions.isEmpty());
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "new");
  EXPECT_EQ(rig.View().Results().ItemText(0, 2), ">=");
  // Empty space below the lines does nothing.
  QTest::mouseDClick(rig.View().viewport(), Qt::LeftButton, {}, QPoint(5, rig.View().viewport()->height() - 3));
  EXPECT_EQ(rig.View().Results().ItemText(1, 2), ">>");
}

// What the screen shows of the list's viewport: the window's last painted
// pixels, not a fresh rendering, so a part left unpainted shows stale.
QImage OnScreen(QWidget* viewport) {
  const QPoint at = viewport->mapTo(viewport->window(), QPoint(0, 0));
  const QPixmap window = QGuiApplication::primaryScreen()->grabWindow(viewport->window()->winId());
  return window.copy(QRect(at, viewport->size())).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(MainWindowTest, ADoubleClickExecutionRepaintsTheWholeLine) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  rig.State().Working().DblClk = 0;
  rig.Frame().resize(1000, 600);
  Run(cmd::kListCreation);
  ASSERT_EQ(rig.View().Results().ItemText(0, 2), ">");
  // Selected first, so that the double click changes nothing but the result.
  QWidget* viewport = rig.View().viewport();
  const QRect line = rig.View().visualRect(rig.View().model()->index(0, 0));
  QTest::mouseClick(viewport, Qt::LeftButton, {}, line.center());
  QTest::qWait(50);
  const QImage before = OnScreen(viewport);

  QTest::mouseDClick(viewport, Qt::LeftButton, {}, line.center());
  QTest::qWait(50);
  ASSERT_EQ(rig.View().Results().ItemText(0, 2), ">=");
  const QImage after = OnScreen(viewport);

  // Selected and base-newer: white on red (as dark as white needs). Executed: the selection's colours.
  const QRgb red = ui::ReadableColour(QColor(255, 0, 0), Qt::white).rgb();
  const QPalette palette = rig.View().palette();
  const QRgb highlight = ui::ReadableColour(palette.color(QPalette::Active, QPalette::Highlight),
                                            palette.color(QPalette::Active, QPalette::HighlightedText)).rgb();
  const auto cells = rig.View().CellRects(line);
  for (int column = 0; column < 5; ++column) {
    const QRect cell = cells[static_cast<std::size_t>(column)];
    // A point in the cell's fill, clear of its text and icons.
    const QPoint fill(column == 0 ? cell.right() - 2 : cell.left() + 2, cell.top() + 1);
    EXPECT_EQ(before.pixel(fill) & 0xFFFFFF, red & 0xFFFFFF) << column;
    EXPECT_EQ(after.pixel(fill) & 0xFFFFFF, highlight & 0xFFFFFF) << column;
  }
  // Nothing of the old colour is left anywhere on the line.
  int stale = 0;
  const QRect whole = QRect(cells[0].topLeft(), cells[4].bottomRight()) & after.rect();
  for (int y = whole.top(); y <= whole.bottom(); ++y) {
    for (int x = whole.left(); x <= whole.right(); ++x) stale += (after.pixel(x, y) & 0xFFFFFF) == (red & 0xFFFFFF);
  }
  EXPECT_EQ(stale, 0);
}

TEST_F(MainWindowTest, ChoosingAFolderDropsATrailingSeparatorExceptFromTheRoot) {
  rig.Start();
  rig.Bar().BaseEdit()->setText("/data/photos/");
  QTest::mouseClick(rig.Bar().BaseButton(), Qt::LeftButton);  // cancelled
  EXPECT_EQ(rig.dialogs.folderStarts, QStringList{"/data/photos"});
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/data/photos");
  rig.Bar().TargetEdit()->setText("/");
  rig.dialogs.folders = {QString("/srv/backup")};
  QTest::keyClick(&rig.Frame(), Qt::Key_B, Qt::AltModifier);
  EXPECT_EQ(rig.dialogs.folderStarts.last(), "/");
  EXPECT_EQ(rig.Bar().TargetEdit()->text(), "/srv/backup");

  QTest::keyClick(&rig.Frame(), Qt::Key_C, Qt::AltModifier);  // swap
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/srv/backup");
  EXPECT_EQ(rig.Bar().TargetEdit()->text(), "/data/photos");
}

TEST_F(MainWindowTest, WindowPosRestoresAMaximisedWindowWithItsNormalRectangle) {
  QSettings().setValue("Settings/WindowPos", "0:3:-1:-1:-1:-1:40:30:640:510");
  QSettings().setValue("Settings/ListPos", "80:90");
  rig.Start();
  QTRY_VERIFY_WITH_TIMEOUT(rig.Frame().isMaximized(), 2000);
  EXPECT_EQ(rig.View().columnWidth(0), 80);
  EXPECT_EQ(rig.View().columnWidth(1), 90);
  // The columns ListPos leaves out take their defaults.
  EXPECT_EQ(rig.View().columnWidth(2), rig.View().DefaultColumnWidth(2));
  EXPECT_EQ(rig.View().columnWidth(3), rig.View().DefaultColumnWidth(3));
  const QString widths = QStringLiteral("80:90:%1:%2:%3")
                             .arg(rig.View().columnWidth(2))
                             .arg(rig.View().columnWidth(3))
                             .arg(rig.View().columnWidth(4));
  rig.Frame().close();
  QString saved = QSettings().value("Settings/WindowPos").toString();
  EXPECT_TRUE(saved.startsWith("0:3:")) << saved.toStdString();
  EXPECT_TRUE(saved.endsWith(":40:30:640:510")) << saved.toStdString();
  EXPECT_EQ(QSettings().value("Settings/ListPos").toString(), widths);
}

TEST_F(MainWindowTest, ClipboardKeysGoToTheFocusedEditOnly) {
  rig.Start();
  rig.Frame().show();
  rig.Frame().activateWindow();
  rig.Bar().ExtEdit()->setText("txt");
  rig.Bar().ExtEdit()->setFocus();
  rig.Bar().ExtEdit()->selectAll();
  Run(cmd::kEditCopy);
  rig.Bar().NoExtEdit()->setFocus();
  Run(cmd::kEditPaste);
  EXPECT_EQ(rig.Bar().NoExtEdit()->text(), "txt");
  rig.View().setFocus();
  rig.Bar().NoExtEdit()->clear();
  Run(cmd::kEditPaste);  // the list has the focus: nothing
  EXPECT_EQ(rig.Bar().NoExtEdit()->text(), "");

  // Ctrl+C in the list copies nothing, not even a line's text.
  WriteFile(dir / "a/f.txt", "x", Time(1000));
  rig.Bar().BaseEdit()->setText(QString::fromStdString(dir / "a"));
  rig.Bar().TargetEdit()->setText(QString::fromStdString(dir / "b"));
  test::MakeFolder(dir / "b", Time(1000));
  Run(cmd::kListCreation);
  ASSERT_EQ(rig.View().Results().ItemCount(), 1);
  rig.View().setFocus();
  rig.View().setCurrentIndex(rig.View().model()->index(0, 0));
  QGuiApplication::clipboard()->setText("kept");
  QTest::keyClick(rig.View().viewport(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

// Opens a context menu by a right click on `widget` and returns the popup that
// showed (closing it again), or null when none did.
QString PopupAfterRightClick(QWidget* widget, QPoint at) {
  QString shown;
  QTimer::singleShot(50, [&shown] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shown = popup->objectName();
      popup->close();
    }
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
  QCoreApplication::sendEvent(widget, &event);
  QTest::qWait(100);
  return shown;
}

TEST_F(MainWindowTest, ContextMenusOpenOnlyWhereThereIsSomethingToActOn) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  EXPECT_EQ(PopupAfterRightClick(rig.View().viewport(), QPoint(10, 10)), "");  // empty list
  Run(cmd::kListCreation);
  EXPECT_EQ(PopupAfterRightClick(rig.View().viewport(), QPoint(10, 10)), "OrvelPopup");

  // The condition list box: its own menu, and the right click keeps the selection.
  QListWidget* list = rig.Bar().ConditionList();
  QRect second = list->visualItemRect(list->item(1));
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, second.center());
  QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, second.center());
  EXPECT_EQ(PopupAfterRightClick(list->viewport(), second.center()), "Condition");
  QCoreApplication::processEvents();
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(rig.State().CurrentIndex(), 0);
  // Elsewhere in the condition bar: no menu.
  EXPECT_EQ(PopupAfterRightClick(rig.Bar().ExtCheck(), QPoint(2, 2)), "");
}

TEST_F(MainWindowTest, TheProgressDialogShowsEachConditionWhileTheWindowWaits) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  QStringList names;
  bool windowEnabled = true;
  bool busyCursor = false;
  rig.View().Progress().SetBeforeDrain([&] {
    const QString name = ConditionName();
    if (names.isEmpty() || names.last() != name) names.push_back(name);
    windowEnabled = windowEnabled && rig.Frame().isEnabled();
    busyCursor = busyCursor || (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
  });
  Run(cmd::kListCreation);
  // The event loop turns at most every 20 ms, so a fast run may show only some names.
  EXPECT_FALSE(names.isEmpty());
  EXPECT_EQ(ConditionName(), "second");
  auto* conditionBar = rig.View().Progress().findChild<QProgressBar*>("progressConditionBar");
  ASSERT_NE(conditionBar, nullptr);
  EXPECT_EQ(conditionBar->value(), 2);
  EXPECT_EQ(conditionBar->maximum(), 2);
  EXPECT_FALSE(windowEnabled);
  EXPECT_TRUE(busyCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(rig.Frame().isEnabled());
  EXPECT_EQ(rig.View().Progress().windowTitle(), "同期実行中...");
}

TEST_F(MainWindowTest, ClosingTheWindowDuringARunCancelsTheRunInstead) {
  rig.Start({QString::fromStdString(TwoConditionFile())});
  bool closedOnce = false;
  rig.View().Progress().SetBeforeDrain([&] {
    if (!closedOnce && rig.View().Flags().busy) {
      closedOnce = true;
      rig.Frame().close();
    }
  });
  rig.dialogs.answers = {true};
  Run(cmd::kSyncRun);
  EXPECT_TRUE(closedOnce);
  EXPECT_TRUE(rig.Frame().isVisible());
  EXPECT_FALSE(rig.View().Flags().busy);
  // The run stopped at the cancel: the second condition was never synced.
  EXPECT_FALSE(test::Exists(dir / "b2/only.txt"));
  rig.Frame().close();
  EXPECT_FALSE(rig.Frame().isVisible());
}

TEST_F(MainWindowTest, ToolbarHoldsThirteenButtonsWithTheirSeparatorsAndTooltips) {
  rig.Start();
  QStringList layout;
  for (QAction* action : rig.Frame().ToolBar()->actions()) {
    layout << (action->isSeparator() ? QString("|") : QString::number(action->data().toInt()));
  }
  EXPECT_EQ(layout.join(" "), "32787 32786 | 32773 32779 | 32776 | 32796 32798 | 32775 32804 32800 32801 | 57634 | 57664");
  EXPECT_EQ(Action(cmd::kListCreation)->toolTip(), "同期ファイルリスト作成");
  EXPECT_EQ(Action(cmd::kAbout)->toolTip(), "ﾊﾞｰｼﾞｮﾝ情報");
  for (QAction* action : rig.Frame().ToolBar()->actions()) {
    if (!action->isSeparator()) {
      EXPECT_FALSE(action->icon().isNull()) << action->data().toInt();
    }
  }
}

TEST_F(MainWindowTest, StatusBarShowsPromptsOnHoverAndTheFoundCounterWidens) {
  rig.Start();
  rig.Frame().resize(900, 500);
  QTest::qWait(20);
  QWidget* button = rig.Frame().ToolBar()->widgetForAction(Action(cmd::kListCreation));
  QTest::mouseMove(button);
  QTRY_COMPARE_WITH_TIMEOUT(rig.Frame().statusBar()->currentMessage(),
                            QString("同期ファイルのリストを作成する（ファイル操作はなし）"), 1000);
  EXPECT_EQ(rig.Bar().BaseEdit()->statusTip(), "基本フォルダを指定します");
  EXPECT_EQ(rig.Bar().ConditionList()->toolTip(), "同期条件");

  Idle();
  const int narrow = rig.Frame().FoundPane()->sizeHint().width();
  // A five-digit count: 12,345 files in one folder.
  for (int i = 0; i < 12345; ++i) WriteFile(dir / ("a/f" + std::to_string(i)), "", Time(1000));
  test::MakeFolder(dir / "b", Time(1000));
  rig.Bar().BaseEdit()->setText(QString::fromStdString(dir / "a"));
  rig.Bar().TargetEdit()->setText(QString::fromStdString(dir / "b"));
  Run(cmd::kListCreation);
  Idle();
  EXPECT_EQ(rig.Frame().FoundPane()->text(), " 12345 ");
  EXPECT_GT(rig.Frame().FoundPane()->sizeHint().width(), narrow);
}

TEST_F(MainWindowTest, KeysWithoutACommandDoNothingAndTheBarCanBeHidden) {
  rig.Start();
  Idle();
  EXPECT_TRUE(Action(cmd::kViewStatusBar)->isChecked());
  QTest::keyClick(&rig.Frame(), Qt::Key_Escape);
  QTest::keyClick(&rig.Frame(), Qt::Key_F6);
  EXPECT_TRUE(rig.Frame().isVisible());
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());
  Action(cmd::kViewStatusBar)->trigger();
  Idle();
  EXPECT_FALSE(rig.Frame().statusBar()->isVisible());
  EXPECT_FALSE(Action(cmd::kViewStatusBar)->isChecked());
}

}  // namespace
}  // namespace orvel
