// Trees other people can write to: unreadable folders, links swapped into the
// folder part of a path, nested and respelled roots, temporaries, entries that
// change between the list and its execution, and an empty base folder.
#include "engine/list_creation_run.h"
#include "engine_fakes.h"
#include "platform/folder_lock.h"
#include "platform/temporary_name.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;
using test::HandOver;
using test::RunUnprivileged;

constexpr std::int64_t kT = 1700000000;

std::error_code Fault(platform::Fault fault) { return platform::MakeError(fault); }

// Calls a hook when the run shows a status text: the moment between the scan
// and the comparison (the base pass begins) is when a hostile tree changes.
class HookedProgress : public FakeProgress {
 public:
  std::function<void(engine::RunStatus)> onStatus;
  void ShowStatus(engine::RunStatus status) override {
    FakeProgress::ShowStatus(status);
    if (onStatus) onStatus(status);
  }
};

class HostileTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    MakeFolder(Base(), Time(kT));
    MakeFolder(Target(), Time(kT));
    MakeFolder(Outside(), Time(kT));
    host.conditions.push_back(MakeCondition(Base(), Target()));
  }
  std::string Base() const { return tmp / "base"; }
  std::string Target() const { return tmp / "target"; }
  std::string Outside() const { return tmp / "outside"; }
  std::string B(const std::string& rel) const { return Base() + "/" + rel; }
  std::string T(const std::string& rel) const { return Target() + "/" + rel; }
  CCondition& Condition() { return host.conditions[0]; }
  // Swaps a folder for a link to the outside folder once the scan is done.
  void SwapForLinkAfterTheScan(const std::string& folder) {
    progress.onStatus = [this, folder](engine::RunStatus status) {
      if (status != engine::RunStatus::BasePass) return;
      std::filesystem::remove_all(folder);
      ASSERT_EQ(::symlink(Outside().c_str(), folder.c_str()), 0);
    };
  }
  std::vector<std::string> Results() const {
    std::vector<std::string> out;
    for (int i = 0; i < items.ItemCount(); ++i) out.push_back(items.ItemText(i, 0) + " " + items.ItemText(i, 2));
    return out;
  }
  std::error_code ErrorOf(int item) const {
    const engine::RowError* error = items.ItemError(item);
    return error ? error->code : std::error_code{};
  }

  TempDir tmp;
  FakeHost host;
  HookedProgress progress;
  FakePrompt prompt;
  engine::RowStore rows;
  engine::ResultItems items{rows};
  engine::SyncEngine engine{rows, items, host, progress, prompt};
};

// Complete sync once deleted the target copy of a file in an unreadable base
// folder and reported success.
TEST_F(HostileTreeTest, AnUnreadableFolderIsOneFailedRowAndNothingBelowItIsDeleted) {
  WriteFile(B("sub/keep.txt"), "base", Time(kT));
  WriteFile(T("sub/keep.txt"), "target", Time(kT));
  WriteFile(T("sub/only.txt"), "target", Time(kT));
  WriteFile(T("stray.txt"), "target", Time(kT));
  WriteFile(B("other.txt"), "base", Time(kT));
  Condition().Complete = 1;
  HandOver(tmp.Path());
  ASSERT_EQ(::chmod(B("sub").c_str(), 0), 0);
  std::string why;
  const auto seen = RunUnprivileged(
      [&] {
        const auto outcome = engine.RunAllConditions(true);
        std::string out = outcome == engine::RunOutcome::Completed ? "completed\n" : "not completed\n";
        for (int i = 0; i < items.ItemCount(); ++i) {
          out += items.ItemText(i, 0) + " " + items.ItemText(i, 2);
          if (items.ItemError(i)) out += " (" + items.ItemError(i)->code.message() + ")";
          out += "\n";
        }
        return out + "unreadable " + std::to_string(engine.Flags().unreadable) + "\n";
      },
      why);
  ::chmod(B("sub").c_str(), 0755);
  if (!seen) GTEST_SKIP() << why;
  EXPECT_THAT(*seen, HasSubstr("sub ? (Permission denied)\n"));
  EXPECT_THAT(*seen, HasSubstr("stray.txt X=\n"));
  EXPECT_THAT(*seen, HasSubstr("other.txt >=\n"));
  EXPECT_THAT(*seen, HasSubstr("unreadable 1\n"));
  EXPECT_THAT(*seen, ::testing::Not(HasSubstr("keep.txt")));
  EXPECT_THAT(*seen, ::testing::Not(HasSubstr("only.txt")));
  EXPECT_EQ(ReadFile(T("sub/keep.txt")), "target");
  EXPECT_EQ(ReadFile(T("sub/only.txt")), "target");
  EXPECT_FALSE(Exists(T("stray.txt")));
}

// A link in the folder part of a path once let a sync write outside both trees.
TEST_F(HostileTreeTest, LinksInTheFolderPartAreNeverFollowed) {
  struct Case {
    const char* what;
    std::function<void()> plant;
    const char* row;
  };
  const Case cases[] = {
      {"a link in the target where the base has a folder",
       [&] {
         WriteFile(B("dir/file.txt"), "base", Time(kT));
         ASSERT_EQ(::symlink(Outside().c_str(), T("dir").c_str()), 0);
       },
       "file.txt ?"},
      {"a link in the base where the target has a folder",
       [&] {
         WriteFile(T("dir/file.txt"), "target", Time(kT));
         ASSERT_EQ(::symlink(Outside().c_str(), B("dir").c_str()), 0);
       },
       "file.txt ?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(Base());
    std::filesystem::remove_all(Target());
    MakeFolder(Base(), Time(kT));
    MakeFolder(Target(), Time(kT));
    c.plant();
    engine.RunAllConditions(true);
    EXPECT_THAT(Results(), ::testing::Contains(c.row));
    for (int i = 0; i < items.ItemCount(); ++i) {
      if (items.ItemText(i, 0) == "file.txt") {
        EXPECT_EQ(ErrorOf(i), Fault(platform::Fault::LinkInPath));
      }
    }
    EXPECT_TRUE(FolderNames(Outside()).empty());
  }
}

TEST_F(HostileTreeTest, AFolderSwappedForALinkAfterTheScanGetsNothingDeletedOrWrittenOutside) {
  WriteFile(T("sub/victim.txt"), "target only", Time(kT));
  WriteFile(B("base.txt"), "base", Time(kT));
  WriteFile(B("new/fresh.txt"), "base only", Time(kT));
  MakeFolder(T("new"), Time(kT));
  WriteFile(tmp / "outside/victim.txt", "not ours", Time(kT));
  Condition().Complete = 1;
  SwapForLinkAfterTheScan(T("sub"));
  engine.RunAllConditions(true);
  EXPECT_THAT(Results(), UnorderedElementsAre("base.txt >=", "fresh.txt >=", "victim.txt ?"));
  EXPECT_EQ(ReadFile(tmp / "outside/victim.txt"), "not ours");

  // The same for a copy into a folder swapped after the scan.
  std::filesystem::remove_all(tmp / "outside");
  MakeFolder(Outside(), Time(kT));
  std::filesystem::remove_all(Target());
  MakeFolder(Target(), Time(kT));
  MakeFolder(T("new"), Time(kT));
  SwapForLinkAfterTheScan(T("new"));
  engine.RunAllConditions(true);
  EXPECT_THAT(Results(), ::testing::Contains("fresh.txt ?"));
  EXPECT_TRUE(FolderNames(Outside()).empty());
}

// Folders are the same or nested by identity, not by spelling.
TEST_F(HostileTreeTest, RootsAreComparedByIdentity) {
  WriteFile(T("sub/own.txt"), "base's own file", Time(kT));
  WriteFile(T("extra.txt"), "target only", Time(kT));
  ASSERT_EQ(::symlink(Target().c_str(), (tmp / "alias").c_str()), 0);
  struct Case {
    std::string base;
    std::string target;
  };
  // The base inside the target, the target named through a link or with
  // doubled separators: complete sync deletes what only the target has, never
  // the base's own files.
  const Case nested[] = {{T("sub"), tmp / "alias"}, {T("sub") + "/", Target() + "//"}, {T("sub"), Target() + "/."}};
  for (const Case& c : nested) {
    SCOPED_TRACE(c.base + " / " + c.target);
    host.conditions[0] = MakeCondition(c.base, c.target);
    Condition().Complete = 1;
    prompt.answers = {true};
    engine.RunAllConditions(true);
    EXPECT_EQ(ReadFile(T("sub/own.txt")), "base's own file");
    EXPECT_FALSE(Exists(T("extra.txt")));
  }

  // The same folder however it is written.
  for (const auto& [base, target] : {std::pair<std::string, std::string>{"/", "//"},
                                     {Target(), tmp / "alias/"},
                                     {Target(), tmp.Path() + "/./target"}}) {
    prompt.ids.clear();
    host.conditions[0] = MakeCondition(base, target);
    EXPECT_EQ(engine.RunAllConditions(false), engine::RunOutcome::Stopped);
    EXPECT_THAT(prompt.ids, ElementsAre(engine::RunMessage::SameFolders));
  }
}

// With the target inside the base, every run once nested one more copy.
TEST_F(HostileTreeTest, ATargetInsideTheBaseConverges) {
  WriteFile(B("a.txt"), "a", Time(kT));
  host.conditions[0] = MakeCondition(Base(), B("mirror"));
  prompt.answers = {true};  // create the target folder
  engine.RunAllConditions(true);
  Condition().SameDisp = 0;
  engine.RunAllConditions(true);
  EXPECT_TRUE(Results().empty());
  EXPECT_EQ(ReadFile(B("mirror/a.txt")), "a");
  EXPECT_FALSE(Exists(B("mirror/mirror")));
}

// A killed run's temporaries were copied to the other side and kept.
TEST_F(HostileTreeTest, TemporariesAreNeitherListedNorCopiedAndASyncRunRemovesThem) {
  const std::string leftover = platform::TemporaryNameFor("doc.txt");
  WriteFile(B("doc.txt"), "doc", Time(kT));
  WriteLeftover(B(leftover), "partial", Time(kT));
  WriteLeftover(T("sub/" + leftover), "partial", Time(kT));
  Condition().EmptyFolder = 1;
  engine.RunAllConditions(false);
  EXPECT_THAT(Results(), UnorderedElementsAre("doc.txt >>", "sub <<"));
  EXPECT_TRUE(Exists(B(leftover)));
  engine.RunAllConditions(true);
  EXPECT_FALSE(Exists(B(leftover)));
  EXPECT_FALSE(Exists(T("sub/" + leftover)));
  EXPECT_FALSE(Exists(T(leftover)));
  EXPECT_EQ(ReadFile(T("doc.txt")), "doc");
}

// Two runs never work on the same folder at once: the second asks to retry.
TEST_F(HostileTreeTest, ABusyFolderAsksToTryAgain) {
  WriteFile(B("a.txt"), "a", Time(kT));
  platform::Expected<platform::Folder> target = platform::Folder::OpenRoot(Target());
  ASSERT_TRUE(target);
  auto other = platform::FolderLock::Acquire(*target, platform::FolderLock::Mode::Exclusive);
  ASSERT_TRUE(other);

  EXPECT_EQ(engine.RunAllConditions(true), engine::RunOutcome::Stopped);
  EXPECT_THAT(prompt.ids, ElementsAre(engine::RunMessage::FolderBusyAsk));
  EXPECT_THAT(prompt.args[0], ElementsAre(Target() + "/"));
  EXPECT_FALSE(Exists(T("a.txt")));

  // The other run ends while the question is open; Yes goes on.
  prompt.ids.clear();
  struct ReleasingPrompt : FakePrompt {
    platform::FolderLock* lock = nullptr;
    bool Ask(engine::RunMessage q, const engine::MessageArgs& questionArgs) override {
      lock->Release();
      FakePrompt::Ask(q, questionArgs);
      return true;
    }
  } releasing;
  releasing.lock = &*other;
  engine::SyncEngine second(rows, items, host, progress, releasing);
  EXPECT_EQ(second.RunAllConditions(true), engine::RunOutcome::Completed);
  EXPECT_THAT(releasing.ids, ElementsAre(engine::RunMessage::FolderBusyAsk));
  EXPECT_EQ(ReadFile(T("a.txt")), "a");
  // Readers share: two list creations may run side by side.
  auto reader = platform::FolderLock::Acquire(*target, platform::FolderLock::Mode::Shared);
  ASSERT_TRUE(reader);
  EXPECT_EQ(engine.RunAllConditions(false), engine::RunOutcome::Completed);
}

// Row commands once acted on a stale list.
TEST_F(HostileTreeTest, RowCommandsActOnlyOnWhatTheListShows) {
  WriteFile(B("saved.txt"), "base", Time(kT + 10));
  WriteFile(T("saved.txt"), "target", Time(kT));
  WriteFile(T("doomed.txt"), "target only", Time(kT));
  WriteFile(B("keep"), "x", Time(kT));
  Condition().Complete = 1;
  engine.RunAllConditions(false);
  ASSERT_THAT(Results(), UnorderedElementsAre("saved.txt >", "doomed.txt X", "keep >>"));
  const auto item = [&](const std::string& name) {
    for (int i = 0; i < items.ItemCount(); ++i)
      if (items.ItemText(i, 0) == name) return i;
    return -1;
  };
  // The target was saved after the list was made; the X entry has since also
  // appeared in the base.
  WriteFile(T("saved.txt"), "saved later", Time(kT + 20));
  WriteFile(B("doomed.txt"), "appeared in the base", Time(kT + 20));

  engine.ExecuteRow(item("saved.txt"), engine::Direction::AsMarked);  // the double click
  FakeSelection selection;
  selection.items = {item("doomed.txt")};
  engine.RunRowCommand(engine::Direction::AsMarked, false, selection);
  prompt.answers = {true, true};
  selection.items = {item("saved.txt")};
  engine.RunRowCommand(engine::Direction::ForceBase, false, selection);

  EXPECT_EQ(items.ItemText(item("saved.txt"), 2), "?");
  EXPECT_EQ(items.ItemText(item("doomed.txt"), 2), "?");
  EXPECT_EQ(ErrorOf(item("saved.txt")), Fault(platform::Fault::ChangedSinceList));
  EXPECT_EQ(ErrorOf(item("doomed.txt")), Fault(platform::Fault::ChangedSinceList));
  EXPECT_EQ(ReadFile(T("saved.txt")), "saved later");
  EXPECT_EQ(ReadFile(T("doomed.txt")), "target only");
}

TEST_F(HostileTreeTest, ARootOrFolderReplacedByAnotherFolderAfterTheListGetsNothing) {
  WriteFile(B("sub/new.txt"), "base", Time(kT + 10));
  WriteFile(T("sub/old.txt"), "target", Time(kT));
  WriteFile(B("top.txt"), "base", Time(kT + 10));
  engine.RunAllConditions(false);
  ASSERT_THAT(Results(), UnorderedElementsAre("new.txt >>", "top.txt >>", "old.txt <<"));
  const int item = items.ItemText(0, 0) == "new.txt" ? 0 : 1;
  // A new folder in place of the listed one; then a new target root holding the listed folder.
  std::filesystem::rename(T("sub"), T("sub.was"));
  MakeFolder(T("sub"), Time(kT));
  engine.ExecuteRow(item, engine::Direction::AsMarked);
  EXPECT_EQ(ErrorOf(item), Fault(platform::Fault::FolderReplaced));
  MakeFolder(tmp / "new", Time(kT));
  std::filesystem::rename(T("sub.was"), tmp / "new/sub");
  std::filesystem::rename(Target(), tmp / "old");
  std::filesystem::rename(tmp / "new", Target());
  engine.ExecuteRow(item, engine::Direction::AsMarked);
  EXPECT_EQ(ErrorOf(item), Fault(platform::Fault::FolderReplaced));
  EXPECT_EQ(FolderNames(T("sub")), std::vector<std::string>{"old.txt"});
  EXPECT_TRUE(FolderNames(tmp / "old/sub").empty());
}

// A file replaced by a folder during the run once showed ">=" for an empty
// folder made in its place.
TEST_F(HostileTreeTest, AFileThatBecameAFolderIsNotCopied) {
  WriteFile(B("report.txt"), "base", Time(kT));
  progress.onStatus = [this](engine::RunStatus status) {
    if (status != engine::RunStatus::BasePass) return;
    std::filesystem::remove(B("report.txt"));
    MakeFolder(B("report.txt"), Time(kT));
  };
  engine.RunAllConditions(true);
  EXPECT_THAT(Results(), ElementsAre("report.txt ?"));
  EXPECT_EQ(ErrorOf(0), Fault(platform::Fault::ChangedSinceList));
  EXPECT_FALSE(Exists(T("report.txt")));
}

// Complete sync deletes a target entry only while it is as the scan saw it.
TEST_F(HostileTreeTest, ATargetEditedAfterTheScanIsNotDeleted) {
  WriteFile(B("keep"), "k", Time(kT));
  WriteFile(T("edited.txt"), "old", Time(kT));
  Condition().Complete = 1;
  progress.onStatus = [this](engine::RunStatus status) {
    if (status == engine::RunStatus::BasePass) WriteFile(T("edited.txt"), "saved meanwhile", Time(kT + 5));
  };
  engine.RunAllConditions(true);
  EXPECT_THAT(Results(), UnorderedElementsAre("keep >=", "edited.txt ?"));
  EXPECT_EQ(ReadFile(T("edited.txt")), "saved meanwhile");
}

// A NUL byte in a folder value once cut the path short in the system calls.
TEST_F(HostileTreeTest, AFolderWithANulByteIsNoFolder) {
  host.conditions[0] = MakeCondition(Base() + std::string("\0/sub", 5), Target());
  EXPECT_EQ(engine.RunAllConditions(true), engine::RunOutcome::Stopped);
  EXPECT_THAT(prompt.ids, ElementsAre(engine::RunMessage::BaseMissing));
}

// A target file facing a base folder of the same name is judged target-only;
// complete sync once refused to delete it because something was at the base path.
TEST_F(HostileTreeTest, CompleteSyncReplacesATargetFileFacingABaseFolder) {
  WriteFile(B("name/inner.txt"), "base", Time(kT));
  WriteFile(T("name"), "target file", Time(kT));
  Condition().Complete = 1;
  engine.RunAllConditions(true);
  // The base's folder takes the file's place in the same run, its contents after it.
  EXPECT_THAT(Results(), ElementsAre("name >=", "inner.txt >="));
  EXPECT_EQ(ReadFile(T("name/inner.txt")), "base");
}

// Complete sync with nothing at all in the base root asks before it deletes.
TEST_F(HostileTreeTest, AnEmptyBaseAsksBeforeTheFirstDeletion) {
  WriteFile(T("a.txt"), "target", Time(kT));
  WriteFile(T("b.txt"), "target", Time(kT));
  Condition().Complete = 1;

  prompt.answers = {false};
  EXPECT_EQ(engine.RunAllConditions(true), engine::RunOutcome::Stopped);
  EXPECT_THAT(prompt.ids, ElementsAre(engine::RunMessage::EmptyBaseAsk));
  EXPECT_TRUE(Exists(T("a.txt")) && Exists(T("b.txt")));

  // List creation deletes nothing and asks nothing.
  prompt.ids.clear();
  EXPECT_EQ(engine.RunAllConditions(false), engine::RunOutcome::Completed);
  EXPECT_TRUE(prompt.ids.empty());

  prompt.answers = {true};
  EXPECT_EQ(engine.RunAllConditions(true), engine::RunOutcome::Completed);
  EXPECT_THAT(prompt.ids, ElementsAre(engine::RunMessage::EmptyBaseAsk));  // once per run
  EXPECT_THAT(Results(), UnorderedElementsAre("a.txt X=", "b.txt X="));

  // A base holding anything at all is no reason to ask.
  prompt.ids.clear();
  WriteFile(T("c.txt"), "target", Time(kT));
  MakeFolder(B("folder"), Time(kT));
  engine.RunAllConditions(true);
  EXPECT_TRUE(prompt.ids.empty());
  EXPECT_FALSE(Exists(T("c.txt")));
}

}  // namespace
}  // namespace orvel::test
