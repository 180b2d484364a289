// What a sync run says before, during and after: the plan in its question, the
// figures beside the progress bar, the summary in the status bar with the offer
// to see only the failed lines; and where the condition-file dialogs start.
#include "engine/run_meter.h"
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/filter_bar.h"
#include "ui/result_list/result_model.h"

#include <QDir>
#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orvel {
namespace {

using test::TempDir;
using test::Time;
using test::WriteFile;
namespace cmd = ui::cmd;

TEST(RunReportTest, TheQuestionHasThePlanAndTheStatusBarTheSummary) {
  test::AppRig::ClearSettings();
  TempDir dir;
  WriteFile(dir / "a/new.txt", "12345", Time(2000));  // 5 bytes to the target
  WriteFile(dir / "b/new.txt", "x", Time(1000));
  WriteFile(dir / "a/sub/only.txt", "abc", Time(1000));  // 3 bytes
  WriteFile(dir / "a/locked.txt", "new", Time(2000));     // 3 bytes, onto a read-only file: fails
  WriteFile(dir / "b/locked.txt", "old", Time(1000));
  ASSERT_EQ(::chmod((dir / "b/locked.txt").c_str(), 0444), 0);
  WriteFile(dir / "b/gone.txt", "g", Time(1000));  // complete sync, to the trash
  engine::CCondition condition = test::MakeCondition("c", dir / "a", dir / "b");
  condition.Complete = condition.DeleteTrash = 1;
  test::WriteConditionFile(dir / "set.ORV", {condition});
  test::AppRig rig;
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  rig.State().Working().ConfDlg = 1;
  ui::CommandTable& commands = rig.Frame().Commands();
  commands.Execute(cmd::kListCreation);

  rig.dialogs.answers = {true};
  commands.Execute(cmd::kSyncRun);
  ASSERT_EQ(rig.dialogs.questions.size(), 1);
  const QStringList lines = rig.dialogs.questions[0].split('\n');
  ASSERT_GE(lines.size(), 9);
  EXPECT_EQ(lines[0] + "\n" + lines[1], "同期実行します\nよろしいですか？");
  for (const char* line : {"基本→対照へコピー: 3 件 (11 B)", "対照→基本へコピー: 0 件 (0 B)",
                           "対照フォルダから削除: 1 件（ゴミ箱へ 1 件、完全に削除 0 件）", "競合（同期しません）: 0 件",
                           "失敗: 0 件", "実行する条件: 1 件"}) {
    EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
  }

  const QString summary = rig.Frame().ReadyPane()->FullText();
  EXPECT_TRUE(summary.startsWith("同期実行: 基本→対照 2 件 (8 B)、対照→基本 0 件 (0 B)、削除 1 件（ゴミ箱へ 1 件、完全に削除 0 件）、競合 0 件、失敗 1 件、時間 "))
      << summary.toStdString();
  // The offer to see only the failures, which shows that line alone.
  QToolButton* offer = rig.Frame().ProblemsButton();
  ASSERT_TRUE(offer->isVisible());
  offer->click();
  EXPECT_TRUE(rig.Frame().Filters().isVisible());
  ASSERT_EQ(rig.View().model()->rowCount(), 1);
  EXPECT_EQ(rig.View().Results().RowText(0, ui::ResultModel::kName), "locked.txt");
  // Until the next command.
  commands.Execute(cmd::kListCreation);
  EXPECT_TRUE(rig.Frame().ReadyPane()->FullText().startsWith("リスト作成: "));
  EXPECT_FALSE(offer->isVisible());
}

TEST(RunReportTest, TheProgressDialogShowsTheFiguresOfTheRunItWatches) {
  engine::RowStore rows;
  engine::ResultItems items(rows);
  engine::RunFlags flags;
  engine::RunMeter meter(rows, items, flags, {});
  meter.Begin(engine::RunKind::SyncRun, 480 << 20);
  flags.listed = 10;
  flags.judged = 4;
  ui::CProgressDlg dialog(nullptr);
  auto* figures = dialog.findChild<QLabel*>("progressFigures");
  ASSERT_NE(figures, nullptr);
  dialog.WatchRun(&meter);
  ASSERT_TRUE(dialog.CreateModeless());
  dialog.SetBarPos(50);
  EXPECT_TRUE(figures->isVisible());
  EXPECT_TRUE(figures->text().startsWith("4 / 10 件処理  コピー 0 件 (0 B)\n")) << figures->text().toStdString();
  // 480 MiB to copy outweigh ten entries: the bar follows the bytes, not the 50 of 100 entries.
  EXPECT_EQ(dialog.findChild<QLabel*>("progressPercent")->text(), "0%");
  dialog.WatchRun(nullptr);
  EXPECT_FALSE(figures->isVisible());
}

TEST(RunReportTest, ConditionFileDialogsStartInTheCurrentFilesFolderElseHome) {
  test::AppRig::ClearSettings();
  TempDir dir;
  test::MakeFolder(dir / "sets", Time(1000));
  test::WriteConditionFile(dir / "sets/set.ORV", {test::MakeCondition("c", dir / "a", dir / "b")});
  test::AppRig rig;
  rig.Start();
  rig.Frame().Commands().Execute(cmd::kLoadConditions);
  rig.dialogs.openNames = {QString::fromStdString(dir / "sets/set.ORV")};
  rig.Frame().Commands().Execute(cmd::kLoadConditions);
  rig.Frame().Commands().Execute(cmd::kSaveConditions);
  EXPECT_EQ(rig.dialogs.fileFolders,
            (QStringList{QDir::homePath(), QDir::homePath(), QString::fromStdString(dir / "sets")}));
}

}  // namespace
}  // namespace orvel
