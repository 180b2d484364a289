// The reason of a "?" line: the tooltip of its cells and the status bar while
// it is the current line.
#include "platform/error.h"
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/dialogs/elided_label.h"
#include "ui/result_list/result_model.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

namespace orvel {
namespace {

using engine::Mark;
using engine::Side;
using test::AppRig;
using test::TempDir;
using test::Time;
using test::WriteFile;
namespace cmd = ui::cmd;

// The program's own reasons in its language; the system's as the system words them.
const QString kChanged = QStringLiteral("リスト作成の後に変更されています");


TEST(RowReasonModelTest, EveryCellOfAFailedLineNamesTheEntryOfItsSideAndTheReason) {
  struct Case {
    const char* name;
    Side side;
    std::error_code code;
    QString expected;
  };
  const Case cases[] = {
      {"sub", Side::Base, std::error_code(EACCES, std::generic_category()), QStringLiteral("/data/base/sub: アクセスが拒否されました")},
      {"f.txt", Side::Target, platform::MakeError(platform::Fault::ChangedSinceList),
       "/data/target/f.txt: " + kChanged},
      // A byte that is not UTF-8 becomes U+FFFD; the rest of the name stays.
      {"caf\xE9.txt", Side::Target, std::error_code(EIO, std::generic_category()),
       QStringLiteral("/data/target/caf\uFFFD.txt: 入出力エラーです")},
  };
  engine::RowStore rows;
  ui::ResultModel model(rows);
  const std::uint32_t folder = rows.InternFolder("/data/base/", "/data/target/");
  for (const Case& c : cases) {
    engine::ResultRow row;
    row.folder = folder;
    row.result = row.mark = Mark::Failed;
    const int index = rows.Append(c.name, row);
    rows.SetError(index, engine::RowError{c.code, c.side});
    model.AppendItem(index);
  }
  // Lines without a reason: a "?" the comparison gave none, and a good line.
  for (Mark mark : {Mark::Failed, Mark::Same}) {
    engine::ResultRow row;
    row.folder = folder;
    row.result = row.mark = mark;
    model.AppendItem(rows.Append("plain", row));
  }
  model.Flush();

  const int count = static_cast<int>(std::size(cases));
  for (int item = 0; item < count; ++item) {
    SCOPED_TRACE(cases[item].name);
    for (int column = 0; column < ui::ResultModel::kColumnCount; ++column) {
      // The path column's tooltip has the whole path first.
      const QString path = column == ui::ResultModel::kPath ? model.index(item, column).data().toString() + "\n" : "";
      EXPECT_EQ(model.index(item, column).data(Qt::ToolTipRole).toString(), path + cases[item].expected) << column;
    }
  }
  for (int item = count; item < model.ItemCount(); ++item) {
    EXPECT_FALSE(model.index(item, 0).data(Qt::ToolTipRole).isValid()) << item;
    EXPECT_FALSE(model.index(item, ui::ResultModel::kResult).data(Qt::ToolTipRole).isValid()) << item;
  }

  // The reason an execution gives shows the same way.
  model.SetItemResult(count + 1, engine::ItemResult{
                                     Mark::Failed, engine::DateCopy::None,
                                     engine::RowError{std::error_code(ENOSPC, std::generic_category()), Side::Base}});
  EXPECT_EQ(model.index(count + 1, 3).data(Qt::ToolTipRole).toString(), QStringLiteral("/data/base/plain: デバイスに空き領域がありません"));
}

class RowReasonTest : public ::testing::Test {
 protected:
  void SetUp() override { AppRig::ClearSettings(); }

  int ItemNamed(const std::string& name) {
    for (int i = 0; i < rig.View().Results().ItemCount(); ++i) {
      if (rig.View().Results().ItemText(i, ui::ResultModel::kName) == name) return i;
    }
    return -1;
  }
  QPoint LineCentre(int item) { return rig.View().visualRect(rig.View().model()->index(item, 0)).center(); }
  QString Pane() { return rig.Frame().ReadyPane()->text(); }

  TempDir dir;
  AppRig rig;
};

TEST_F(RowReasonTest, TheStatusBarGivesTheReasonWhileTheFailedLineIsTheCurrentOne) {
  // A newer base file whose target changes after the list was made: executing
  // its line fails on the target's entry. Its name is not UTF-8.
  const std::string failing = "caf\xE9.txt";
  WriteFile(dir / ("a/" + failing), "new", Time(2000));
  WriteFile(dir / ("b/" + failing), "old", Time(1000));
  WriteFile(dir / "a/good.txt", "x", Time(1000));
  test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("c", dir / "a", dir / "b")});
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  rig.State().Working().DblClk = 0;  // a double click executes the line
  rig.Frame().resize(1400, 500);
  rig.Frame().Commands().Execute(cmd::kListCreation);
  QCoreApplication::processEvents();
  const int bad = ItemNamed(failing);
  const int good = ItemNamed("good.txt");
  ASSERT_GE(bad, 0);
  ASSERT_GE(good, 0);

  WriteFile(dir / ("b/" + failing), "changed by someone else", Time(1500));
  QTest::mouseDClick(rig.View().viewport(), Qt::LeftButton, {}, LineCentre(bad));
  ASSERT_EQ(rig.View().Results().ItemText(bad, ui::ResultModel::kResult), "?");
  EXPECT_EQ(test::ReadFile(dir / ("b/" + failing)), "changed by someone else");

  const QString expected = QString::fromStdString(dir / "b/caf") + QStringLiteral("\uFFFD.txt: ") + kChanged;
  for (int column = 0; column < ui::ResultModel::kColumnCount; ++column) {
    const QModelIndex cell = rig.View().model()->index(bad, column);
    const QString path = column == ui::ResultModel::kPath ? cell.data().toString() + "\n" : "";
    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), path + expected) << column;
  }
  // The double click made it the current line, and the execution its reason.
  EXPECT_EQ(Pane(), expected);

  // The reason goes with the selection, by keys and by clicks.
  QTest::keyClick(rig.View().viewport(), bad < good ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_EQ(rig.View().currentIndex().row(), good);
  // Otherwise the pane says what the last command did, until the next one.
  const QString summary = Pane();
  EXPECT_TRUE(summary.startsWith("個別同期: ") && summary.contains("失敗 1 件")) << summary.toStdString();
  QTest::mouseClick(rig.View().viewport(), Qt::LeftButton, {}, LineCentre(bad));
  EXPECT_EQ(Pane(), expected);
  QTest::mouseClick(rig.View().viewport(), Qt::LeftButton, Qt::ControlModifier, LineCentre(bad));  // deselects
  EXPECT_EQ(Pane(), summary);
  QTest::mouseClick(rig.View().viewport(), Qt::LeftButton, {}, LineCentre(bad));
  EXPECT_EQ(Pane(), expected);

  // In a narrow window (beside the offer to show only the failed lines) the
  // middle of the path gives way, not the reason.
  rig.Frame().resize(450, 500);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Pane().contains(QChar(0x2026))) << Pane().toStdString();
  EXPECT_TRUE(Pane().endsWith(kChanged.right(6))) << Pane().toStdString();
  EXPECT_EQ(rig.Frame().ReadyPane()->toolTip(), expected);
  rig.Frame().resize(1400, 500);

  // A new run empties the list, and with it the reason.
  QTest::keyClick(&rig.Frame(), Qt::Key_F5);
  EXPECT_TRUE(Pane().startsWith("リスト作成: 2 行")) << Pane().toStdString();
  EXPECT_EQ(rig.Frame().ReadyPane()->toolTip(), "");
}

}  // namespace
}  // namespace orvel
