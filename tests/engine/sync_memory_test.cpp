// Normal mode with the last sync remembered, over several runs on real trees.
#include "engine_fakes.h"
#include "memory_fakes.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr std::int64_t kT = 1700000000;

class SyncMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFolder(Base(), Time(kT));
    MakeFolder(Target(), Time(kT));
    rig.engine.UseSyncState(&state);
    CCondition c = MakeCondition(Base(), Target());
    c.Memory = 1;
    rig.host.conditions = {c};
  }
  std::string Base() const { return tmp / "base"; }
  std::string Target() const { return tmp / "target"; }
  std::string B(const std::string& rel) const { return Base() + "/" + rel; }
  std::string T(const std::string& rel) const { return Target() + "/" + rel; }
  CCondition& Condition() { return rig.host.conditions[0]; }
  engine::RunOutcome Sync() { return rig.engine.RunAllConditions(true); }
  engine::RunOutcome List() { return rig.engine.RunAllConditions(false); }
  // Both trees with the same files, then a sync run that remembers them.
  void Synced(const std::vector<TreeEntry>& files) {
    WriteTree(Base(), files);
    WriteTree(Target(), files);
    ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
    const std::vector<std::string> names = state.Names();
    for (const TreeEntry& file : files) ASSERT_NE(std::find(names.begin(), names.end(), file.path), names.end());
  }
  int ItemOf(const std::string& name) const {
    for (int i = 0; i < rig.items.ItemCount(); ++i) {
      if (rig.items.ItemText(i, 0) == name) return i;
    }
    return -1;
  }

  TempDir tmp;
  EngineRig rig;
  FakeSyncState state;
};

TEST_F(SyncMemoryTest, ADeletionTravelsEachWay) {
  struct Case {
    bool deleteInTarget;
    const char* listed;
    const char* done;
  };
  for (const Case& c : {Case{true, "<X", "<X="}, Case{false, "X", "X="}}) {
    SCOPED_TRACE(c.listed);
    state.pairs.clear();
    std::remove(B("gone.txt").c_str());
    std::remove(T("gone.txt").c_str());
    Synced({{"gone.txt", "g", Time(kT)}, {"kept.txt", "k", Time(kT)}});

    std::remove((c.deleteInTarget ? T("gone.txt") : B("gone.txt")).c_str());
    ASSERT_EQ(List(), engine::RunOutcome::Completed);
    EXPECT_THAT(rig.Results(), UnorderedElementsAre(std::string("gone.txt ") + c.listed, "kept.txt ="));
    EXPECT_TRUE(Exists(c.deleteInTarget ? B("gone.txt") : T("gone.txt")));  // a list touches nothing

    ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
    EXPECT_THAT(rig.Results(), UnorderedElementsAre(std::string("gone.txt ") + c.done, "kept.txt ="));
    EXPECT_FALSE(Exists(B("gone.txt")));
    EXPECT_FALSE(Exists(T("gone.txt")));
    EXPECT_THAT(state.Names(), ElementsAre("kept.txt"));
  }
}

TEST_F(SyncMemoryTest, EditsOnBothSidesStopAtAConflictThatTheSyncRunLeavesAlone) {
  Synced({{"both.txt", "v1", Time(kT)}, {"one.txt", "v1", Time(kT)}, {"sized.txt", "v1", Time(kT)}});
  WriteFile(B("both.txt"), "base edit", Time(kT + 10));
  WriteFile(T("both.txt"), "target edit", Time(kT + 20));
  WriteFile(B("one.txt"), "base edit", Time(kT + 10));
  // Edited in the target without a new time: only its size tells.
  WriteFile(B("sized.txt"), "base edit", Time(kT + 10));
  WriteFile(T("sized.txt"), "v1 edited", Time(kT));
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("both.txt !", "one.txt >=", "sized.txt !"));
  EXPECT_EQ(ReadFile(T("sized.txt")), "v1 edited");
  EXPECT_EQ(ReadFile(B("both.txt")), "base edit");
  EXPECT_EQ(ReadFile(T("both.txt")), "target edit");
  EXPECT_EQ(ReadFile(T("one.txt")), "base edit");
  // The conflict stays remembered as it was, so the next run stops again.
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("both.txt !", "one.txt =", "sized.txt !"));

  // Updating the row asks which version stays; no answer leaves it alone.
  FakeSelection selection;
  selection.items = {ItemOf("both.txt")};
  rig.engine.RunRowCommand(engine::Direction::AsMarked, false, selection);
  EXPECT_EQ(rig.items.ItemText(selection.items[0], 2), "!");
  EXPECT_EQ(ReadFile(B("both.txt")), "base edit");
  rig.prompt.versions = {engine::KeepVersion::Target};
  rig.engine.RunRowCommand(engine::Direction::AsMarked, false, selection);
  EXPECT_EQ(rig.items.ItemText(selection.items[0], 2), "<=");
  EXPECT_EQ(ReadFile(B("both.txt")), "target edit");
  // The base's edit went to the trash: nothing is left beside it.
  EXPECT_EQ(FolderNames(Base()).size(), 3u);
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("both.txt =", "one.txt =", "sized.txt !"));
}

TEST_F(SyncMemoryTest, EditedOnOneSideDeletedOnTheOtherIsAConflict) {
  Synced({{"a.txt", "v1", Time(kT)}, {"b.txt", "v1", Time(kT)}});
  WriteFile(B("a.txt"), "edited", Time(kT + 10));
  std::remove(T("a.txt").c_str());
  WriteFile(T("b.txt"), "edited longer", Time(kT));  // same time, other size
  std::remove(B("b.txt").c_str());
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("a.txt !", "b.txt !"));
  EXPECT_EQ(rig.engine.LastSummary().conflicts, 2u);
  EXPECT_EQ(ReadFile(B("a.txt")), "edited");
  EXPECT_EQ(ReadFile(T("b.txt")), "edited longer");

  // Keeping the edited versions brings them back.
  FakeSelection selection;
  selection.items = {ItemOf("a.txt"), ItemOf("b.txt")};
  rig.prompt.versions = {engine::KeepVersion::Base, engine::KeepVersion::Target};
  rig.engine.RunRowCommand(engine::Direction::AsMarked, false, selection);
  EXPECT_EQ(rig.engine.LastSummary().conflicts, 0u);  // settled ones are no longer counted
  EXPECT_EQ(ReadFile(T("a.txt")), "edited");
  EXPECT_EQ(ReadFile(B("b.txt")), "edited longer");
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("a.txt =", "b.txt ="));
}

// Keeping the side that deleted it: the other side's edit goes to the trash, not away.
TEST_F(SyncMemoryTest, KeepingTheDeletionTrashesTheOtherVersion) {
  Synced({{"a.txt", "v1", Time(kT)}});
  WriteFile(B("a.txt"), "edited", Time(kT + 10));
  std::remove(T("a.txt").c_str());
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  FakeSelection selection;
  selection.items = {ItemOf("a.txt")};
  rig.prompt.versions = {engine::KeepVersion::Target};
  rig.engine.RunRowCommand(engine::Direction::AsMarked, false, selection);
  EXPECT_EQ(rig.items.ItemText(selection.items[0], 2), "<X=");
  EXPECT_TRUE(FolderNames(Base()).empty());  // not beside it either: in the trash
}

TEST_F(SyncMemoryTest, TheSideThatChangedWinsWhateverItsClockSays) {
  Synced({{"skew.txt", "v1", Time(kT + 100)}, {"fwd.txt", "v1", Time(kT)}});
  // The target's clock is behind: its edit carries an older time than the base's copy.
  WriteFile(T("skew.txt"), "target edit", Time(kT + 50));
  WriteFile(B("fwd.txt"), "base edit", Time(kT - 500));
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("skew.txt <", "fwd.txt >"));
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_EQ(ReadFile(B("skew.txt")), "target edit");
  EXPECT_EQ(ReadFile(T("fwd.txt")), "base edit");
  EXPECT_EQ(TimeOf(B("skew.txt")), Time(kT + 50));

  // Without the memory the older edit would have been overwritten.
  Condition().Memory = 0;
  WriteFile(T("skew.txt"), "again", Time(kT + 10));
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("skew.txt >", "fwd.txt ="));
}

TEST_F(SyncMemoryTest, AStateWhoseRootWasReplacedIsNotUsedAndSaidOnce) {
  Synced({{"a.txt", "a", Time(kT)}, {"b.txt", "b", Time(kT)}});
  // The target is another folder now, under the same path, holding one file.
  ASSERT_EQ(std::rename(Target().c_str(), (tmp / "old_target").c_str()), 0);
  MakeFolder(Target(), Time(kT));
  WriteFile(T("a.txt"), "a", Time(kT));
  rig.prompt.ids.clear();
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("a.txt =", "b.txt >>"));  // not "<X"
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::MemoryReplaced));
  EXPECT_EQ(rig.prompt.args.back(), (engine::MessageArgs{Base() + "/", Target() + "/"}));

  // The sync run starts the state afresh for the new folder; then all is quiet.
  rig.prompt.ids.clear();
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::MemoryReplaced));
  rig.prompt.ids.clear();
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.prompt.ids, IsEmpty());
  EXPECT_THAT(state.Names(), UnorderedElementsAre("a.txt", "b.txt"));
}

TEST_F(SyncMemoryTest, AStateThatCannotBeReadOrWrittenIsSaid) {
  Synced({{"a.txt", "a", Time(kT)}});
  std::remove(T("a.txt").c_str());
  state.failLoads = true;
  rig.prompt.ids.clear();
  const int saves = state.saves;
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), ElementsAre("a.txt >="));  // never remembered: copied back, not deleted
  EXPECT_EQ(state.saves, saves);  // nothing written over a state that could not be read
  EXPECT_EQ(rig.engine.Flags().memoryProblems, 1u);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::MemoryUnavailable));
  EXPECT_EQ(rig.prompt.args.back(), (engine::MessageArgs{"state", "broken"}));

  state.failLoads = false;
  state.failSaves = true;
  WriteFile(B("b.txt"), "b", Time(kT));
  rig.prompt.ids.clear();
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::MemoryUnavailable));
  EXPECT_EQ(rig.prompt.args.back(), (engine::MessageArgs{"state", "full"}));
}

TEST_F(SyncMemoryTest, EntriesGoneFromBothSidesAreForgotten) {
  Synced({{"a.txt", "a", Time(kT)}, {"b.txt", "b", Time(kT)}});
  std::remove(B("a.txt").c_str());
  std::remove(T("a.txt").c_str());
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(state.Names(), ElementsAre("b.txt"));
  // A new file of that name is new, not an edit of one deleted elsewhere.
  WriteFile(B("a.txt"), "new", Time(kT + 60));
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("a.txt >>", "b.txt ="));
}

TEST_F(SyncMemoryTest, EmptyFoldersAreRememberedAndTheirDeletionTravels) {
  Condition().EmptyFolder = 1;
  MakeFolder(B("empty"), Time(kT));
  MakeFolder(T("empty"), Time(kT));
  Synced({{"a.txt", "a", Time(kT)}});
  ASSERT_EQ(::rmdir(T("empty").c_str()), 0);
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("empty <X=", "a.txt ="));
  EXPECT_FALSE(Exists(B("empty")));
}

TEST_F(SyncMemoryTest, ACancelledRunRemembersTheRowsItFinishedAndNoOthers) {
  std::vector<TreeEntry> files;
  for (int i = 0; i < 6; ++i) files.push_back({"f" + std::to_string(i), "x", Time(kT)});
  WriteTree(Base(), files);
  int executed = 0;
  rig.progress.cancelWhen = [&](engine::RunStatus status, int) {
    if (status != engine::RunStatus::BasePass) return false;
    return ++executed == 3;
  };
  ASSERT_EQ(Sync(), engine::RunOutcome::Cancelled);
  // Exactly the copies that were made, each remembered with its time.
  std::vector<std::string> copied;
  for (const TreeEntry& entry : ReadTree(Target())) copied.push_back(entry.path);
  ASSERT_EQ(copied.size(), 3u);
  std::vector<std::string> remembered = state.Names();
  std::sort(remembered.begin(), remembered.end());
  EXPECT_EQ(remembered, copied);
  for (const auto& [key, entry] : state.pairs.begin()->second.entries) {
    EXPECT_EQ(entry.baseTime, Time(kT));
    EXPECT_EQ(entry.targetTime, Time(kT));
    EXPECT_EQ(entry.size, 1u);
  }

  // What the cancel left is copied by the next run; nothing is taken for deleted.
  rig.progress.cancelWhen = nullptr;
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_EQ(ReadTree(Target()).size(), 6u);
  EXPECT_EQ(state.Names().size(), 6u);
}

TEST_F(SyncMemoryTest, FoldersFollowTheirContents) {
  Synced({{"d/e/one.txt", "1", Time(kT)}, {"d/two.txt", "2", Time(kT)}, {"keep/k.txt", "k", Time(kT)}});
  ASSERT_EQ(std::system(("rm -r '" + T("d") + "'").c_str()), 0);
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  // The files first, then the folders from the deepest up.
  const auto results = rig.Results();
  ASSERT_EQ(results.size(), 5u);
  EXPECT_THAT(std::vector<std::string>(results.begin(), results.begin() + 3),
              UnorderedElementsAre("one.txt <X=", "two.txt <X=", "k.txt ="));
  EXPECT_THAT(std::vector<std::string>(results.begin() + 3, results.end()), ElementsAre("e <X=", "d <X="));
  EXPECT_FALSE(Exists(B("d")));
  EXPECT_THAT(state.Names(), ElementsAre("keep/k.txt"));

  // A folder that still holds something not remembered stays, with that entry.
  Synced({{"d/old.txt", "o", Time(kT)}});
  WriteFile(B("d/new.txt"), "n", Time(kT));
  ASSERT_EQ(std::system(("rm -r '" + T("d") + "'").c_str()), 0);
  ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("old.txt <X=", "new.txt >=", "k.txt ="));
  EXPECT_EQ(ReadFile(T("d/new.txt")), "n");
}

TEST_F(SyncMemoryTest, AnEmptiedRootAsksBeforeTheRememberedDeletionsOnEitherSide) {
  for (const bool baseEmptied : {true, false}) {
    SCOPED_TRACE(baseEmptied);
    state.pairs.clear();
    std::vector<TreeEntry> files{{"d/b.txt", "b", Time(kT)}};
    for (const char* name : {"a", "c", "e", "f", "g"}) files.push_back({name, "x", Time(kT)});
    Synced(files);
    const std::string emptied = baseEmptied ? Base() : Target();
    const std::string full = baseEmptied ? Target() : Base();
    ASSERT_EQ(std::system(("rm -r '" + emptied + "'/*").c_str()), 0);

    rig.prompt.ids.clear();
    rig.prompt.answers = {false};
    EXPECT_EQ(Sync(), engine::RunOutcome::Stopped);
    // The question names the side that would lose its files.
    EXPECT_THAT(rig.prompt.ids, ElementsAre(baseEmptied ? engine::RunMessage::MassDeleteTargetAsk
                                                        : engine::RunMessage::MassDeleteBaseAsk));
    EXPECT_EQ(rig.prompt.args.back(), (engine::MessageArgs{full + "/", "6", "6", emptied + "/"}));
    EXPECT_EQ(ReadTree(full).size(), 7u);
    EXPECT_EQ(state.Names().size(), 6u);

    rig.prompt.answers = {true};
    EXPECT_EQ(Sync(), engine::RunOutcome::Completed);
    EXPECT_THAT(ReadTree(full), IsEmpty());
    EXPECT_THAT(state.Names(), IsEmpty());
  }
}

// More than half of what is remembered, and more than five entries.
TEST_F(SyncMemoryTest, TheMassDeletionQuestionsBoundaries) {
  struct Case {
    int remembered;
    int deleted;
    bool asks;
  };
  for (const Case c : {Case{12, 6, false}, Case{11, 6, true}, Case{5, 5, false}, Case{6, 6, true}}) {
    SCOPED_TRACE(std::to_string(c.deleted) + " of " + std::to_string(c.remembered));
    state.pairs.clear();
    ASSERT_EQ(std::system(("rm -rf '" + Base() + "'/* '" + Target() + "'/*").c_str()), 0);
    std::vector<TreeEntry> files;
    for (int i = 0; i < c.remembered; ++i) files.push_back({"f" + std::to_string(i), "x", Time(kT)});
    Synced(files);
    for (int i = 0; i < c.deleted; ++i) std::remove(T("f" + std::to_string(i)).c_str());
    rig.prompt.ids.clear();
    rig.prompt.answers = {false};
    EXPECT_EQ(Sync(), c.asks ? engine::RunOutcome::Stopped : engine::RunOutcome::Completed);
    EXPECT_EQ(rig.prompt.ids.size(), c.asks ? 1u : 0u);
    EXPECT_EQ(ReadTree(Base()).size(), static_cast<std::size_t>(c.asks ? c.remembered : c.remembered - c.deleted));
  }
}

TEST_F(SyncMemoryTest, NeverRememberedEntriesAndCompleteModeKeepTodaysRules) {
  Synced({{"old.txt", "o", Time(kT)}});
  WriteFile(B("new_base.txt"), "n", Time(kT));
  WriteFile(T("new_target.txt"), "n", Time(kT));
  std::remove(T("old.txt").c_str());
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("old.txt <X", "new_base.txt >>", "new_target.txt <<"));

  // Complete sync mirrors the base whatever the option says.
  Condition().Complete = 1;
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("old.txt >>", "new_base.txt >>", "new_target.txt X"));
}

// The option off: the same rows, marks, files and outcome as a run that has no
// state at all, whatever a state holds for the pair; and the state is not read.
TEST_F(SyncMemoryTest, TheOptionOffChangesNothing) {
  const std::vector<TreeEntry> base = {{"same.txt", "s", Time(kT)},      {"newer.txt", "b", Time(kT + 9)},
                                       {"older.txt", "b", Time(kT)},     {"base_only.txt", "b", Time(kT)},
                                       {"sub/deep.txt", "d", Time(kT)},  {"both.txt", "b", Time(kT + 5)}};
  const std::vector<TreeEntry> target = {{"same.txt", "s", Time(kT)},     {"newer.txt", "t", Time(kT)},
                                         {"older.txt", "t", Time(kT + 9)}, {"target_only.txt", "t", Time(kT)},
                                         {"both.txt", "t", Time(kT + 7)}};
  struct Run {
    std::vector<std::string> lines;
    std::vector<std::string> marks;
    std::vector<TreeEntry> baseTree;
    std::vector<TreeEntry> targetTree;
    engine::RunOutcome outcome;
  };
  const auto runOnce = [&](bool withState, bool syncMode, int complete) {
    TempDir pair;
    WriteTree(pair / "b", base);
    WriteTree(pair / "t", target);
    EngineRig fresh;
    FakeSyncState remembered;
    // A state that, if read, would turn every one-sided file into a deletion
    // and the edited pairs into conflicts.
    CCondition c = MakeCondition(pair / "b", pair / "t");
    c.Complete = complete;
    if (withState) {
      fresh.engine.UseSyncState(&remembered);
      auto& entries = remembered.pairs[{pair / "b/", pair / "t/"}];
      entries.roots = {pair / "b/", pair / "t/", platform::RootIdentityOf(platform::Folder::OpenRoot(pair / "b")->Fd()),
                       platform::RootIdentityOf(platform::Folder::OpenRoot(pair / "t")->Fd())};
      for (const char* name : {"base_only.txt", "target_only.txt", "both.txt", "newer.txt", "older.txt"}) {
        entries.entries[{"", name}] = engine::RememberedEntry{Time(kT), Time(kT), 1, false};
      }
    }
    c.Memory = 0;
    fresh.host.conditions = {c};
    Run run;
    run.outcome = fresh.engine.RunAllConditions(syncMode);
    run.lines = fresh.Lines();
    for (int i = 0; i < fresh.items.ItemCount(); ++i) run.marks.push_back(fresh.MarkOf(i));
    // Files only: a folder made by the test has the time it was made.
    for (auto [tree, root] : {std::pair{&run.baseTree, pair / "b"}, {&run.targetTree, pair / "t"}}) {
      for (TreeEntry& entry : ReadTree(root)) {
        if (entry.content) tree->push_back(entry);
      }
    }
    EXPECT_EQ(remembered.loads, 0);
    EXPECT_EQ(remembered.saves, 0);
    // Paths differ between the two pairs; the rest must not.
    for (auto& line : run.lines) line = line.substr(0, line.rfind('|'));
    return run;
  };
  for (const bool syncMode : {false, true}) {
    for (const int complete : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "sync " << syncMode << " complete " << complete);
      const Run without = runOnce(false, syncMode, complete);
      const Run with = runOnce(true, syncMode, complete);
      EXPECT_EQ(with.lines, without.lines);
      EXPECT_EQ(with.marks, without.marks);
      EXPECT_EQ(with.baseTree, without.baseTree);
      EXPECT_EQ(with.targetTree, without.targetTree);
      EXPECT_EQ(with.outcome, without.outcome);
    }
  }
}

TEST_F(SyncMemoryTest, ForcedDirectionsAndUpdatesKeepTheStateInStep) {
  Synced({{"a.txt", "v1", Time(kT)}});
  WriteFile(B("a.txt"), "base", Time(kT + 5));
  WriteFile(T("a.txt"), "target", Time(kT + 9));
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  ASSERT_THAT(rig.Results(), ElementsAre("a.txt !"));
  FakeSelection selection;
  selection.items = {0};
  rig.prompt.answers = {true, true};
  rig.engine.RunRowCommand(engine::Direction::ForceBase, false, selection);
  EXPECT_EQ(ReadFile(T("a.txt")), "base");
  const auto& entry = state.pairs.begin()->second.entries.at({"", "a.txt"});
  EXPECT_EQ(entry.baseTime, Time(kT + 5));
  EXPECT_EQ(entry.targetTime, Time(kT + 5));
  EXPECT_EQ(entry.size, 4u);
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), ElementsAre("a.txt ="));
}

}  // namespace
}  // namespace orvel::test
