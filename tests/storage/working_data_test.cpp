// The working data without a window: what the desktop program's handlers and
// orvel-cli call.
#include "storage/working_data.h"

#include "engine/engine_fakes.h"
#include "engine/result_items.h"
#include "recording_bar.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace orvel::storage {
namespace {

using ::testing::ElementsAre;
using test::Time;

class WorkingDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(tmp / "a/new.txt", "x", Time(1'700'000'000));
    test::MakeFolder(tmp / "b", Time(1'700'000'000));
    data.SetList(items);
    engine::CCondition c;
    c.Name = "first";
    c.AFolder = tmp / "a";
    c.BFolder = tmp / "b";
    data.State().Set().Add(c);
    data.State().ShowLoadedSet();
  }
  std::vector<std::string> Results() const {
    std::vector<std::string> out;
    for (int i = 0; i < items.ItemCount(); ++i) out.push_back(items.ItemText(i, 0) + " " + items.ItemText(i, 2));
    return out;
  }

  test::TempDir tmp;
  test::FakeProgress progress;
  test::FakePrompt prompt;
  test::RecordingBar bar;
  WorkingData data{progress, prompt, &bar};
  engine::ResultItems items{data.Rows()};
};

TEST_F(WorkingDataTest, RunsTakeTheBarsTextsFirst) {
  bar.target = tmp / "elsewhere";
  prompt.answers = {true};  // create the missing target folder
  EXPECT_EQ(data.ListCreation(), engine::RunOutcome::Completed);
  EXPECT_EQ(data.State().Set().Get(0).BFolder, tmp / "elsewhere");
  EXPECT_THAT(Results(), ElementsAre("new.txt >>"));
  EXPECT_FALSE(test::Exists(tmp / "elsewhere/new.txt"));
}

TEST_F(WorkingDataTest, TheSyncRunAsksOnlyWhenTold) {
  prompt.answers = {false};
  EXPECT_EQ(data.SyncRun(true), std::nullopt);
  EXPECT_THAT(prompt.ids, ElementsAre(engine::RunMessage::ConfirmSync));
  EXPECT_FALSE(test::Exists(tmp / "b/new.txt"));

  data.SetOption(&engine::ConditionFields::SameDisp, 1);
  data.State().Working().ConfDlg = 0;
  prompt.ids.clear();
  EXPECT_EQ(data.SyncRun(true), engine::RunOutcome::Completed);
  EXPECT_TRUE(prompt.ids.empty());
  EXPECT_THAT(Results(), ElementsAre("new.txt >="));

  // The auto-run switch: nothing is asked, whatever ConfDlg says.
  data.State().Working().ConfDlg = 1;
  EXPECT_EQ(data.SyncRun(false), engine::RunOutcome::Completed);
  EXPECT_TRUE(prompt.ids.empty());
}

TEST_F(WorkingDataTest, TogglesStoreIntoTheCurrentCondition) {
  data.ToggleOption(&engine::ConditionFields::Complete);
  EXPECT_EQ(data.State().Set().Get(0).Complete, 1);
  data.ToggleOption(&engine::ConditionFields::Complete);
  EXPECT_EQ(data.State().Set().Get(0).Complete, 0);
  data.SetOption(&engine::ConditionFields::ChkExt, 1);
  EXPECT_EQ(data.State().Set().Get(0).ChkExt, 1);
}

TEST_F(WorkingDataTest, ConditionCommandsAndTheQuestionBeforeDeleting) {
  EXPECT_EQ(data.NewCondition("second"), 1);
  EXPECT_TRUE(data.RenameCondition("zweite"));
  EXPECT_EQ(data.State().Set().Get(1).Name, "zweite");
  prompt.answers = {false};
  EXPECT_FALSE(data.DeleteCondition());
  EXPECT_EQ(prompt.ids.back(), engine::RunMessage::DeleteConditionAsk);
  EXPECT_THAT(prompt.args.back(), ElementsAre("zweite"));
  EXPECT_EQ(data.State().Set().Count(), 2);
  prompt.answers = {true};
  EXPECT_TRUE(data.DeleteCondition());
  EXPECT_EQ(data.State().Set().Count(), 1);
}

TEST_F(WorkingDataTest, AFailedLoadChangesNothingAndSaysWhy) {
  { std::ofstream(tmp / "big.ORV") << std::string(16 * 1024 * 1024 + 1, 'x'); }
  EXPECT_EQ(data.LoadConditions(tmp / "big.ORV").error, LoadError::TooLarge);
  EXPECT_EQ(data.LoadConditions(tmp / "missing.ORV").error, LoadError::CannotOpen);
  EXPECT_EQ(data.State().Set().Count(), 1);
  EXPECT_EQ(data.State().Set().Get(0).Name, "first");

  ASSERT_TRUE(data.SaveConditions(tmp / "saved.ORV"));
  data.NewCondition("second");
  ASSERT_TRUE(data.LoadConditions(tmp / "saved.ORV"));
  EXPECT_EQ(data.State().Set().Count(), 1);
  EXPECT_EQ(data.State().CurrentIndex(), 0);
  EXPECT_EQ(bar.base, tmp / "a");
}

// orvel-cli's way: no condition bar at all.
TEST(WorkingDataWithoutBarTest, RunsWithTheSetAsItIs) {
  test::TempDir tmp;
  test::WriteFile(tmp / "a/x", "x", Time(1'700'000'000));
  test::FakeProgress progress;
  test::FakePrompt prompt;
  WorkingData data(progress, prompt);
  engine::ResultItems items(data.Rows());
  data.SetList(items);
  engine::CCondition c;
  c.AFolder = tmp / "a";
  c.BFolder = tmp / "b";
  data.State().Set().Add(c);
  data.State().ShowLoadedSet();
  prompt.answers = {true};
  EXPECT_EQ(data.SyncRun(false), engine::RunOutcome::Completed);
  EXPECT_EQ(test::ReadFile(tmp / "b/x"), "x");
  EXPECT_FALSE(data.Busy());
}

}  // namespace
}  // namespace orvel::storage
