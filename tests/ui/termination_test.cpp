// SIGTERM and SIGHUP: the desktop program closes through its normal close,
// after cancelling a run in progress and answering an open question No.
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "support/app_rig.h"
#include "support/hooked_dialogs.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/dialogs/user_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace orvel {
namespace {

using test::AppRig;
using test::MakeCondition;
using test::TempDir;
using test::Time;
using test::WriteFile;
namespace cmd = ui::cmd;

class TerminationTest : public ::testing::Test {
 protected:
  void SetUp() override { AppRig::ClearSettings(); }

  // Two folder pairs with one newer base file each, and a condition file naming them.
  QString TwoConditionFile() {
    WriteFile(dir / "a1/new.txt", "new", Time(2000));
    WriteFile(dir / "b1/new.txt", "old", Time(1000));
    WriteFile(dir / "a2/only.txt", "x", Time(1000));
    test::MakeFolder(dir / "b2", Time(1000));
    std::string file = dir / "two.ORV";
    test::WriteConditionFile(file, {MakeCondition("first", dir / "a1", dir / "b1"),
                                    MakeCondition("second", dir / "a2", dir / "b2")});
    return QString::fromStdString(file);
  }
  // Makes the second condition the current one: a run loads the first into
  // the working set while it processes it, and must not leave it there.
  void SelectSecond() {
    rig.Bar().ConditionList()->setCurrentRow(1);
    QCoreApplication::processEvents();
    ASSERT_EQ(rig.State().CurrentIndex(), 1);
  }
  // The settings file as written to disk.
  static QString SettingsFileText() {
    QFile file(QSettings().fileName());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
  }
  void ExpectSavedWorkingSetOfTheSecond() {
    const QString text = SettingsFileText();
    EXPECT_TRUE(text.contains("AFolder=" + QString::fromStdString(dir / "a2"))) << text.toStdString();
    EXPECT_TRUE(text.contains("BFolder=" + QString::fromStdString(dir / "b2"))) << text.toStdString();
    EXPECT_TRUE(text.contains("WindowPos=")) << text.toStdString();
    EXPECT_TRUE(text.contains("ListPos=")) << text.toStdString();
  }

  TempDir dir;
  AppRig rig;
};

TEST_F(TerminationTest, ARequestWhileIdleClosesThroughTheNormalClose) {
  rig.Start({TwoConditionFile()});
  SelectSecond();
  rig.Frame().RequestTermination();
  EXPECT_FALSE(rig.Frame().isVisible());
  ExpectSavedWorkingSetOfTheSecond();
}

TEST_F(TerminationTest, SigtermAndSighupCloseTheWindowAndTheSettingsHoldTheWorkingSet) {
  for (int number : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(number);
    AppRig::ClearSettings();
    rig.Start();
    const QString file = TwoConditionFile();
    rig.app->OpenDocumentFile(file);  // a recent file to save
    SelectSecond();
    rig.app->CloseOnTerminationSignals();
    ASSERT_EQ(std::raise(number), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.Frame().isVisible(), 2000);
    ExpectSavedWorkingSetOfTheSecond();
    EXPECT_TRUE(SettingsFileText().contains("File1=" + file)) << SettingsFileText().toStdString();
    rig.app.reset();
  }
}

TEST_F(TerminationTest, ASignalDuringARunCancelsItAndClosesWhenItHasEnded) {
  rig.Start({TwoConditionFile()});
  SelectSecond();
  rig.app->CloseOnTerminationSignals();
  bool raised = false;
  bool closedWhileRunning = false;
  rig.View().Progress().SetBeforeDrain([&] {
    if (rig.View().Running() && !rig.Frame().isVisible()) closedWhileRunning = true;
    if (!raised && rig.View().Flags().busy) {
      raised = true;
      std::raise(SIGTERM);
    }
  });
  rig.dialogs.answers = {true};  // the sync run's confirmation
  rig.Frame().Commands().Execute(cmd::kSyncRun);
  ASSERT_TRUE(raised);
  EXPECT_FALSE(rig.View().Running());
  QTRY_VERIFY_WITH_TIMEOUT(!rig.Frame().isVisible(), 2000);
  EXPECT_FALSE(closedWhileRunning);
  // Cancelled in the first condition: the second was never synced.
  EXPECT_FALSE(test::Exists(dir / "b2/only.txt"));
  ExpectSavedWorkingSetOfTheSecond();
}

TEST_F(TerminationTest, AQuestionOpenDuringARunIsAnsweredNoAndTheWindowCloses) {
  // The real message boxes: the question is a modal loop inside the run.
  ui::QtUserDialogs dialogs;
  ui::COrvelApp app(dialogs);
  const QString file = TwoConditionFile();
  auto root = platform::Folder::OpenRoot(dir / "b1");
  ASSERT_TRUE(root);
  auto lock = platform::FolderLock::Acquire(*root, platform::FolderLock::Mode::Exclusive);
  ASSERT_TRUE(lock);

  QString asked;
  bool leftOpen = false;
  QTimer probe;
  probe.setInterval(20);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (asked.isEmpty()) {
      asked = box->text();
      app.MainFrame()->RequestTermination();
    } else {
      leftOpen = true;  // a box the request did not end would wait forever
      box->reject();
    }
  });
  probe.start();
  app.InitInstance({file, "-R"});  // no confirmation: the run meets the busy folder at once
  QTRY_VERIFY_WITH_TIMEOUT(!app.MainFrame()->isVisible(), 5000);
  EXPECT_TRUE(asked.contains(QString::fromStdString(dir / "b1"))) << asked.toStdString();
  EXPECT_FALSE(leftOpen);
  EXPECT_FALSE(app.MainFrame()->View().Running());
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "old");
  EXPECT_FALSE(test::Exists(dir / "b2/only.txt"));
}

TEST_F(TerminationTest, ACloseAfterACancelledScanWaitsForTheRunToEnd) {
  // Cancel in the first condition's scan clears the busy flag, yet a list
  // creation goes on with the second condition, whose missing target folder
  // asks a question. A close (the window manager's close box) then arrives
  // while the run holds the second condition in the working set.
  test::HookedAppRig hooked;
  const QString file = TwoConditionFile();
  ASSERT_EQ(::rmdir((dir / "b2").c_str()), 0);
  hooked.Start({file});
  bool cancelled = false;
  hooked.View().Progress().SetBeforeDrain([&] {
    if (!cancelled && hooked.View().Flags().busy) {
      cancelled = true;
      hooked.View().Progress().findChild<QPushButton*>("progressCancel")->click();
    }
  });
  bool askedWithoutBusy = false;
  bool closedWhileRunning = false;
  hooked.dialogs.onAsk = [&](const QString&) {
    askedWithoutBusy = hooked.View().Running() && !hooked.View().Flags().busy;
    hooked.Frame().close();
    closedWhileRunning = !hooked.Frame().isVisible();
  };
  QTest::keyClick(&hooked.Frame(), Qt::Key_F5);
  ASSERT_TRUE(cancelled);
  ASSERT_TRUE(askedWithoutBusy);
  EXPECT_FALSE(closedWhileRunning);
  EXPECT_TRUE(hooked.Frame().isVisible());

  hooked.Frame().close();
  EXPECT_FALSE(hooked.Frame().isVisible());
  const QString text = SettingsFileText();
  EXPECT_TRUE(text.contains("AFolder=" + QString::fromStdString(dir / "a1"))) << text.toStdString();
}

}  // namespace
}  // namespace orvel
