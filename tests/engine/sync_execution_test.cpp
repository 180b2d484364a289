// Executing rows: the sync run, single rows and the selected-row commands.
#include "engine/comparison.h"
#include "engine/row_loop.h"
#include "engine_fakes.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr std::int64_t kT = 1700000000;

class SyncExecutionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    MakeFolder(Base(), Time(kT));
    MakeFolder(Target(), Time(kT));
    rig.host.conditions.push_back(MakeCondition(Base(), Target()));
  }
  std::string Base() const { return tmp / "base"; }
  std::string Target() const { return tmp / "target"; }
  CCondition& Condition() { return rig.host.conditions[0]; }
  std::string B(const std::string& rel) const { return Base() + "/" + rel; }
  std::string T(const std::string& rel) const { return Target() + "/" + rel; }
  int ItemNamed(const std::string& name) const {
    for (int i = 0; i < rig.items.ItemCount(); ++i)
      if (rig.items.ItemText(i, 0) == name) return i;
    return -1;
  }

  TempDir tmp;
  EngineRig rig;
};

TEST_F(SyncExecutionTest, SyncRunCopiesBothWaysAndShowsExecutedMarks) {
  WriteFile(B("newer.txt"), "base new", Time(kT + 10, 5));
  WriteFile(T("newer.txt"), "target old", Time(kT));
  WriteFile(B("older.txt"), "base old", Time(kT));
  WriteFile(T("older.txt"), "target new", Time(kT + 10));
  WriteFile(B("sub/deeper/only_base.txt"), "ob", Time(kT + 1));
  WriteFile(T("only_target.txt"), "ot", Time(kT + 2));
  WriteFile(B("same.txt"), "s", Time(kT));
  WriteFile(T("same.txt"), "s", Time(kT));
  ASSERT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Completed);
  EXPECT_THAT(
      rig.Results(),
      UnorderedElementsAre("newer.txt >=", "older.txt <=", "only_base.txt >=", "only_target.txt <=", "same.txt ="));
  // The executed row copies the date over; the row store keeps the comparison's mark.
  const int newer = ItemNamed("newer.txt");
  EXPECT_EQ(rig.items.ItemText(newer, 3), rig.items.ItemText(newer, 1));
  EXPECT_EQ(rig.MarkOf(newer), ">");
  const int older = ItemNamed("older.txt");
  EXPECT_EQ(rig.items.ItemText(older, 1), rig.items.ItemText(older, 3));

  EXPECT_EQ(ReadFile(T("newer.txt")), "base new");
  EXPECT_EQ(TimeOf(T("newer.txt")), Time(kT + 10, 5));
  EXPECT_EQ(ReadFile(B("older.txt")), "target new");
  // Copied into folders the target lacked: the first copy fails, the folders
  // are made, the second copy succeeds.
  EXPECT_EQ(ReadFile(T("sub/deeper/only_base.txt")), "ob");
  EXPECT_EQ(ReadFile(B("only_target.txt")), "ot");

  // A second run finds nothing left to do.
  Condition().SameDisp = 0;
  rig.engine.RunAllConditions(false);
  EXPECT_EQ(rig.items.ItemCount(), 0);
}

TEST_F(SyncExecutionTest, CompleteModeDeletesTargetOnlyEntries) {
  WriteFile(T("gone.txt"), "g", Time(kT));
  WriteFile(T("full/inner.txt"), "i", Time(kT));
  MakeFolder(T("empty"), Time(kT));
  MakeFolder(B("base_empty"), Time(kT));
  Condition().Complete = 1;
  Condition().EmptyFolder = 1;
  rig.engine.RunAllConditions(true);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("base_empty >=", "gone.txt X=", "inner.txt X=", "empty X="));
  EXPECT_FALSE(Exists(T("gone.txt")));
  EXPECT_FALSE(Exists(T("full/inner.txt")));
  EXPECT_FALSE(Exists(T("empty")));
  EXPECT_TRUE(Exists(T("base_empty")));
  // The folder whose files were deleted stays; it is an empty folder now.
  EXPECT_TRUE(Exists(T("full")));
  rig.engine.RunAllConditions(false);
  EXPECT_THAT(rig.Results(), ElementsAre("full X"));
}

// Complete sync puts the base's entry in the place of a target entry of the
// other kind in one run, and the next run finds nothing to do.
TEST(CompleteSyncKindChange, SettlesInOneRun) {
  struct Case {
    const char* name;
    std::vector<TreeEntry> base;
    std::vector<TreeEntry> target;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"folder became a file",
       {{"d", "file", Time(kT + 5)}},
       {{"d/x", "in", Time(kT)}, {"d/sub/y", "deep", Time(kT)}, {"d/sub", std::nullopt, Time(kT)}},
       {"d >="}},
      {"file became a folder",
       {{"d/x", "in", Time(kT)}, {"d/sub/y", "deep", Time(kT)}, {"d/sub", std::nullopt, Time(kT + 1)},
        {"d", std::nullopt, Time(kT + 2)}},
       {{"d", "file", Time(kT + 5)}},
       {"d >=", "x >=", "y >="}},
      {"file became an empty folder", {{"d", std::nullopt, Time(kT + 3)}}, {{"d", "file", Time(kT)}}, {"d >="}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir tmp;
    WriteTree(tmp / "A", c.base);
    WriteTree(tmp / "B", c.target);
    EngineRig rig;
    CCondition condition = MakeCondition(tmp / "A", tmp / "B");
    condition.Complete = 1;
    condition.EmptyFolder = 1;
    condition.SameDisp = 0;
    rig.host.conditions = {condition};
    EXPECT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Completed);
    EXPECT_THAT(rig.Results(), UnorderedElementsAreArray(c.rows));
    EXPECT_EQ(ReadTree(tmp / "B"), ReadTree(tmp / "A"));
    EXPECT_EQ(FolderNames(tmp / "B"), std::vector<std::string>{"d"});  // nothing left beside it
    rig.engine.RunAllConditions(true);
    EXPECT_THAT(rig.Results(), ElementsAre());
  }
}

// A target root the run makes takes the base root's time, like every folder a run makes.
TEST_F(SyncExecutionTest, AMadeTargetRootTakesTheBaseRootsTime) {
  WriteFile(B("f"), "x", Time(kT + 1));
  SetTime(Base(), Time(kT + 7, 5));
  Condition().BFolder = tmp / "made/target";
  rig.prompt.answers = {true};
  ASSERT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Completed);
  EXPECT_EQ(ReadFile(tmp / "made/target/f"), "x");
  EXPECT_EQ(TimeOf(tmp / "made/target"), Time(kT + 7, 5));
}

TEST_F(SyncExecutionTest, DeletionToTheTrashOnlyWhenAskedAndNeverAFolder) {
  const std::string data = tmp / "xdg";
  MakeFolder(data, Time(kT));
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  WriteFile(B("keep"), "k", Time(kT));
  Condition().Complete = 1;
  Condition().EmptyFolder = 1;
  for (const int toTrash : {0, 1}) {
    SCOPED_TRACE(toTrash);
    WriteFile(T("deleted.txt"), "t", Time(kT));
    MakeFolder(T("empty"), Time(kT));
    Condition().DeleteTrash = toTrash;
    rig.engine.RunAllConditions(true);
    EXPECT_THAT(rig.Results(), ::testing::IsSupersetOf({"deleted.txt X=", "empty X="}));
    EXPECT_FALSE(Exists(T("deleted.txt")));
    EXPECT_EQ(Exists(data + "/Trash/files/deleted.txt"), toTrash == 1);
    EXPECT_FALSE(Exists(data + "/Trash/files/empty"));
  }
  unsetenv("XDG_DATA_HOME");
}

TEST_F(SyncExecutionTest, ReadOnlyDestinationIsUntouchedAndFails) {
  WriteFile(B("ro.txt"), "new", Time(kT + 10));
  WriteFile(T("ro.txt"), "old", Time(kT));
  ASSERT_EQ(::chmod(T("ro.txt").c_str(), 0444), 0);
  rig.engine.RunAllConditions(true);
  EXPECT_THAT(rig.Results(), ElementsAre("ro.txt ?"));
  EXPECT_EQ(ReadFile(T("ro.txt")), "old");
  // The failed row keeps its date columns.
  EXPECT_EQ(rig.items.ItemText(0, 3), "2023/11/14 22:13:20");
}

TEST_F(SyncExecutionTest, CopyFailingMidwayLeavesTheOldDestination) {
  WriteFile(B("big.bin"), std::string(1 << 20, 'n'), Time(kT + 10));
  WriteFile(T("big.bin"), "old contents", Time(kT));
  rig.engine.RunAllConditions(false);
  ASSERT_EQ(rig.items.ItemCount(), 1);
  // Execute in a child whose file size limit stops the copy halfway.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    rig.engine.ExecuteRow(0, engine::Direction::AsMarked);
    ::_exit(rig.items.ItemText(0, 2) == "?" ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the row should show ?";
  EXPECT_EQ(ReadFile(T("big.bin")), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Target()), std::filesystem::directory_iterator()), 1)
      << "no temporary file is left behind";
}

TEST_F(SyncExecutionTest, ExecutingTheSameRowTwiceRepeatsTheCopyWhileNothingChanged) {
  WriteFile(B("a.txt"), "one", Time(kT + 10));
  WriteFile(T("a.txt"), "old", Time(kT));
  rig.engine.RunAllConditions(false);
  rig.engine.ExecuteRow(0, engine::Direction::AsMarked);
  EXPECT_EQ(rig.items.ItemText(0, 2), ">=");
  // The row now shows the base date on both sides; the copy is made again.
  WriteFile(T("a.txt"), "spoilt", Time(kT + 10));
  rig.engine.ExecuteRow(0, engine::Direction::AsMarked);
  EXPECT_EQ(ReadFile(T("a.txt")), "one");
  EXPECT_EQ(rig.items.ItemText(0, 2), ">=");
  // A base saved since the list was made is not what the row shows.
  WriteFile(B("a.txt"), "two", Time(kT + 20));
  rig.engine.ExecuteRow(0, engine::Direction::AsMarked);
  EXPECT_EQ(ReadFile(T("a.txt")), "one");
  EXPECT_EQ(rig.items.ItemText(0, 2), "?");
  ASSERT_NE(rig.items.ItemError(0), nullptr);
  EXPECT_EQ(rig.items.ItemError(0)->code, platform::MakeError(platform::Fault::ChangedSinceList));
}

TEST_F(SyncExecutionTest, RowsWithinTheToleranceTouchNothingAndKeepTheirText) {
  WriteFile(B("a.txt"), "base", Time(kT + 3));
  WriteFile(T("a.txt"), "target", Time(kT));
  Condition().DiffTime = 10;
  Condition().DiffSel = 0;
  rig.engine.RunAllConditions(true);
  EXPECT_THAT(rig.Results(), ElementsAre("a.txt >"));
  EXPECT_EQ(ReadFile(T("a.txt")), "target");
}

TEST_F(SyncExecutionTest, ASyncRunLeavesEntriesThatChangedSinceTheScanAlone) {
  // The scans saw the base file newer and no "new.txt" and "gone.txt" in the
  // base; since then the target file was edited and the two others appeared.
  WriteFile(B("a.txt"), "base", Time(kT + 10));
  WriteFile(T("a.txt"), "edited meanwhile", Time(kT + 100));
  WriteFile(B("new.txt"), "base", Time(kT));
  WriteFile(T("new.txt"), "appeared meanwhile", Time(kT + 100));
  WriteFile(T("gone.txt"), "target", Time(kT));
  WriteFile(B("gone.txt"), "appeared meanwhile", Time(kT + 100));
  engine::SideIndex base, target;
  base.Reset(Base() + "/");
  target.Reset(Target() + "/");
  base.AddEntry(base.AddFolder(""), "a.txt", {true, false, Time(kT + 10), {}});
  base.AddEntry(0, "new.txt", {true, false, Time(kT), {}});
  target.AddEntry(target.AddFolder(""), "a.txt", {true, false, Time(kT), {}});
  target.AddEntry(0, "gone.txt", {true, false, Time(kT), {}});
  base.MarkComplete(0);
  target.MarkComplete(0);
  Condition().Complete = 1;
  const auto values = engine::DeriveRunValues(Condition());

  engine::Comparison syncing(rig.rows, rig.items);
  syncing.Begin(values, base, target);
  syncing.SetExecution([&](int item) { rig.engine.ExecuteRow(item, engine::Direction::AsMarked); });
  ASSERT_TRUE(syncing.BaseFile("", "a.txt"));
  ASSERT_TRUE(syncing.BaseFile("", "new.txt"));
  ASSERT_TRUE(syncing.TargetFile("", "gone.txt"));
  EXPECT_THAT(rig.Results(), ElementsAre("a.txt ?", "new.txt ?", "gone.txt ?"));
  EXPECT_EQ(ReadFile(T("a.txt")), "edited meanwhile");
  EXPECT_EQ(ReadFile(T("new.txt")), "appeared meanwhile");
  EXPECT_EQ(ReadFile(T("gone.txt")), "target");

  for (int item = 0; item < 3; ++item) {
    ASSERT_NE(rig.items.ItemError(item), nullptr);
    EXPECT_EQ(rig.items.ItemError(item)->code, platform::MakeError(platform::Fault::ChangedSinceList));
  }

  // The row commands check the same way: the list still shows the old state.
  FakeSelection all;
  all.items = {0, 1, 2};
  rig.engine.RunRowCommand(engine::Direction::AsMarked, false, all);
  EXPECT_THAT(rig.Results(), ElementsAre("a.txt ?", "new.txt ?", "gone.txt ?"));
  EXPECT_EQ(ReadFile(T("a.txt")), "edited meanwhile");
  EXPECT_EQ(ReadFile(T("new.txt")), "appeared meanwhile");
  EXPECT_EQ(ReadFile(T("gone.txt")), "target");
}

TEST_F(SyncExecutionTest, CancelDuringASyncRunStopsAllFurtherExecution) {
  for (int i = 0; i < 5; ++i) WriteFile(B("f" + std::to_string(i)), "x", Time(kT));
  rig.host.conditions.push_back(MakeCondition(Base(), tmp / "second_target"));
  rig.prompt.answers = {true};
  rig.progress.cancelWhen = [](engine::RunStatus status, int) { return status == engine::RunStatus::BasePass; };
  EXPECT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Cancelled);
  EXPECT_EQ(rig.items.ItemCount(), 1) << "the entry in progress finishes, nothing after it";
  EXPECT_FALSE(Exists(tmp / "second_target"));
  EXPECT_EQ(rig.host.endRuns, 1);
}

TEST_F(SyncExecutionTest, SelectedAndForcedRowCommands) {
  WriteFile(B("gt.txt"), "base new", Time(kT + 10));
  WriteFile(T("gt.txt"), "target old", Time(kT));
  WriteFile(T("lt_only.txt"), "target only", Time(kT));
  WriteFile(B("lt.txt"), "base old", Time(kT));
  WriteFile(T("lt.txt"), "target new", Time(kT + 10));
  WriteFile(B("base_only.txt"), "bo", Time(kT));
  rig.engine.RunAllConditions(false);
  ASSERT_EQ(rig.items.ItemCount(), 4);
  FakeSelection sel;

  // Forced base sync copies the older base file over the newer target one.
  sel.items = {ItemNamed("lt.txt")};
  rig.prompt.answers = {true, false};
  EXPECT_EQ(rig.engine.RunRowCommand(engine::Direction::ForceBase, false, sel), engine::RowLoopOutcome::Declined);
  EXPECT_EQ(ReadFile(T("lt.txt")), "target new");
  EXPECT_EQ(rig.progress.opens, 1) << "no progress after a No";
  rig.prompt.answers = {true, true};
  EXPECT_EQ(rig.engine.RunRowCommand(engine::Direction::ForceBase, false, sel), engine::RowLoopOutcome::Completed);
  EXPECT_EQ(ReadFile(T("lt.txt")), "base old");
  EXPECT_EQ(rig.items.ItemText(sel.items[0], 2), ">=");
  EXPECT_THAT(std::vector<engine::RunMessage>(rig.prompt.ids.end() - 2, rig.prompt.ids.end()),
              ElementsAre(engine::RunMessage::ConfirmForceBase1,
                          engine::RunMessage::ConfirmForceBase2));

  // Forced target sync of a row whose target does not exist fails and touches nothing.
  sel.items = {ItemNamed("base_only.txt")};
  rig.prompt.answers = {true, true};
  rig.engine.RunRowCommand(engine::Direction::ForceTarget, false, sel);
  EXPECT_EQ(rig.items.ItemText(sel.items[0], 2), "?");
  EXPECT_EQ(ReadFile(B("base_only.txt")), "bo");

  // Update with ConfDlg off asks nothing and follows each row's mark.
  const auto asked = rig.prompt.ids.size();
  sel.items = {ItemNamed("gt.txt"), ItemNamed("lt_only.txt")};
  std::sort(sel.items.begin(), sel.items.end());
  EXPECT_EQ(rig.engine.RunRowCommand(engine::Direction::AsMarked, false, sel), engine::RowLoopOutcome::Completed);
  EXPECT_EQ(rig.prompt.ids.size(), asked);
  EXPECT_EQ(ReadFile(T("gt.txt")), "base new");
  EXPECT_EQ(ReadFile(B("lt_only.txt")), "target only");
  EXPECT_FALSE(rig.engine.Busy());
}

TEST_F(SyncExecutionTest, CancelInTheRowLoopStopsAfterTheRowInProgress) {
  for (int i = 0; i < 10; ++i) WriteFile(B("f" + std::to_string(i)), "x", Time(kT));
  rig.engine.RunAllConditions(false);
  FakeSelection sel;
  for (int i = 0; i < 10; ++i) sel.items.push_back(i);
  rig.progress.positions.clear();
  rig.progress.cancelWhen = [](engine::RunStatus, int poll) { return poll == 3; };
  rig.progress.polls = 0;
  EXPECT_EQ(rig.engine.RunRowCommand(engine::Direction::AsMarked, false, sel), engine::RowLoopOutcome::Cancelled);
  EXPECT_THAT(rig.progress.positions, ElementsAre(1, 2, 3));
  int copied = 0;
  for (int i = 0; i < 10; ++i) copied += Exists(T("f" + std::to_string(i)));
  EXPECT_EQ(copied, 3);
}

TEST_F(SyncExecutionTest, EmptyFolderRowsCreateTheFolder) {
  MakeFolder(B("a/b/empty"), Time(kT));
  Condition().EmptyFolder = 1;
  rig.engine.RunAllConditions(true);
  EXPECT_THAT(rig.Results(), ElementsAre("empty >="));
  EXPECT_TRUE(std::filesystem::is_directory(T("a/b/empty")));
}

TEST_F(SyncExecutionTest, CompleteSyncNeverDeletesInsideABaseFolderNestedInTheTarget) {
  // The base folder lies inside the target folder: the target's scan must not
  // see the base's own files as entries the base lacks.
  WriteFile(T("inner/own.txt"), "base file", Time(kT));
  WriteFile(T("stray.txt"), "target only", Time(kT));
  rig.host.conditions[0] = MakeCondition(T("inner"), Target());
  Condition().Complete = 1;
  Condition().SameDisp = 0;
  rig.engine.RunAllConditions(true);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("own.txt >=", "stray.txt X="));
  EXPECT_EQ(ReadFile(T("inner/own.txt")), "base file");
  EXPECT_EQ(ReadFile(T("own.txt")), "base file");
  EXPECT_FALSE(Exists(T("stray.txt")));
  // The pair has converged.
  rig.engine.RunAllConditions(true);
  EXPECT_TRUE(rig.Results().empty());
}

}  // namespace
}  // namespace orvel::test
