// The remembered sync against its rule: nothing is deleted or overwritten that
// the memory cannot show was synced. Each scenario makes the base (A), syncs it
// to the target (B) so that the state remembers it, changes the trees (shell
// commands run in the pair's folder), syncs or lists again, and checks the rows
// of the last run and what must be on disk. B lies on a loop-mounted disk where
// the scenario says so (root only; skipped otherwise).
#include "engine_fakes.h"
#include "memory_fakes.h"
#include "support/loop_disk.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include <sys/stat.h>

namespace orvel::test {
namespace {

enum class Disk { Temp, Ext4, WholeSeconds, Ext4BelowTarget };

class Pair;
struct Scenario {
  const char* name;
  Disk disk;
  std::string start;  // makes the base's tree before the first sync
  std::function<void(Pair&)> steps;
  std::vector<std::string> rows;   // "name result" of the last run or row command
  std::vector<std::string> facts;  // "A/x=text" a file, "A/x/" a folder, "-A/x" nothing there
  friend void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }
};

class Pair : public ::testing::TestWithParam<Scenario> {
 public:
  void Sh(const std::string& command) {
    ASSERT_EQ(std::system(("cd '" + tmp.Path() + "' && " + command).c_str()), 0) << command;
  }
  engine::RunOutcome Sync() { return rig.engine.RunAllConditions(true); }
  engine::RunOutcome List() { return rig.engine.RunAllConditions(false); }
  // Syncs and checks the rows of that run.
  void SyncGives(const std::vector<std::string>& rows) {
    Sync();
    EXPECT_THAT(rig.Results(), ::testing::UnorderedElementsAreArray(rows));
  }
  // Updates the rows of these names, as marked or forced one way.
  void Update(const std::vector<std::string>& names, engine::Direction direction = engine::Direction::AsMarked) {
    FakeSelection selection;
    for (int i = 0; i < rig.items.ItemCount(); ++i) {
      for (const std::string& name : names)
        if (rig.items.ItemText(i, 0) == name) selection.items.push_back(i);
    }
    rig.prompt.answers = {true, true};
    rig.engine.RunRowCommand(direction, false, selection);
  }
  engine::RememberedEntry Remembered(const std::string& folder, const std::string& name) {
    return state.pairs.begin()->second.entries.at({folder, name});
  }
  std::string P(const std::string& rel) const { return tmp / rel; }

  TempDir tmp;
  EngineRig rig;
  FakeSyncState state;
  std::unique_ptr<LoopDisk> disk;

 protected:
  void SetUp() override {
    const Scenario& s = GetParam();
    MakeFolder(P("A"), Time(1700000000));
    if (s.disk == Disk::Temp || s.disk == Disk::Ext4BelowTarget) MakeFolder(P("B"), Time(1700000000));
    if (s.disk != Disk::Temp) {
      const std::string at = s.disk == Disk::Ext4BelowTarget ? P("B/m") : P("B");
      disk = std::make_unique<LoopDisk>(s.disk == Disk::WholeSeconds ? "mkfs.ext2 -q -I 128" : "mkfs.ext4 -q -b 1024", at,
                                        P("disk.img"));
      if (!disk->Why().empty()) GTEST_SKIP() << disk->Why();
      Sh("rm -rf '" + at + "/lost+found'");
    }
    rig.engine.UseSyncState(&state);
    CCondition c = MakeCondition(P("A"), P("B"));
    c.Memory = 1;
    c.EmptyFolder = 1;
    rig.host.conditions = {c};
    Sh(s.start);
    ASSERT_EQ(Sync(), engine::RunOutcome::Completed);
  }
};

TEST_P(Pair, KeepsWhatItCannotShowWasSynced) {
  const Scenario& s = GetParam();
  s.steps(*this);
  EXPECT_THAT(rig.Results(), ::testing::UnorderedElementsAreArray(s.rows));
  for (const std::string& fact : s.facts) {
    SCOPED_TRACE(fact);
    if (fact.front() == '-') {
      EXPECT_FALSE(Exists(P(fact.substr(1))));
    } else if (fact.back() == '/') {
      struct stat st {};
      EXPECT_TRUE(::lstat(P(fact).c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    } else {
      const auto eq = fact.find('=');
      EXPECT_EQ(ReadFile(P(fact.substr(0, eq))), fact.substr(eq + 1));
    }
  }
}

// 100 files with long names: their folder's listing spans several blocks.
constexpr const char* kHundred = "for i in $(seq 100); do echo $i > A/d/file_with_a_rather_long_name_$i; done";

const Scenario kScenarios[] = {
    // 1. Identity that survives reuse.
    {"TargetFolderMadeAgain", Disk::Temp, "for i in 1 2 3 4 5 6; do echo $i > A/f$i; done",
     [](Pair& p) { p.Sh("rm -rf B && mkdir B"); p.Sync(); },
     {"f1 >=", "f2 >=", "f3 >=", "f4 >=", "f5 >=", "f6 >="}, {"A/f1=1\n", "B/f6=6\n"}},
    {"AnotherDiskAtTheTarget", Disk::Ext4, "for i in 1 2 3 4 5 6; do echo $i > A/f$i; done",
     [](Pair& p) { ASSERT_TRUE(p.disk->Reformat()); p.Sync(); },
     {"f1 >=", "f2 >=", "f3 >=", "f4 >=", "f5 >=", "f6 >=", "lost+found <="}, {"A/f1=1\n", "B/f1=1\n"}},
    {"DiskBelowTheTargetNotMounted", Disk::Ext4BelowTarget, "mkdir A/m && echo 1 > A/m/f && echo t > A/t",
     [](Pair& p) {
       p.disk->Unmount();
       p.Sync();
       EXPECT_THAT(p.rig.prompt.ids, ::testing::Contains(engine::RunMessage::MemoryReplaced));
     },
     {"f >=", "t ="}, {"A/m/f=1\n", "B/m/f=1\n"}},
    // 3. and 4. Changes that keep the time; contents decide where the times cannot.
    {"KeptTimeEditVersusDeletion", Disk::Temp, "echo hello > A/x",
     [](Pair& p) { p.Sh("echo jello > A/y && touch -r A/x A/y && mv A/y A/x && rm B/x"); p.Sync(); },
     {"x !"}, {"A/x=jello\n", "-B/x"}},
    {"KeptTimeEditInPlaceTravels", Disk::Temp, "echo hello > A/x",
     [](Pair& p) { p.Sh("T=$(stat -c %y A/x) && echo jello > A/x && touch -d \"$T\" A/x"); p.Sync(); },
     {"x >="}, {"B/x=jello\n"}},
    {"SameTimeNewSizeTravels", Disk::Temp, "echo hello > A/x",
     [](Pair& p) { p.Sh("echo 'hello world' > A/y && touch -r A/x A/y && mv A/y A/x"); p.Sync(); },
     {"x >="}, {"B/x=hello world\n"}},
    {"CreatedOnBothSidesInOneSecond", Disk::Temp, ":",
     [](Pair& p) {
       p.Sh("echo aaaa > A/n && echo bbbb > B/n && touch -d @1700000000 A/n B/n");
       p.SyncGives({"n !"});
       p.Sh("rm B/n");  // never synced: not taken for a deletion
       p.Sync();
     },
     {"n >="}, {"A/n=aaaa\n", "B/n=aaaa\n"}},
    // 4. First contact is not "newer wins".
    {"NeverSyncedNewerDoesNotWin", Disk::Temp, ":",
     [](Pair& p) { p.Sh("echo old > A/n && echo newer > B/n"); p.Sync(); }, {"n !"}, {"A/n=old\n", "B/n=newer\n"}},
    {"NeverSyncedEqualIsRemembered", Disk::Temp, ":",
     [](Pair& p) {
       p.Sh("echo same > A/n && echo same > B/n && touch -d @1700000000 A/n");
       p.SyncGives({"n <="});
       p.Sh("rm B/n");
       p.Sync();
     },
     {"n <X="}, {"-A/n"}},
    // 5. Kind changes settle in one run, or stop when both sides changed.
    {"FileBecameFolder", Disk::Temp, "echo f > A/d",
     [](Pair& p) { p.Sh("rm A/d && mkdir A/d && echo in > A/d/x"); p.Sync(); }, {"d >=", "x >="}, {"B/d/x=in\n"}},
    {"FolderBecameFileInTheTarget", Disk::Temp, "mkdir A/d && echo in > A/d/x && echo 2 > A/d/y",
     [](Pair& p) {
       p.Sh("rm -r B/d && echo file > B/d");
       p.SyncGives({"d <="});
       p.SyncGives({"d ="});
     },
     {"d ="}, {"A/d=file\n"}},
    {"FileEditedWhileTheOtherSideMadeAFolder", Disk::Temp, "echo f > A/d",
     [](Pair& p) { p.Sh("rm A/d && mkdir A/d && echo in > A/d/x && echo edited > B/d"); p.Sync(); },
     {"d !"}, {"A/d/x=in\n", "B/d=edited\n"}},
    {"FolderBecameFileWhileEditedInside", Disk::Temp, "mkdir A/d && echo in > A/d/x",
     [](Pair& p) { p.Sh("rm -r A/d && echo file > A/d && echo edit > B/d/x"); p.Sync(); },
     {"d !"}, {"A/d=file\n", "B/d/x=edit\n"}},
    // 9. Forcing the direction from the side that deleted the file accepts the deletion.
    {"ForcedFromTheDeletingSide", Disk::Temp, "echo a > A/x && echo b > A/y",
     [](Pair& p) {
       p.Sh("echo edited > A/x && rm B/x && echo edited > B/y && rm A/y");
       p.List();
       p.Update({"x", "y"}, engine::Direction::ForceTarget);
     },
     {"x <X=", "y <="}, {"-A/x", "A/y=edited\n"}},
    // 6. What each side holds is remembered: a target of whole seconds converges.
    {"WholeSecondsTarget", Disk::WholeSeconds, "echo v1 > A/x && touch -d @1700000000.5 A/x",
     [](Pair& p) {
       p.SyncGives({"x ="});
       p.Sh("echo v2 > B/x && touch -d @1700000000 B/x");
       p.Sync();
     },
     {"x <="}, {"A/x=v2\n"}},
    // The copy's stamp is the one the target tells later, though it was too recent to tell at the copy.
    {"WholeSecondsTargetThenBaseEdit", Disk::WholeSeconds, "echo v1 > A/x && touch -d @1700000000.5 A/x",
     [](Pair& p) { p.Sh("sleep 2.1 && echo v2 > A/x"); p.Sync(); }, {"x >="}, {"B/x=v2\n"}},
    // The same edit on both sides at different times: the older side takes the newer time, no copy.
    {"EqualEditsSettleTheirTimes", Disk::Temp, "echo v1 > A/x",
     [](Pair& p) {
       p.Sh("echo v2 > A/x && touch -d @1700000200 A/x && echo v2 > B/x && touch -d @1700000100 B/x");
       p.List();
       EXPECT_EQ(p.rig.engine.Plan(1, {}).timesSet, 1u);
       EXPECT_EQ(p.rig.engine.Plan(1, {}).toTarget.entries, 0u);
       p.SyncGives({"x >="});
       EXPECT_EQ(p.rig.engine.LastSummary().timesSet, 1u);
       EXPECT_EQ(p.rig.engine.LastSummary().toTarget.entries, 0u);
       EXPECT_EQ(TimeOf(p.P("B/x")), Time(1700000200));
       p.SyncGives({"x ="});
       p.rig.host.conditions[0].Memory = 0;
       p.Sync();
     },
     {"x ="}, {"A/x=v2\n", "B/x=v2\n"}},
    // Safety checks of execution and scan that deletions depend on.
    {"KeptFolderBecameALink", Disk::Temp, "mkdir A/d && echo a > A/d/a && echo b > A/b",
     [](Pair& p) {
       p.Sh("rm B/d/a");
       p.List();
       p.Sh("mv B/d B/d2 && ln -s d2 B/d");
       p.Update({"a"});
     },
     {"a ?", "b ="}, {"A/d/a=a\n"}},
    {"KeptFolderReplaced", Disk::Temp, "mkdir A/d && echo a > A/d/a && echo b > A/b",
     [](Pair& p) {
       p.Sh("rm B/d/a");
       p.List();
       p.Sh("mv B/d B/d2 && mkdir B/d");
       p.Update({"a"});
     },
     {"a ?", "b ="}, {"A/d/a=a\n"}},
    {"EmptiedFolderReplacedBeforeItGoes", Disk::Temp, "mkdir A/d && echo a > A/d/a && echo b > A/b",
     [](Pair& p) {
       p.Sh("rm -r B/d");
       p.List();
       p.Update({"a"});
       p.Sh("mv A/d A/d2 && mkdir A/d");
       p.Update({"d"});
     },
     {"a <X=", "d ?", "b ="}, {"A/d/", "A/d2/"}},
    {"RootListingFailsMidway", Disk::Ext4, "for i in $(seq 100); do echo $i > A/long_name_of_file_$i; done",
     [](Pair& p) {
       ASSERT_TRUE(p.disk->Damage("", 3));
       EXPECT_EQ(p.Sync(), engine::RunOutcome::Stopped);
     },
     {}, {"A/long_name_of_file_1=1\n", "A/long_name_of_file_100=100\n"}},
    {"FolderListingFailsMidway", Disk::Ext4, "mkdir A/d && echo t > A/t && " + std::string(kHundred),
     [](Pair& p) {
       ASSERT_TRUE(p.disk->Damage("d", 3));
       p.Sh("rm A/d/file_with_a_rather_long_name_1");
       p.Sync();
       EXPECT_EQ(p.state.Names().size(), 101u);  // nothing below it forgotten, not even what the base deleted
       EXPECT_EQ(p.rig.engine.LastSummary().failures, 1u);
     },
     {"d ?", "t ="}, {"A/d/file_with_a_rather_long_name_2=2\n", "A/d/file_with_a_rather_long_name_100=100\n"}},
    {"RememberedFileMeetsFolderOfItsName", Disk::Temp, "echo a > A/a",
     [](Pair& p) { p.Sh("rm A/a B/a && mkdir B/a"); p.Sync(); }, {"a <="}, {"A/a/", "B/a/"}},
    {"CopyToTheBaseRemembersTheBasesTime", Disk::Temp, "echo v1 > A/x",
     [](Pair& p) {
       p.Sh("echo v2 > B/x && touch -d @1700000100.25 B/x");
       p.SyncGives({"x <="});
       EXPECT_EQ(p.Remembered("", "x").baseTime, TimeOf(p.P("A/x")));
       EXPECT_EQ(p.Remembered("", "x").targetTime, Time(1700000100, 250000000));
     },
     {"x <="}, {"A/x=v2\n"}},
};

INSTANTIATE_TEST_SUITE_P(Memory, Pair, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& param) { return std::string(param.param.name); });

// An entry the scan lists but cannot look up (a folder with "r" but no "x") is
// an error, never absent: its remembered partner is kept, on either side.
TEST(MemoryUnprivileged, AnEntryThatCannotBeLookedUpIsNotAbsent) {
  for (const char* unreadable : {"B", "A"}) {
    SCOPED_TRACE(unreadable);
    TempDir tmp;
    EngineRig rig;
    FakeSyncState state;
    rig.engine.UseSyncState(&state);
    CCondition c = MakeCondition(tmp / "A", tmp / "B");
    c.Memory = 1;
    rig.host.conditions = {c};
    WriteFile(tmp / "A/d/a", "a", Time(1700000000));
    MakeFolder(tmp / "B", Time(1700000000));
    ASSERT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Completed);
    HandOver(tmp.Path());
    const std::string folder = tmp / (std::string(unreadable) + "/d");
    ASSERT_EQ(::chmod(folder.c_str(), 0644), 0);
    std::string why;
    const auto seen = RunUnprivileged(
        [&] {
          rig.engine.RunAllConditions(true);
          std::string out;
          for (const std::string& row : rig.Results()) out += row + "\n";
          return out;
        },
        why);
    ::chmod(folder.c_str(), 0755);
    if (!seen) GTEST_SKIP() << why;
    EXPECT_EQ(*seen, "a ?\n");
    EXPECT_EQ(ReadFile(tmp / "A/d/a"), "a");
    EXPECT_EQ(ReadFile(tmp / "B/d/a"), "a");
  }
}

}  // namespace
}  // namespace orvel::test
