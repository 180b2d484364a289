// A folder on another machine in the desktop program: listed through ssh like
// a local one, its rows carried out by the row commands, and refused by the
// file manager and the external tool, which take paths of this machine only.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/result_model.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace orvel {
namespace {

namespace cmd = ui::cmd;

// Stands in for ssh: drops its options and the host, runs the far command here.
const std::string kFakeSsh = std::string("while [ \"$1\" != -- ]; do shift; done; shift 2\n") + "PATH=\"" +
                             ORVEL_CLI_FOLDER + ":$PATH\" exec sh -c \"$*\"\n";

void UseSsh(const test::TempDir& dir, const std::string& script) {
  const std::string ssh = dir / "ssh";
  std::ofstream(ssh) << "#!/bin/sh\n" << script;
  ::chmod(ssh.c_str(), 0755);
  ::setenv("ORVEL_SSH", ssh.c_str(), 1);
}

TEST(RemoteFoldersTest, ARemoteTargetListsLikeALocalOneAndTheShellCommandsSayWhyNot) {
  test::TempDir dir;
  test::WriteFile(dir / "a/both.txt", "new", test::Time(2000));
  test::WriteFile(dir / "a/only base.txt", "a", test::Time(1000));
  test::WriteFile(dir / "b/both.txt", "old", test::Time(1000));
  test::WriteFile(dir / "b/only target.txt", "b", test::Time(1000));
  UseSsh(dir, kFakeSsh);
  test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("pair", dir / "a", "box:" + (dir / "b"))});

  test::AppRig rig;
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kListCreation));
  const ui::ResultModel& rows = rig.View().Results();
  ASSERT_EQ(rows.ItemCount(), 3) << rig.dialogs.messages.join("\n").toStdString();
  std::map<std::string, std::string> marks;
  int onlyTarget = -1;
  for (int i = 0; i < rows.ItemCount(); ++i) {
    const std::string name = rows.ItemText(i, ui::ResultModel::kName);
    marks[name] = rows.ItemText(i, ui::ResultModel::kResult);
    if (name == "only target.txt") onlyTarget = i;
  }
  EXPECT_EQ(marks, (std::map<std::string, std::string>{
                       {"both.txt", ">"}, {"only base.txt", ">>"}, {"only target.txt", "<<"}}));
  ASSERT_GE(onlyTarget, 0);

  rig.View().selectionModel()->select(rig.View().model()->index(onlyTarget, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kFindTarget));
  EXPECT_TRUE(rig.Frame().ReadyPane()->FullText().startsWith("ほかのマシンのフォルダはファイルマネージャで開けません"))
      << rig.Frame().ReadyPane()->FullText().toStdString();

  // The row commands reach the far folder again after the list.
  rig.State().Working().ConfDlg = 0;
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kUpdateSelected));
  EXPECT_EQ(rows.ItemText(onlyTarget, ui::ResultModel::kResult), "<=");
  EXPECT_EQ(test::ReadFile(dir / "a/only target.txt"), "b");
}

TEST(RemoteFoldersTest, FoldersTypedOrPastedIntoTheBarReachTheOtherMachine) {
  test::TempDir dir;
  test::WriteFile(dir / "a/new.txt", "a", test::Time(1000));
  ASSERT_EQ(::mkdir((dir / "b").c_str(), 0755), 0);
  UseSsh(dir, kFakeSsh);
  test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("pair", dir / "x", dir / "y")});

  test::AppRig rig;
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  QLineEdit* base = rig.Bar().BaseEdit();
  base->selectAll();
  QTest::keyClicks(base, QString::fromStdString("box:" + (dir / "a")));
  QApplication::clipboard()->setText(QString::fromStdString("ssh://me@box:22" + (dir / "b")));
  rig.Bar().TargetEdit()->selectAll();
  QTest::keySequence(rig.Bar().TargetEdit(), QKeySequence::Paste);
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kListCreation));
  const ui::ResultModel& rows = rig.View().Results();
  ASSERT_EQ(rows.ItemCount(), 1) << rig.dialogs.messages.join("\n").toStdString();
  EXPECT_EQ(rows.ItemText(0, ui::ResultModel::kResult), ">>");
  EXPECT_EQ(rig.Bar().TargetFolderText(), "ssh://me@box:22" + (dir / "b"));
}

// A host without orvel-cli: said in the program's language, with what the user
// can do (there is no far program to name in the desktop program).
TEST(RemoteFoldersTest, AMissingFarProgramIsSaidInTheProgramsLanguage) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "a").c_str(), 0755), 0);
  UseSsh(dir, "while [ \"$1\" != -- ]; do shift; done; shift 2\nPATH=/nonexistent exec /bin/sh -c \"$*\"\n");
  test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("pair", dir / "a", "box:" + (dir / "b"))});
  for (const bool english : {false, true}) {
    test::AppRig rig;
    rig.Start({QString::fromStdString(dir / "set.ORV"), "--lang", english ? "en" : "ja"});
    ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kListCreation));
    const QString said = rig.dialogs.messages.value(0);
    const QString folder = "box:" + QString::fromStdString(dir / "b");
    EXPECT_TRUE(said.startsWith((english ? "The folder cannot be read.\n" : "フォルダを読み込めません\n") + folder))
        << said.toStdString();
    EXPECT_TRUE(said.contains(english ? "\norvel-cli is not installed on box (" : "\nbox に orvel-cli がインストールされていません ("))
        << said.toStdString();
    EXPECT_TRUE(said.endsWith(english ? "). Install the orvel-cli package on box"
                                      : ")。box に orvel-cli パッケージをインストールしてください"))
        << said.toStdString();
    EXPECT_FALSE(said.contains("--remote-program")) << said.toStdString();
    rig.Frame().close();
  }
}

TEST(RemoteFoldersTest, ConnectingShowsInTheProgressDialogAndACancelEndsIt) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "a").c_str(), 0755), 0);
  UseSsh(dir, "exec sleep 30\n");  // a host that never answers
  test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("pair", dir / "a", "box:" + (dir / "b"))});

  test::AppRig rig;
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  ui::CProgressDlg& progress = rig.View().Progress();
  QString status, path;
  QElapsedTimer clock;
  clock.start();
  progress.SetBeforeDrain([&] {
    status = progress.findChild<QLabel*>("progressStatus")->text();
    path = progress.findChild<QLabel*>("progressPath")->text();
    if (clock.elapsed() > 300) progress.findChild<QPushButton*>("progressCancel")->click();
  });
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kListCreation));
  EXPECT_LT(clock.elapsed(), 10'000);
  EXPECT_EQ(status, "接続中...");
  EXPECT_TRUE(path.contains("box:")) << path.toStdString();
  EXPECT_TRUE(rig.dialogs.messages.isEmpty()) << rig.dialogs.messages.join("\n").toStdString();
  EXPECT_EQ(rig.View().Results().ItemCount(), 0);
}

}  // namespace
}  // namespace orvel
