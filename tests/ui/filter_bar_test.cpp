// The filter bar: kinds of lines and a part of the name, in any case; it only
// hides lines, and the commands act on the selected lines that show.
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/result_list/filter_bar.h"
#include "ui/result_list/name_matcher.h"
#include "ui/result_list/result_model.h"

#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <set>

namespace orvel {
namespace {

using test::Time;
using test::WriteFile;

TEST(NameMatcherTest, APartOfTheNameInAnyCase) {
  const struct {
    const char* part;
    const char* name;
    bool matches;
  } cases[] = {
      {"rep", "Report1.txt", true},
      {"REP", "my report", true},
      {"port1.", "Report1.txt", true},
      {"z", "Report1.txt", false},
      {"é", "CAFÉ.txt", true},
      {"ａｂ", "ＡＢＣ.txt", true},              // full-width letters fold too
      {"k", "\u212A.txt", true},                // the Kelvin sign folds to k
      {"abck", "abc\u212A", true},              // also in the last bytes of a name
      {"写真 6", "写真 64.jpg", true},
      {"写真", "photo.jpg", false},
      {"\uFFFD", "a\xFF" "b", true},            // a byte that is not UTF-8 reads as U+FFFD
      {"", "anything", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::NameMatcher(QString::fromUtf8(c.part)).Matches(c.name), c.matches) << c.part << " in " << c.name;
  }
}

TEST(FilterBarTest, KindsAndANameHideLinesAndCommandsActOnTheSelectedLinesThatShow) {
  test::AppRig::ClearSettings();
  test::TempDir dir;
  WriteFile(dir / "a/Report1.txt", "new", Time(2000));  // >
  WriteFile(dir / "b/Report1.txt", "old", Time(1000));
  WriteFile(dir / "a/report2.txt", "only", Time(1000));  // >>
  WriteFile(dir / "a/notes.txt", "same", Time(1000));    // =
  WriteFile(dir / "b/notes.txt", "same", Time(1000));
  WriteFile(dir / "b/old.log", "t", Time(1000));         // <<
  test::WriteConditionFile(dir / "set.ORV", {test::MakeCondition("c", dir / "a", dir / "b")});
  test::AppRig rig;
  rig.Start({QString::fromStdString(dir / "set.ORV")});
  rig.Frame().Commands().Execute(ui::cmd::kListCreation);
  ui::FilterBar& bar = rig.Frame().Filters();
  const ui::ResultModel& model = rig.View().Results();
  const auto shown = [&] {
    std::set<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row) names.insert(model.RowText(row, ui::ResultModel::kName));
    return names;
  };
  EXPECT_FALSE(bar.isVisible());

  // Keys reach the window's shortcuts while it is active (the run's dialog took that a while).
  rig.Frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.Frame()));
  QTest::keyClick(&rig.Frame(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(bar.isVisible());
  EXPECT_TRUE(bar.NameEdit()->hasFocus());
  QTest::keyClicks(bar.NameEdit(), "REP");
  EXPECT_EQ(shown(), (std::set<std::string>{"Report1.txt", "report2.txt"}));

  // Every line that shows selected; the one the filter hides stays as it was.
  rig.View().selectAll();
  rig.State().Working().ConfDlg = 0;
  rig.Frame().Commands().Execute(ui::cmd::kUpdateSelected);
  EXPECT_EQ(model.RowText(0, ui::ResultModel::kResult) + model.RowText(1, ui::ResultModel::kResult), ">=>=");
  EXPECT_FALSE(test::Exists(dir / "a/old.log"));

  bar.NameEdit()->clear();
  bar.KindButton(ui::ResultModel::kDifferences)->click();
  EXPECT_EQ(shown(), (std::set<std::string>{"Report1.txt", "report2.txt", "old.log"}));
  bar.KindButton(ui::ResultModel::kDifferences)->click();
  bar.KindButton(ui::ResultModel::kIdentical)->click();
  EXPECT_EQ(shown(), (std::set<std::string>{"notes.txt"}));
  // Esc in the name closes the bar: every line again.
  QTest::keyClick(bar.NameEdit(), Qt::Key_Escape);
  EXPECT_FALSE(bar.isVisible());
  EXPECT_EQ(model.rowCount(), 4);
}

}  // namespace
}  // namespace orvel
