#include "storage/condition_state.h"
#include "storage/condition_run_host.h"

#include "condition_fields.h"
#include "recording_bar.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::SampleCondition;

class ConditionStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.Set().Add(SampleCondition("first", 1));
    state.Set().Add(SampleCondition("second", 2));
    state.Set().Add(SampleCondition("third", 3));
  }

  test::RecordingBar bar;
  ConditionState state{&bar};
};

TEST_F(ConditionStateTest, LoadAndStoreOutsideTheSetChangeNothing) {
  state.LoadCondition(1);
  const CConditionSet before = state.Set();
  for (int index : {-1, 3}) {
    EXPECT_FALSE(state.LoadCondition(index));
    EXPECT_FALSE(state.StoreCondition(index));
  }
  for (int i = 0; i < 3; ++i) ExpectSameCondition(state.Set().Get(i), before.Get(i));
  ExpectSameCondition(state.Working().ToCondition("second"), SampleCondition("second", 2));
}

TEST_F(ConditionStateTest, StoreKeepsTheNameTheElementHasNow) {
  ASSERT_TRUE(state.LoadCondition(0));
  state.Set().Element(0).Name = "renamed";
  state.Working().Complete = 0;
  ASSERT_TRUE(state.StoreCondition(0));

  CCondition expected = SampleCondition("renamed", 1);
  expected.Complete = 0;
  ExpectSameCondition(state.Set().Get(0), expected);
}

TEST_F(ConditionStateTest, AFlagToggleStoresWithoutTheUntakenEdit) {
  state.ShowLoadedSet();
  bar.base = "/typed/but/not/taken";
  state.Working().EmptyFolder = 0;
  state.StoreCondition(state.CurrentIndex());
  EXPECT_EQ(state.Set().Get(0).AFolder, "/base1/");
  EXPECT_EQ(state.Set().Get(0).EmptyFolder, 0);

  state.TakeAndStore();
  EXPECT_EQ(state.Set().Get(0).AFolder, "/typed/but/not/taken");
}

TEST_F(ConditionStateTest, TakeBarTextsTakesTheFourEdits) {
  bar.base = "/a";
  bar.target = "/b";
  bar.ext = "txt";
  bar.noExt = "tmp";
  state.TakeBarTexts();
  EXPECT_EQ(state.Working().AFolder, "/a");
  EXPECT_EQ(state.Working().BFolder, "/b");
  EXPECT_EQ(state.Working().Ext, "txt");
  EXPECT_EQ(state.Working().NoExt, "tmp");
}

TEST_F(ConditionStateTest, SelectingTheCurrentLineDoesNothing) {
  state.ShowLoadedSet();
  bar.calls.clear();
  bar.base = "/typed";
  state.SelectCondition(0);
  EXPECT_TRUE(bar.calls.empty());
  EXPECT_EQ(state.Set().Get(0).AFolder, "/base1/");
  EXPECT_EQ(state.Working().AFolder, "/base1/");
}

TEST_F(ConditionStateTest, SelectingAnotherLineStoresTheBarIntoTheOldConditionFirst) {
  state.ShowLoadedSet();
  bar.calls.clear();
  bar.base = "/typed base";
  bar.noExt = "log";
  state.Working().DeleteTrash = 0;

  state.SelectCondition(2);

  CCondition stored = SampleCondition("first", 1);
  stored.AFolder = "/typed base";
  stored.NoExt = "log";
  stored.DeleteTrash = 0;
  ExpectSameCondition(state.Set().Get(0), stored);
  EXPECT_EQ(state.CurrentIndex(), 2);
  ExpectSameCondition(state.Working().ToCondition("third"), SampleCondition("third", 3));
  // The list box already shows the new line; only the edits are rewritten.
  EXPECT_EQ(bar.calls, std::vector<std::string>{"show /base3/"});
}

TEST_F(ConditionStateTest, SelectingALineOutsideTheSetIsIgnored) {
  state.ShowLoadedSet();
  bar.calls.clear();
  state.SelectCondition(-1);
  state.SelectCondition(3);
  EXPECT_EQ(state.CurrentIndex(), 0);
  EXPECT_TRUE(bar.calls.empty());
}

TEST_F(ConditionStateTest, FillConditionListShowsNamesInOrderAndSelectsTheFirst) {
  state.Set().Add(SampleCondition("first", 4));
  state.FillConditionList();
  EXPECT_EQ(bar.names, (std::vector<std::string>{"first", "second", "third", "first"}));
  EXPECT_EQ(bar.selectedLine, 0);

  state.Set().Clear();
  state.FillConditionList();
  EXPECT_TRUE(bar.names.empty());
  EXPECT_EQ(bar.selectedLine, -1);
}

TEST_F(ConditionStateTest, ShowLoadedSetMakesTheFirstConditionCurrent) {
  state.SetCurrentIndex(2);
  state.ShowLoadedSet();
  EXPECT_EQ(state.CurrentIndex(), 0);
  EXPECT_EQ(bar.names.size(), 3u);
  EXPECT_EQ(bar.selectedLine, 0);
  EXPECT_EQ(bar.shown.AFolder, "/base1/");
  ExpectSameCondition(state.Working().ToCondition("first"), SampleCondition("first", 1));
}

TEST_F(ConditionStateTest, ARunWalksTheSetAndShowsTheCurrentConditionAgain) {
  state.ShowLoadedSet();
  state.SelectCondition(1);
  ConditionRunHost host(state);
  ASSERT_EQ(host.ConditionCount(), 3);

  for (int i = 0; i < host.ConditionCount(); ++i) {
    bar.calls.clear();
    const CCondition condition = host.BeginCondition(i);
    ExpectSameCondition(condition, state.Set().Get(i));
    EXPECT_EQ(state.CurrentIndex(), 1);
    EXPECT_EQ(bar.selectedLine, i);
    EXPECT_EQ(bar.shown.AFolder, condition.AFolder);
    EXPECT_EQ(bar.toolbar.AFolder, condition.AFolder);
    EXPECT_EQ(host.DeleteTrash(), condition.DeleteTrash != 0);
  }
  EXPECT_EQ(state.Working().AFolder, "/base3/");

  host.EndRun();
  EXPECT_EQ(state.CurrentIndex(), 1);
  ExpectSameCondition(state.Working().ToCondition("second"), SampleCondition("second", 2));
  EXPECT_EQ(bar.shown.AFolder, "/base2/");
  EXPECT_EQ(bar.selectedLine, 1);
}

TEST_F(ConditionStateTest, ShowCurrentConditionWithoutAnyConditionSelectsNoLine) {
  state.ShowLoadedSet();
  state.Set().Clear();
  state.SetCurrentIndex(-1);
  state.ShowCurrentCondition();
  EXPECT_EQ(bar.selectedLine, -1);
  EXPECT_EQ(state.Working().AFolder, "/base1/");  // nothing loaded over it
}

}  // namespace
}  // namespace orvel::storage
