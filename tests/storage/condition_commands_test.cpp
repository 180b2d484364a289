// New, rename and delete on the condition set: the set, the current index, the
// working set and what the condition bar shows.
#include "storage/condition_commands.h"

#include "condition_fields.h"
#include "recording_bar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::SampleCondition;
using Names = std::vector<std::string>;

class ConditionCommandsTest : public ::testing::Test {
 protected:
  // Three conditions from a condition file, the one at `current` chosen in the list box.
  void LoadThree(int current) {
    state.Set().Add(SampleCondition("first", 1));
    state.Set().Add(SampleCondition("second", 2));
    state.Set().Add(SampleCondition("third", 3));
    state.ShowLoadedSet();
    state.SelectCondition(current);
    bar.calls.clear();
  }
  void ExpectWorkingSetIs(const CCondition& expected) {
    ExpectSameCondition(state.Working().ToCondition(expected.Name), expected);
  }

  test::RecordingBar bar;
  ConditionState state{&bar};
};

TEST(ConditionNameTest, OnlyBlanksTabsAndLineBreaksAreBlank) {
  for (const char* blank : {"", " ", "   ", "\t", " \r\n\t "}) EXPECT_TRUE(IsBlankConditionName(blank)) << blank;
  for (const char* name : {"a", " a", "a ", "\tb\n", "条件"}) EXPECT_FALSE(IsBlankConditionName(name)) << name;
}

TEST(ConditionNameTest, TheEmptyConditionClearsEveryFieldWhateverTheDefaults) {
  const CCondition c = EmptyCondition(" named ");
  EXPECT_EQ(c.Name, " named ");
  for (const std::string& text : {c.AFolder, c.BFolder, c.Ext, c.NoExt}) EXPECT_EQ(text, "");
  for (int flag : {c.SubFolder, c.SameDisp, c.ChkExt, c.Complete, c.ChkNoExt,
                   c.DiffTime, c.DiffSel, c.EmptyFolder, c.RecyclerFolder, c.DeleteTrash}) {
    EXPECT_EQ(flag, 0);
  }
}

TEST_F(ConditionCommandsTest, NewConditionBecomesTheFourthAndIsShownEmpty) {
  LoadThree(1);
  bar.base = "/typed/not/taken";

  EXPECT_EQ(AppendNewCondition(state, "fourth"), 3);

  ASSERT_EQ(state.Set().Count(), 4);
  EXPECT_EQ(state.CurrentIndex(), 3);
  ExpectSameCondition(state.Set().Get(3), EmptyCondition("fourth"));
  ExpectWorkingSetIs(EmptyCondition("fourth"));
  EXPECT_EQ(bar.names, (Names{"first", "second", "third", "fourth"}));
  EXPECT_EQ(bar.selectedLine, 3);
  EXPECT_EQ(bar.base, "");
  EXPECT_EQ(bar.target, "");
  EXPECT_EQ(bar.ext, "");
  EXPECT_EQ(bar.noExt, "");
  EXPECT_EQ(bar.shown.ChkExt, 0);
  EXPECT_EQ(bar.shown.ChkNoExt, 0);
  // The condition that was left keeps what was typed for it.
  EXPECT_EQ(state.Set().Get(1).AFolder, "/typed/not/taken");
  EXPECT_EQ(state.Set().Get(1).Name, "second");
}

TEST_F(ConditionCommandsTest, RenameChangesOnlyTheNameOfTheCurrentCondition) {
  LoadThree(1);
  state.Working().Complete = 0;  // not stored: the rename must not store it either

  ASSERT_TRUE(RenameCurrentCondition(state, " renamed"));

  EXPECT_EQ(state.CurrentIndex(), 1);
  ExpectSameCondition(state.Set().Get(0), SampleCondition("first", 1));
  ExpectSameCondition(state.Set().Get(1), SampleCondition(" renamed", 2));
  ExpectSameCondition(state.Set().Get(2), SampleCondition("third", 3));
  EXPECT_EQ(state.Working().Complete, 0);
  EXPECT_EQ(bar.names, (Names{"first", " renamed", "third"}));
  EXPECT_EQ(bar.selectedLine, 1);
  for (const std::string& call : bar.calls) EXPECT_EQ(call.rfind("show", 0), std::string::npos) << call;
}

TEST_F(ConditionCommandsTest, DeletingTheMiddleMakesTheFormerThirdCurrent) {
  LoadThree(1);
  ASSERT_TRUE(DeleteCurrentCondition(state));
  ASSERT_EQ(state.Set().Count(), 2);
  EXPECT_EQ(state.CurrentIndex(), 1);
  ExpectWorkingSetIs(SampleCondition("third", 3));
  EXPECT_EQ(bar.base, "/base3/");
  EXPECT_EQ(bar.names, (Names{"first", "third"}));
  EXPECT_EQ(bar.selectedLine, 1);
}

TEST_F(ConditionCommandsTest, DeletingTheLastMakesTheNewLastCurrent) {
  LoadThree(2);
  ASSERT_TRUE(DeleteCurrentCondition(state));
  EXPECT_EQ(state.CurrentIndex(), 1);
  ExpectWorkingSetIs(SampleCondition("second", 2));
  EXPECT_EQ(bar.target, "/target2");
  EXPECT_EQ(bar.names, (Names{"first", "second"}));
  EXPECT_EQ(bar.selectedLine, 1);
}

TEST_F(ConditionCommandsTest, DeletingTheOnlyConditionLeavesNoCurrentOneAndTheBarAsItWas) {
  state.Set().Add(SampleCondition("only", 7));
  state.ShowLoadedSet();

  ASSERT_TRUE(DeleteCurrentCondition(state));

  EXPECT_EQ(state.Set().Count(), 0);
  EXPECT_EQ(state.CurrentIndex(), -1);
  EXPECT_FALSE(HasCurrentCondition(state));
  EXPECT_TRUE(bar.names.empty());
  EXPECT_EQ(bar.selectedLine, -1);
  EXPECT_EQ(bar.base, "/base7/");
  EXPECT_EQ(bar.noExt, "bak tmp7");
  ExpectWorkingSetIs(SampleCondition("only", 7));

  // A flag toggle now stores nowhere; a new condition starts the set again.
  EXPECT_FALSE(state.StoreCondition(state.CurrentIndex()));
  EXPECT_EQ(AppendNewCondition(state, "again"), 0);
  EXPECT_EQ(state.CurrentIndex(), 0);
  ExpectWorkingSetIs(EmptyCondition("again"));
  EXPECT_EQ(bar.names, (Names{"again"}));
  EXPECT_EQ(bar.selectedLine, 0);
  EXPECT_EQ(bar.base, "");
}

TEST_F(ConditionCommandsTest, RenameAndDeleteWithoutAConditionChangeNothing) {
  state.Set().Add(SampleCondition("only", 7));
  state.ShowLoadedSet();
  ASSERT_TRUE(DeleteCurrentCondition(state));
  bar.calls.clear();

  EXPECT_FALSE(RenameCurrentCondition(state, "name"));
  EXPECT_FALSE(DeleteCurrentCondition(state));
  EXPECT_EQ(state.Set().Count(), 0);
  EXPECT_EQ(state.CurrentIndex(), -1);
  EXPECT_TRUE(bar.calls.empty());

  // A view that never loaded anything: empty set, index 0.
  test::RecordingBar freshBar;
  ConditionState fresh(&freshBar);
  EXPECT_FALSE(HasCurrentCondition(fresh));
  EXPECT_FALSE(RenameCurrentCondition(fresh, "name"));
  EXPECT_FALSE(DeleteCurrentCondition(fresh));
  EXPECT_EQ(fresh.CurrentIndex(), 0);
  EXPECT_TRUE(freshBar.calls.empty());
}

TEST_F(ConditionCommandsTest, DuplicateNamesAreKeptApartByPosition) {
  LoadThree(0);
  AppendNewCondition(state, "first");
  ASSERT_TRUE(DeleteCurrentCondition(state));  // the new one, not the old "first"
  EXPECT_EQ(state.CurrentIndex(), 2);
  ExpectSameCondition(state.Set().Get(0), SampleCondition("first", 1));
  EXPECT_EQ(bar.names, (Names{"first", "second", "third"}));
}

}  // namespace
}  // namespace orvel::storage
