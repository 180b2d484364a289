// A scan whose look-ups are issued concurrently (as on network mounts) must
// give what a scan one look-up at a time gives: the same entries, ids, rows in
// the same order, errors and summary.
#include "engine/folder_scan.h"
#include "platform/temporary_name.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <deque>
#include <filesystem>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using engine::ScanLookUps;

// Cancels after a number of entries (never with -1); replaces the folder
// "swap" by a link once the root has been listed.
class Control : public engine::ScanControl {
 public:
  Control(std::string root, int entries) : root_(std::move(root)), left_(entries) {}
  bool Running() const override { return running_; }
  void EnterFolder(std::string_view) override {}
  bool CancelAfterEntry() override {
    if (--left_ != 0) return false;
    running_ = false;
    return true;
  }
  bool WatchesListings() const override { return true; }
  void Listed(std::string_view relFolder) override {
    std::lock_guard lock(mutex_);
    if (relFolder.empty() && Exists(root_ + "swap")) {
      std::filesystem::remove_all(root_ + "swap");
      EXPECT_EQ(::symlink("a", (root_ + "swap").c_str()), 0);
    }
  }

 private:
  std::mutex mutex_;
  std::string root_;
  int left_;
  bool running_ = true;
};

struct Variant {
  const char* name;
  bool emptyFolder;
  bool subFolders;
  bool keepExtras;
  int cancelAfter;
};

// Everything a scan leaves behind, as text: a difference shows where it is.
std::string Dump(const engine::SideIndex& index, const engine::ScanLists& lists, const engine::ScanSummary& s) {
  std::string out;
  for (engine::SideIndex::FolderId f = 0; f < index.FolderCount(); ++f)
    out += "folder " + index.FolderPath(f) + (index.FolderComplete(f) ? " complete" : "") +
           (index.FolderIsOtherRoot(f) ? " other-root" : "") + " " + index.FolderError(f).message() + " fs" +
           std::to_string(index.FolderFileSystem(f)) + " entries " + std::to_string(index.FirstEntry(f)) + "+" +
           std::to_string(index.FolderEntryCount(f)) + "\n";
  for (engine::SideIndex::EntryId e = 0; e < index.EntryCount(); ++e) {
    const auto info = index.EntryInfoOf(e);
    out += "entry " + index.FolderPath(index.EntryFolder(e)) + std::string(index.EntryName(e)) +
           (info.exists ? " exists" : "") + (info.directory ? " dir" : "") + (info.link ? " link" : "") + " " +
           info.error.message();
    if (!info.link) out += " t" + std::to_string(info.mtime.sec) + " size " + std::to_string(info.size);
    out += "\n";
  }
  for (const auto* list : {&lists.files, &lists.folders}) {
    out += list == &lists.files ? "files:" : "folders:";
    for (auto id : *list) out += " " + index.FolderPath(index.EntryFolder(id)) + std::string(index.EntryName(id));
    out += "\n";
  }
  out += "root error " + s.rootError.message() + ", root entries " + std::to_string(s.rootEntries) +
         ", unreadable " + std::to_string(s.unreadable) + (s.subsecondTimes ? ", subsecond" : "") + "\n";
  return out;
}

// Builds the same tree afresh (a scan may change it) and scans it.
std::string BuildAndScan(const std::string& root, const Variant& v, ScanLookUps lookUps, bool locked) {
  std::filesystem::remove_all(root);
  // More files than one thread looks up at a time, folders at several depths.
  for (int i = 0; i < 150; ++i) WriteFile(root + "f" + std::to_string(i) + ".txt", "x", Time(100 + i));
  for (const char* folder : {"a/", "a/b/", "a/b/c/", "d/", "e/"})
    for (int i = 0; i < 3; ++i) WriteFile(root + folder + "g" + std::to_string(i), "yy", Time(7, 250));
  MakeFolder(root + "a/empty", Time(3));
  MakeFolder(root + "e/empty", Time(3));
  MakeFolder(root + ".Trash-0", Time(3));
  WriteFile(root + "swap/inside.txt", "x", Time(5));
  WriteFile(root + "other/never.txt", "x", Time(5));
  WriteFile(root + "closed/hidden.txt", "x", Time(5));
  static const std::string leftover = platform::TemporaryNameFor("g0");
  WriteLeftover(root + "a/" + leftover, "partial", Time(5));
  EXPECT_EQ(::symlink("f1.txt", (root + "link").c_str()), 0);
  for (const char* folder : {"a/b/c", "a/b", "a", "d", "e", "swap", "other", "closed"}) SetTime(root + folder, Time(9));
  if (locked) ::chmod((root + "closed").c_str(), 0);

  std::deque<platform::Folder> roots;
  roots.push_back(std::move(*platform::Folder::OpenRoot(root)));
  engine::CCondition condition;
  condition.EmptyFolder = v.emptyFolder ? 1 : 0;
  const engine::RunValues values = engine::DeriveRunValues(condition);
  engine::ScanSetup setup;
  setup.root = &roots.back();
  setup.rootPath = root;
  setup.subFolders = v.subFolders;
  setup.keepExtras = v.keepExtras;
  setup.otherRoot = platform::Folder::OpenRoot(root + "other")->Id();
  setup.lookUps = lookUps;
  engine::SideIndex index;
  engine::ScanLists lists;
  Control control(root, v.cancelAfter);
  const auto summary = engine::FolderScan(values, control).Scan(setup, index, lists);
  ::chmod((root + "closed").c_str(), 0755);
  return Dump(index, lists, summary);
}

class FolderReadAheadTest : public ::testing::TestWithParam<Variant> {
 protected:
  TempDir tmp;
};

TEST_P(FolderReadAheadTest, ConcurrentLookUpsGiveWhatOneAtATimeGives) {
  const Variant& v = GetParam();
  const std::string root = tmp.Path() + "/tree/";
  const std::string alone = BuildAndScan(root, v, ScanLookUps::OneAtATime, false);
  // Several rounds: the threads' timing differs from one to the next.
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(BuildAndScan(root, v, ScanLookUps::Concurrent, false), alone) << "round " << round;
  }
  // The folder became a link after the listing.
  if (v.cancelAfter < 0) {
    EXPECT_THAT(alone, ::testing::HasSubstr("entry swap exists link"));
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, FolderReadAheadTest,
                         ::testing::Values(Variant{"Everything", true, true, false, -1},
                                           Variant{"NoSubFolders", true, false, false, -1},
                                           Variant{"RememberedSync", false, true, true, -1},
                                           Variant{"CancelEarly", true, true, false, 3},
                                           Variant{"CancelInSubFolder", true, true, false, 160}),
                         [](const auto& p) { return std::string(p.param.name); });

// A folder that cannot be opened reads as the same error either way.
TEST(FolderReadAheadErrors, AnUnreadableFolderGivesTheSameRow) {
  TempDir tmp;
  const std::string root = tmp.Path() + "/tree/";
  const Variant v{"Locked", true, true, false, -1};
  HandOver(tmp.Path());
  std::string why;
  const auto seen = RunUnprivileged(
      [&] {
        return BuildAndScan(root, v, ScanLookUps::OneAtATime, true) + "----\n" +
               BuildAndScan(root, v, ScanLookUps::Concurrent, true);
      },
      why);
  if (!seen) GTEST_SKIP() << why;
  const auto split = seen->find("----\n");
  ASSERT_NE(split, std::string::npos);
  EXPECT_EQ(seen->substr(split + 5), seen->substr(0, split));
  EXPECT_THAT(seen->substr(0, split), ::testing::HasSubstr("entry closed exists dir Permission denied"));
}

}  // namespace
}  // namespace orvel::test
