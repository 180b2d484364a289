// The scan of one side: order, empty folders, cancel rules, and the second
// thread that reads the other side.
#include "engine/folder_scan.h"
#include "engine/background_scan.h"
#include "platform/directory.h"
#include "platform/temporary_name.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <deque>
#include <filesystem>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAre;
using test::HandOver;
using test::RunUnprivileged;

// Runs until a chosen entry, then cancels.
class StopAfter : public engine::ScanControl {
 public:
  explicit StopAfter(int entries) : left_(entries) {}
  bool Running() const override { return running_; }
  void EnterFolder(std::string_view path) override { folders.emplace_back(path); }
  bool CancelAfterEntry() override {
    if (--left_ != 0) return false;
    running_ = false;
    return true;
  }
  std::vector<std::string> folders;

 private:
  int left_;
  bool running_ = true;
};

std::vector<std::string> Paths(const engine::SideIndex& index, const engine::EntryList& ids) {
  std::vector<std::string> out;
  for (auto id : ids)
    out.push_back(std::string(index.FolderPath(index.EntryFolder(id))) + std::string(index.EntryName(id)));
  return out;
}

// The roots a test scans stay open as long as the indexes that look up through them.
std::deque<platform::Folder> openRoots;

engine::ScanSetup ScanOf(engine::ScanSide side, const std::string& root, bool subFolders = true) {
  engine::ScanSetup setup;
  setup.side = side;
  setup.rootPath = root;
  setup.subFolders = subFolders;
  platform::Expected<platform::Folder> folder = platform::Folder::OpenRoot(root);
  if (folder) {
    openRoots.push_back(std::move(*folder));
    setup.root = &openRoots.back();
  }
  return setup;
}

engine::ScanSummary Scan(const engine::RunValues& values, engine::ScanControl& control, const engine::ScanSetup& setup,
                         engine::SideIndex& index, engine::ScanLists& lists) {
  return engine::FolderScan(values, control).Scan(setup, index, lists);
}

class FolderScanTest : public ::testing::Test {
 protected:
  engine::RunValues Values(bool emptyFolder) {
    engine::CCondition c;
    c.EmptyFolder = emptyFolder ? 1 : 0;
    return engine::DeriveRunValues(c);
  }
  std::string Root() const { return tmp.Path() + "/"; }
  TempDir tmp;
  engine::SideIndex index;
  engine::ScanLists lists;
};

TEST_F(FolderScanTest, ListsInFileSystemOrderDepthFirst) {
  for (int i = 0; i < 30; ++i) WriteFile(tmp / ("f" + std::to_string(i)), "", Time(0));
  WriteFile(tmp / "sub/inner", "", Time(0));
  MakeFolder(tmp / "sub/empty", Time(0));
  const auto values = Values(true);
  StopAfter control(-1);
  Scan(values, control, ScanOf(engine::ScanSide::Base, Root()), index, lists);

  // The same order a plain listing of the folder gives.
  std::vector<std::string> expected;
  for (const auto& e : std::filesystem::directory_iterator(tmp.Path())) {
    if (e.path().filename() == "sub") {
      for (const auto& s : std::filesystem::directory_iterator(e.path()))
        if (s.path().filename() == "inner") expected.push_back("sub/inner");
    } else {
      expected.push_back(e.path().filename());
    }
  }
  EXPECT_THAT(Paths(index, lists.files), ElementsAreArray(expected));
  EXPECT_THAT(Paths(index, lists.folders), ElementsAre("sub/empty"));
  EXPECT_THAT(control.folders,
              UnorderedElementsAre(tmp.Path() + "/", tmp.Path() + "/sub/", tmp.Path() + "/sub/empty/"));
}

TEST_F(FolderScanTest, CancelOnTheTargetSideKeepsTheEmptyFoldersFoundSoFar) {
  MakeFolder(tmp / "a_empty", Time(0));
  WriteFile(tmp / "b.txt", "", Time(0));
  MakeFolder(tmp / "c_empty", Time(0));
  const auto values = Values(true);
  // Cancel after the last entry, whatever the listing order is.
  StopAfter target(3);
  Scan(values, target, ScanOf(engine::ScanSide::Target, Root()), index, lists);
  EXPECT_TRUE(lists.files.empty());
  EXPECT_THAT(Paths(index, lists.folders), UnorderedElementsAre("a_empty", "c_empty"));

  StopAfter base(3);
  Scan(values, base, ScanOf(engine::ScanSide::Base, Root()), index, lists);
  EXPECT_TRUE(lists.files.empty());
  EXPECT_TRUE(lists.folders.empty());
}

TEST_F(FolderScanTest, ARootNotListedIsLookedUpThroughItsFolder) {
  const auto values = Values(false);
  StopAfter control(1);
  control.CancelAfterEntry();  // nothing is listed once the run is cancelled
  WriteFile(tmp / "x", "", Time(42));
  EXPECT_FALSE(Scan(values, control, ScanOf(engine::ScanSide::Base, Root()), index, lists).rootError);
  EXPECT_TRUE(lists.files.empty());
  const auto found = index.LookUp("", "x");
  EXPECT_TRUE(found.info.exists);
  EXPECT_EQ(found.info.mtime, Time(42));
}

TEST_F(FolderScanTest, BackgroundScanGivesTheSameListsAndStopsOnCancel) {
  for (int i = 0; i < 200; ++i) WriteFile(tmp / ("d" + std::to_string(i % 7) + "/f" + std::to_string(i)), "", Time(i));
  const auto values = Values(true);
  StopAfter control(-1);
  Scan(values, control, ScanOf(engine::ScanSide::Target, Root()), index, lists);

  engine::SideIndex otherIndex;
  engine::ScanLists otherLists;
  {
    engine::BackgroundScan scan(values, ScanOf(engine::ScanSide::Target, Root()), otherIndex, otherLists);
    while (!scan.WaitFor(std::chrono::milliseconds(5))) {
    }
    scan.Join();
  }
  EXPECT_EQ(Paths(otherIndex, otherLists.files), Paths(index, lists.files));
  EXPECT_EQ(otherIndex.LookUp("d3/", "f3").info.mtime, Time(3));

  // A scan appends to its lists, so the cancelled one gets lists of its own.
  engine::SideIndex cancelIndex;
  engine::ScanLists cancelLists;
  engine::BackgroundScan cancelled(values, ScanOf(engine::ScanSide::Target, Root()), cancelIndex, cancelLists);
  cancelled.Cancel();
  // Whenever the cancel arrives (before the start, between entries, after the
  // end), what is listed is the start of the full listing and nothing else.
  const std::vector<std::string> all = Paths(index, lists.files);
  const std::vector<std::string> listed = Paths(cancelIndex, cancelLists.files);
  ASSERT_LE(listed.size(), all.size());
  EXPECT_EQ(listed, std::vector<std::string>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(listed.size())));
}

// Removes the other folder as soon as the scan enters one of two.
class RemoveOtherFolder : public engine::ScanControl {
 public:
  explicit RemoveOtherFolder(std::string root) : root_(std::move(root)) {}
  bool Running() const override { return true; }
  void EnterFolder(std::string_view path) override {
    if (removed_.empty() && (path == root_ + "a/" || path == root_ + "b/")) {
      removed_ = path == root_ + "a/" ? "b" : "a";
      std::filesystem::remove_all(root_ + removed_);
    }
  }
  bool CancelAfterEntry() override { return false; }
  std::string removed_;

 protected:
  std::string root_;
};

TEST_F(FolderScanTest, AFolderThatVanishesDuringTheScanIsLeftOut) {
  WriteFile(tmp / "a/1.txt", "", Time(0));
  WriteFile(tmp / "b/2.txt", "", Time(0));
  const auto values = Values(false);
  RemoveOtherFolder control(Root());
  Scan(values, control, ScanOf(engine::ScanSide::Base, Root()), index, lists);
  ASSERT_FALSE(control.removed_.empty());
  EXPECT_THAT(Paths(index, lists.files), ElementsAre(control.removed_ == "a" ? "b/2.txt" : "a/1.txt"));
  // Gone before it was read: absent, not an error.
  const auto found = index.LookUp(control.removed_ + "/", control.removed_ == "a" ? "1.txt" : "2.txt");
  EXPECT_FALSE(found.info.exists);
  EXPECT_FALSE(found.info.error);
}

// Replaces the other folder with a file as soon as the scan enters one of two.
class FileForOtherFolder : public RemoveOtherFolder {
 public:
  using RemoveOtherFolder::RemoveOtherFolder;
  void EnterFolder(std::string_view path) override {
    RemoveOtherFolder::EnterFolder(path);
    if (!removed_.empty() && !replaced_) {
      replaced_ = true;
      WriteFile(Root() + removed_, "now a file", Time(13));
    }
  }
  std::string Root() const { return root_; }

 private:
  bool replaced_ = false;
};

// A folder is looked up when its turn comes, through the descriptor that
// opens it: its entry carries the folder's own time, and one that became a
// file before its turn takes part as that file.
TEST_F(FolderScanTest, FoldersAreLookedUpWhenTheirTurnComes) {
  WriteFile(tmp / "a/1.txt", "", Time(0));
  WriteFile(tmp / "b/2.txt", "", Time(0));
  SetTime(tmp / "a", Time(11));
  SetTime(tmp / "b", Time(12));
  FileForOtherFolder control(Root());
  Scan(Values(false), control, ScanOf(engine::ScanSide::Base, Root()), index, lists);
  ASSERT_FALSE(control.removed_.empty());
  const std::string entered = control.removed_ == "a" ? "b" : "a";
  const auto folder = index.LookUp("", entered);
  EXPECT_TRUE(folder.info.directory);
  EXPECT_EQ(folder.info.mtime, Time(entered == "a" ? 11 : 12));
  const auto file = index.LookUp("", control.removed_);
  EXPECT_TRUE(file.info.IsFile());
  EXPECT_EQ(file.info.mtime, Time(13));
  EXPECT_THAT(Paths(index, lists.files), ElementsAre(entered + (entered == "a" ? "/1.txt" : "/2.txt"), control.removed_));
}

TEST_F(FolderScanTest, LookUpsBelowFoldersTheScanSawMissingNeedNoFileSystem) {
  WriteFile(tmp / "here/a.txt", "", Time(5));
  WriteFile(tmp / "file", "", Time(6));
  const auto values = Values(false);
  StopAfter control(-1);
  Scan(values, control, ScanOf(engine::ScanSide::Target, Root()), index, lists);

  EXPECT_EQ(index.ResolveFolder("gone/deeper/"), engine::SideIndex::kMissingFolder);
  EXPECT_EQ(index.ResolveFolder("file/"), engine::SideIndex::kMissingFolder);
  EXPECT_NE(index.ResolveFolder("here/"), engine::SideIndex::kMissingFolder);
  // Made after the scan: the scan's view stands until the next run.
  WriteFile(tmp / "gone/deeper/x", "", Time(7));
  EXPECT_FALSE(index.LookUp("gone/deeper/", "x").info.exists);
  EXPECT_EQ(index.LookUp("here/", "a.txt").info.mtime, Time(5));

  // Below a folder the scan did not descend into, the file system answers.
  engine::SideIndex top;
  engine::ScanLists topLists;
  StopAfter again(-1);
  Scan(values, again, ScanOf(engine::ScanSide::Target, Root(), false), top, topLists);
  EXPECT_EQ(top.ResolveFolder("here/"), engine::SideIndex::kNoFolder);
  EXPECT_EQ(top.LookUp("here/", "a.txt").info.mtime, Time(5));
  EXPECT_EQ(top.LookUp("gone/deeper/", "x").info.mtime, Time(7));
}

// One line per listed file: its path, and the reason when it could not be read.
std::string Described(const engine::SideIndex& index, const engine::ScanLists& lists) {
  std::string out;
  for (auto id : lists.files) {
    out += std::string(index.FolderPath(index.EntryFolder(id))) + std::string(index.EntryName(id));
    const auto info = index.EntryInfoOf(id);
    if (info.error) out += " ! " + info.error.message();
    out += "\n";
  }
  return out;
}

// A folder that cannot be read is an entry of its own with its reason, and
// nothing below it reads as absent.
TEST_F(FolderScanTest, UnreadableFolderIsListedWithItsReason) {
  WriteFile(tmp / "tree/sub/keep.txt", "x", Time(1));
  WriteFile(tmp / "tree/open.txt", "x", Time(1));
  HandOver(tmp.Path());
  ASSERT_EQ(::chmod((tmp / "tree/sub").c_str(), 0), 0);
  std::string why;
  const auto seen = RunUnprivileged(
      [&] {
        engine::SideIndex side;
        engine::ScanLists found;
        StopAfter control(-1);
        const auto summary =
            Scan(Values(true), control, ScanOf(engine::ScanSide::Base, tmp / "tree/"), side, found);
        const auto below = side.LookUp("sub/", "keep.txt");
        return Described(side, found) + "unreadable " + std::to_string(summary.unreadable) + "\nbelow " +
               below.info.error.message() + (below.origin == engine::SideIndex::Found::Origin::Folder ? " (folder)" : "");
      },
      why);
  ::chmod((tmp / "tree/sub").c_str(), 0755);
  if (!seen) GTEST_SKIP() << why;
  EXPECT_THAT(*seen, ::testing::HasSubstr("sub ! Permission denied\n"));
  EXPECT_THAT(*seen, ::testing::HasSubstr("open.txt\n"));
  EXPECT_THAT(*seen, ::testing::HasSubstr("unreadable 1\n"));
  EXPECT_THAT(*seen, ::testing::HasSubstr("below Permission denied (folder)"));
  EXPECT_THAT(*seen, ::testing::Not(::testing::HasSubstr("keep.txt")));
}

// The scan keeps its own budget of open folders: a tree deeper than the
// process may open descriptors is read in full all the same.
TEST_F(FolderScanTest, DeepTreeNeedsNoMoreDescriptorsThanTheBudget) {
  constexpr int kDepth = 300;
  std::string rel;
  for (int i = 0; i < kDepth; ++i) rel += "d/";
  WriteFile(tmp / (rel + "bottom.txt"), "x", Time(1));
  WriteFile(tmp / "d/d/side.txt", "x", Time(1));
  MakeFolder(tmp / (rel + "empty"), Time(1));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{engine::FolderScan::kOpenFolderBudget + 40, engine::FolderScan::kOpenFolderBudget + 40};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(10);
    engine::SideIndex side;
    engine::ScanLists found;
    StopAfter control(-1);
    const auto summary = Scan(Values(true), control, ScanOf(engine::ScanSide::Base, Root()), side, found);
    const bool whole = summary.unreadable == 0 && found.files.size() == 2 && found.folders.size() == 1 &&
                       side.LookUp(rel, "bottom.txt").info.exists;
    ::_exit(whole ? 0 : 11);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FolderScanTest, TemporariesAreNeverListedAndASyncRunRemovesThem) {
  const std::string leftover = platform::TemporaryNameFor("doc.txt");
  WriteFile(tmp / "doc.txt", "x", Time(1));
  WriteLeftover(tmp / leftover, "partial", Time(1));
  WriteLeftover(tmp / ("sub/" + leftover), "partial", Time(1));
  const auto values = Values(true);
  StopAfter listing(-1);
  auto summary = Scan(values, listing, ScanOf(engine::ScanSide::Base, Root()), index, lists);
  EXPECT_THAT(Paths(index, lists.files), ElementsAre("doc.txt"));
  EXPECT_THAT(Paths(index, lists.folders), ElementsAre("sub"));  // only a temporary inside
  EXPECT_EQ(summary.rootEntries, 2u);
  EXPECT_FALSE(index.LookUp("", leftover).info.exists);
  EXPECT_TRUE(Exists(tmp / leftover));  // list creation touches no file

  engine::ScanSetup sync = ScanOf(engine::ScanSide::Base, Root());
  sync.removeLeftovers = true;
  StopAfter syncing(-1);
  engine::ScanLists again;
  Scan(values, syncing, sync, index, again);
  EXPECT_FALSE(Exists(tmp / leftover));
  EXPECT_FALSE(Exists(tmp / ("sub/" + leftover)));
  EXPECT_TRUE(Exists(tmp / "doc.txt"));
}

// The other tree's root inside this one is never read, and look-ups there say
// it is not to be compared.
TEST_F(FolderScanTest, TheOtherRootIsSkipped) {
  WriteFile(tmp / "a.txt", "x", Time(1));
  WriteFile(tmp / "inner/b.txt", "x", Time(1));
  WriteFile(tmp / "other/c.txt", "x", Time(1));
  engine::ScanSetup setup = ScanOf(engine::ScanSide::Base, Root());
  setup.otherRoot = platform::Folder::OpenRoot(tmp / "other")->Id();
  StopAfter control(-1);
  std::vector<std::string> entered;
  Scan(Values(false), control, setup, index, lists);
  EXPECT_THAT(Paths(index, lists.files), UnorderedElementsAre("a.txt", "inner/b.txt"));
  EXPECT_THAT(control.folders, UnorderedElementsAre(Root(), Root() + "inner/"));
  EXPECT_EQ(index.LookUp("other/", "c.txt").info.error, platform::MakeError(platform::Fault::OtherRoot));
  EXPECT_EQ(index.LookUp("", "other").info.error, platform::MakeError(platform::Fault::OtherRoot));
}

}  // namespace
}  // namespace orvel::test
