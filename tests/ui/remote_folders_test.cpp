// A folder on another machine in the desktop program: listed through ssh like
// a local one, its rows carried out by the row commands, and refused by the
// file manager and the external tool, which take paths of this machine only.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/result_model.h"

#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace orvel {
namespace {

namespace cmd = ui::cmd;

TEST(RemoteFoldersTest, ARemoteTargetListsLikeALocalOneAndTheShellCommandsSayWhyNot) {
  test::TempDir dir;
  test::WriteFile(dir / "a/both.txt", "new", test::Time(2000));
  test::WriteFile(dir / "a/only base.txt", "a", test::Time(1000));
  test::WriteFile(dir / "b/both.txt", "old", test::Time(1000));
  test::WriteFile(dir / "b/only target.txt", "b", test::Time(1000));
  // Stands in for ssh: drops its options and the host, runs the far command here.
  const std::string ssh = dir / "ssh";
  std::ofstream(ssh) << "#!/bin/sh\nwhile [ \"$1\" != -- ]; do shift; done; shift 2\n"
                     << "PATH=\"" << ORVEL_CLI_FOLDER << ":$PATH\" exec sh -c \"$*\"\n";
  ::chmod(ssh.c_str(), 0755);
  ::setenv("ORVEL_SSH", ssh.c_str(), 1);
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

}  // namespace
}  // namespace orvel
