// The scan of one side: order, empty folders, cancel rules, and the second
// thread that reads the other side.
#include "engine/folder_scan.h"
#include "engine/background_scan.h"
#include "platform/directory.h"
#include "support/temp_tree.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAre;

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

std::vector<std::string> Paths(const engine::SideIndex& index, const std::vector<engine::SideIndex::EntryId>& ids) {
  std::vector<std::string> out;
  for (auto id : ids)
    out.push_back(std::string(index.FolderPath(index.EntryFolder(id))) + std::string(index.EntryName(id)));
  return out;
}

class FolderScanTest : public ::testing::Test {
 protected:
  engine::RunValues Values(bool emptyFolder) {
    engine::CCondition c;
    c.SetEmptyFolder(emptyFolder ? 1 : 0);
    return engine::DeriveRunValues(c);
  }
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
  engine::FolderScan(values, control).Scan(engine::ScanSide::Base, tmp.Path() + "/", true, index, lists);

  // The same order a plain listing of the folder gives.
  std::vector<std::string> expected;
  platform::Directory dir;
  ASSERT_TRUE(dir.Open(tmp.Path()));
  platform::Directory::Entry e;
  while (dir.Next(e)) {
    if (e.name == "sub") {
      platform::Directory sub;
      ASSERT_TRUE(sub.OpenChild(dir, "sub"));
      platform::Directory::Entry s;
      while (sub.Next(s))
        if (s.name == "inner") expected.push_back("sub/inner");
    } else {
      expected.push_back(std::string(e.name));
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
  engine::FolderScan(values, target).Scan(engine::ScanSide::Target, tmp.Path() + "/", true, index, lists);
  EXPECT_TRUE(lists.files.empty());
  EXPECT_THAT(Paths(index, lists.folders), UnorderedElementsAre("a_empty", "c_empty"));

  StopAfter base(3);
  engine::FolderScan(values, base).Scan(engine::ScanSide::Base, tmp.Path() + "/", true, index, lists);
  EXPECT_TRUE(lists.files.empty());
  EXPECT_TRUE(lists.folders.empty());
}

TEST_F(FolderScanTest, UnreadableRootListsNothingAndLooksUpByPath) {
  const auto values = Values(false);
  StopAfter control(-1);
  engine::FolderScan(values, control).Scan(engine::ScanSide::Base, tmp / "missing/", true, index, lists);
  EXPECT_TRUE(lists.files.empty());
  // Nothing was listed, so a look-up asks the file system.
  WriteFile(tmp / "missing/x", "", Time(42));
  const auto info = index.LookUp("", "x");
  EXPECT_TRUE(info.exists);
  EXPECT_EQ(info.mtime, Time(42));
}

TEST_F(FolderScanTest, BackgroundScanGivesTheSameListsAndStopsOnCancel) {
  for (int i = 0; i < 200; ++i) WriteFile(tmp / ("d" + std::to_string(i % 7) + "/f" + std::to_string(i)), "", Time(i));
  const auto values = Values(true);
  StopAfter control(-1);
  engine::FolderScan(values, control).Scan(engine::ScanSide::Target, tmp.Path() + "/", true, index, lists);

  engine::SideIndex otherIndex;
  engine::ScanLists otherLists;
  {
    engine::BackgroundScan scan(values, engine::ScanSide::Target, tmp.Path() + "/", true, otherIndex, otherLists);
    while (!scan.WaitFor(std::chrono::milliseconds(5))) {
    }
    scan.Join();
  }
  EXPECT_EQ(Paths(otherIndex, otherLists.files), Paths(index, lists.files));
  EXPECT_EQ(otherIndex.LookUp("d3/", "f3").mtime, Time(3));

  // A scan appends to its lists, so the cancelled one gets lists of its own.
  engine::SideIndex cancelIndex;
  engine::ScanLists cancelLists;
  engine::BackgroundScan cancelled(values, engine::ScanSide::Target, tmp.Path() + "/", true, cancelIndex,
                                   cancelLists);
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

 private:
  std::string root_;
};

TEST_F(FolderScanTest, AFolderThatVanishesDuringTheScanIsLeftOut) {
  WriteFile(tmp / "a/1.txt", "", Time(0));
  WriteFile(tmp / "b/2.txt", "", Time(0));
  const auto values = Values(false);
  RemoveOtherFolder control(tmp.Path() + "/");
  engine::FolderScan(values, control).Scan(engine::ScanSide::Base, tmp.Path() + "/", true, index, lists);
  ASSERT_FALSE(control.removed_.empty());
  EXPECT_THAT(Paths(index, lists.files), ElementsAre(control.removed_ == "a" ? "b/2.txt" : "a/1.txt"));
  // What the scan could not list is looked up by path: it is gone.
  EXPECT_FALSE(index.LookUp(control.removed_ + "/", control.removed_ == "a" ? "1.txt" : "2.txt").exists);
}

TEST_F(FolderScanTest, LookUpsBelowFoldersTheScanSawMissingNeedNoFileSystem) {
  WriteFile(tmp / "here/a.txt", "", Time(5));
  WriteFile(tmp / "file", "", Time(6));
  const auto values = Values(false);
  StopAfter control(-1);
  engine::FolderScan(values, control).Scan(engine::ScanSide::Target, tmp.Path() + "/", true, index, lists);

  EXPECT_EQ(index.ResolveFolder("gone/deeper/"), engine::SideIndex::kMissingFolder);
  EXPECT_EQ(index.ResolveFolder("file/"), engine::SideIndex::kMissingFolder);
  EXPECT_NE(index.ResolveFolder("here/"), engine::SideIndex::kMissingFolder);
  // Made after the scan: the scan's view stands until the next run.
  WriteFile(tmp / "gone/deeper/x", "", Time(7));
  EXPECT_FALSE(index.LookUp("gone/deeper/", "x").exists);
  EXPECT_EQ(index.LookUp("here/", "a.txt").mtime, Time(5));

  // Below a folder the scan did not descend into, the file system answers.
  engine::SideIndex top;
  engine::ScanLists topLists;
  StopAfter again(-1);
  engine::FolderScan(values, again).Scan(engine::ScanSide::Target, tmp.Path() + "/", false, top, topLists);
  EXPECT_EQ(top.ResolveFolder("here/"), engine::SideIndex::kNoFolder);
  EXPECT_EQ(top.LookUp("here/", "a.txt").mtime, Time(5));
  EXPECT_EQ(top.LookUp("gone/deeper/", "x").mtime, Time(7));
}

}  // namespace
}  // namespace orvel::test
