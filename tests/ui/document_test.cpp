// Condition files through the desktop program: the load and save commands,
// the recent-file list, dropped files and the caption.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/result_model.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <gtest/gtest.h>

namespace orvel {
namespace {

using test::AppRig;
using test::MakeCondition;
using test::TempDir;
namespace cmd = ui::cmd;

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { AppRig::ClearSettings(); }
  QString File(const std::string& name) { return QString::fromStdString(dir / name); }
  std::string ThreeConditions(const std::string& name) {
    std::string path = dir / name;
    test::WriteConditionFile(path, {MakeCondition("one", "/a1", "/b1"), MakeCondition("two", "/a2", "/b2"),
                                    MakeCondition("three", "/a3", "/b3")});
    return path;
  }
  QStringList RecentMenuTexts() {
    QStringList texts;
    for (QAction* action : rig.Frame().findChildren<QAction*>()) {
      const QString name = action->objectName();
      if (name.startsWith("cmd576") && name.mid(3).toInt() >= cmd::kRecentFile1 &&
          name.mid(3).toInt() < cmd::kRecentFile1 + cmd::kRecentFileCount && !action->isSeparator()) {
        texts.push_back(action->text());
      }
    }
    return texts;
  }
  QStringList Names() {
    QStringList names;
    for (int i = 0; i < rig.Bar().ConditionList()->count(); ++i) names << rig.Bar().ConditionList()->item(i)->text();
    return names;
  }

  TempDir dir;
  AppRig rig;
};

TEST_F(DocumentTest, SaveWritesTheTypedTextsAndNamesTheWindowAfterTheFile) {
  rig.Start();
  rig.Bar().BaseEdit()->setText("/home/user/Documents");
  rig.dialogs.saveNames = {File("set.ORV")};
  rig.Frame().Commands().Execute(cmd::kSaveConditions);
  EXPECT_EQ(rig.Frame().windowTitle(), "set.ORV - Orvel");
  storage::CConditionSet loaded;
  ASSERT_TRUE(storage::LoadConditionFile(dir / "set.ORV", loaded));
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(loaded.Element(0).Name, "新規");
  EXPECT_EQ(loaded.Element(0).AFolder, "/home/user/Documents");
  EXPECT_EQ(rig.app->Recent().Paths(), QStringList{File("set.ORV")});

  // Cancelled: nothing changes.
  rig.Frame().Commands().Execute(cmd::kSaveConditions);
  EXPECT_EQ(rig.Frame().windowTitle(), "set.ORV - Orvel");
}

TEST_F(DocumentTest, AFailedSaveIsReportedAndChangesNothing) {
  rig.Start();
  rig.dialogs.saveNames = {File("no/such/folder/set.ORV")};
  rig.Frame().Commands().Execute(cmd::kSaveConditions);
  ASSERT_EQ(rig.dialogs.messages.size(), 1);
  EXPECT_TRUE(rig.dialogs.messages[0].startsWith("条件ファイルを保存できません"));
  EXPECT_EQ(rig.Frame().windowTitle(), "Orvel");
  EXPECT_TRUE(rig.app->Recent().Paths().isEmpty());

  rig.Bar().BaseEdit()->setText("/two\nlines");
  rig.dialogs.saveNames = {File("set.ORV")};
  rig.Frame().Commands().Execute(cmd::kSaveConditions);
  EXPECT_EQ(rig.dialogs.messages.size(), 2);
  EXPECT_FALSE(test::Exists(dir / "set.ORV"));
}

TEST_F(DocumentTest, LoadShowsConditionZeroAndDropsUnstoredEdits) {
  rig.Start();
  rig.Bar().BaseEdit()->setText("/typed");
  rig.dialogs.openNames = {QString::fromStdString(ThreeConditions("three.ORV"))};
  QTest::keyClick(&rig.Frame(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(Names(), (QStringList{"one", "two", "three"}));
  EXPECT_EQ(rig.Bar().ConditionList()->currentRow(), 0);
  EXPECT_EQ(rig.Bar().BaseEdit()->text(), "/a1");
  EXPECT_EQ(rig.State().CurrentIndex(), 0);
  EXPECT_EQ(rig.Frame().windowTitle(), "three.ORV - Orvel");
  EXPECT_EQ(rig.app->Recent().Paths(), QStringList{File("three.ORV")});
  EXPECT_EQ(RecentMenuTexts().size(), 1);
}

TEST_F(DocumentTest, LoadingAMissingFileSaysSoAndKeepsEverything) {
  rig.Start();
  rig.dialogs.openNames = {File("missing.ORV")};
  rig.Frame().Commands().Execute(cmd::kLoadConditions);
  EXPECT_EQ(rig.dialogs.messages, QStringList{"指定された条件ファイルが見つかりません"});
  EXPECT_EQ(Names(), QStringList{"新規"});
  EXPECT_EQ(rig.Frame().windowTitle(), "Orvel");
  EXPECT_TRUE(rig.app->Recent().Paths().isEmpty());
}

TEST_F(DocumentTest, RecentFilesSurviveARestartAndOpenAsTheDocument) {
  std::string first = ThreeConditions("first.ORV");
  rig.Start();
  rig.app->OpenDocumentFile(QString::fromStdString(first));
  EXPECT_EQ(rig.Frame().windowTitle(), "first.ORV - Orvel");
  rig.Frame().close();
  rig.app.reset();

  // A start with R and a file; then a recent file is opened: it is shown,
  // nothing runs and the command-line file is not loaded again.
  test::WriteConditionFile(dir / "cmd.ORV", {MakeCondition("cmd", "/nowhere/a", "/nowhere/b")});
  AppRig second;
  second.Start({File("cmd.ORV"), "-R"});
  QCoreApplication::processEvents();
  ASSERT_EQ(second.app->Recent().Paths(), QStringList{File("first.ORV")});
  QAction* entry = second.Frame().findChild<QAction*>(QStringLiteral("cmd%1").arg(cmd::kRecentFile1));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), "&1 " + File("first.ORV"));
  const qsizetype messagesBefore = second.dialogs.messages.size();  // the R run's own message
  entry->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(second.Bar().ConditionList()->count(), 3);
  EXPECT_EQ(second.Bar().BaseEdit()->text(), "/a1");
  EXPECT_EQ(second.dialogs.messages.size(), messagesBefore);
  EXPECT_EQ(second.Frame().windowTitle(), "first.ORV - Orvel");
}

TEST_F(DocumentTest, ARecentFileThatIsGoneIsReportedAndLeavesTheList) {
  std::string gone = ThreeConditions("gone.ORV");
  QSettings().setValue("Recent File List/File1", QString::fromStdString(gone));
  std::remove(gone.c_str());
  rig.Start();
  QAction* entry = rig.Frame().findChild<QAction*>(QStringLiteral("cmd%1").arg(cmd::kRecentFile1));
  ASSERT_NE(entry, nullptr);
  entry->trigger();
  EXPECT_EQ(rig.dialogs.messages.size(), 1);
  EXPECT_TRUE(rig.app->Recent().Paths().isEmpty());
  EXPECT_EQ(Names(), QStringList{"新規"});
}

TEST_F(DocumentTest, DroppedFilesOpenInTurnAndTheLastStays) {
  std::string a = ThreeConditions("a.ORV");
  test::WriteConditionFile(dir / "b.ORV", {MakeCondition("bee", "/x", "/y")});
  rig.Start();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)), QUrl::fromLocalFile(File("b.ORV"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&rig.Frame(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&rig.Frame(), &drop);
  EXPECT_EQ(Names(), QStringList{"bee"});
  EXPECT_EQ(rig.Frame().windowTitle(), "b.ORV - Orvel");
  EXPECT_EQ(rig.app->Recent().Paths(), (QStringList{File("b.ORV"), File("a.ORV")}));
}

}  // namespace
}  // namespace orvel
