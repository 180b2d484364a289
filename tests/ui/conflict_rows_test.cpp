// A "!" line of the remembered sync in the desktop program: it says why, and
// updating it asks which version to keep instead of letting the newer one win.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/result_model.h"

#include <QTest>

#include <gtest/gtest.h>

namespace orvel {
namespace {

using test::Time;

TEST(ConflictRowsTest, AConflictSaysWhyAndUpdatingItAsksWhichVersionToKeep) {
  test::AppRig::ClearSettings();
  test::TempDir dir;
  test::AppRig rig;
  test::WriteFile(dir / "a/x.txt", "v1", Time(1000));
  test::MakeFolder(dir / "b", Time(1000));
  engine::CCondition c = test::MakeCondition("c", dir / "a", dir / "b");
  c.Memory = 1;
  test::WriteConditionFile(dir / "set.ORV", {c});
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  rig.State().Working().DblClk = 0;  // a double click executes the line
  rig.State().Working().ConfDlg = 0;
  rig.Frame().Commands().Execute(ui::cmd::kSyncRun);
  test::WriteFile(dir / "a/x.txt", "base edit", Time(2000));
  test::WriteFile(dir / "b/x.txt", "target edit", Time(3000));
  rig.Frame().Commands().Execute(ui::cmd::kListCreation);
  QCoreApplication::processEvents();
  ASSERT_EQ(rig.View().Results().ItemText(0, ui::ResultModel::kResult), "!");
  const QString reason = QStringLiteral("前回の同期の後に両方で変更されています");
  EXPECT_EQ(rig.View().model()->index(0, 2).data(Qt::ToolTipRole).toString(),
            QString::fromStdString(dir / "a/x.txt: ") + reason);

  // Cancel keeps both as they are; the newer one does not win by itself.
  const QPoint line = rig.View().visualRect(rig.View().model()->index(0, 0)).center();
  QTest::mouseDClick(rig.View().viewport(), Qt::LeftButton, {}, line);
  ASSERT_FALSE(rig.dialogs.questions.isEmpty());
  EXPECT_TRUE(rig.dialogs.questions.back().contains(reason)) << rig.dialogs.questions.back().toStdString();
  EXPECT_EQ(test::ReadFile(dir / "a/x.txt"), "base edit");
  EXPECT_EQ(rig.View().Results().ItemText(0, ui::ResultModel::kResult), "!");

  // Both: the target's version beside the other, each on both sides.
  rig.dialogs.versions = {engine::KeepVersion::Both};
  QTest::mouseDClick(rig.View().viewport(), Qt::LeftButton, {}, line);
  const std::vector<std::string> names = test::FolderNames(dir / "b");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_TRUE(names[0].starts_with("x (conflict ") && names[0].ends_with(").txt")) << names[0];
  EXPECT_EQ(test::FolderNames(dir / "a"), names);
  EXPECT_EQ(test::ReadFile(dir / ("a/" + names[0])), "target edit");
  EXPECT_EQ(test::ReadFile(dir / "b/x.txt"), "base edit");
}

}  // namespace
}  // namespace orvel
