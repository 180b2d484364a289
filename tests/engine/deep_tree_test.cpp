// A tree far deeper than a walk with one call a level could take (12,000
// folders crashed it), with paths far beyond PATH_MAX: listed, synced both
// ways, and its deepest entries deleted by a complete sync.
#include "engine/folder_scan.h"
#include "engine_fakes.h"
#include "support/deep_tree.h"
#include "support/temp_tree.h"

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvel::test {
namespace {

// The scan is listed 100,000 levels deep; the sync (minutes at that depth) and
// the sanitizer builds (many times slower) go 20,000 deep, still beyond the
// depth that crashed and far beyond PATH_MAX.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kDepth = 20'000;
#else
constexpr std::size_t kDepth = 100'000;
#endif
constexpr std::size_t kSyncDepth = 20'000;

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// Counts the descriptors open at a few folders on the way down.
class CountingControl : public engine::ScanControl {
 public:
  bool Running() const override { return true; }
  void EnterFolder(std::string_view) override {
    if (++entered % 20'000 == 0) mostOpen = std::max(mostOpen, OpenDescriptors());
  }
  bool CancelAfterEntry() override { return false; }
  std::size_t entered = 0;
  std::size_t mostOpen = 0;
};

class DeepTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFolder(Base(), Time(1700000000));
    MakeFolder(Target(), Time(1700000000));
    rig.host.conditions.push_back(MakeCondition(Base(), Target()));
  }
  void TearDown() override {
    RemoveDeepTree(Base());
    RemoveDeepTree(Target());
  }
  std::string Base() const { return scratch / "base"; }
  std::string Target() const { return scratch / "target"; }
  std::vector<std::string> Run() {
    EXPECT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Completed);
    std::vector<std::string> out;
    for (int i = 0; i < rig.items.ItemCount(); ++i) out.push_back(rig.items.ItemText(i, 0) + " " + rig.items.ItemText(i, 2));
    return out;
  }

  ScratchFolder scratch;
  EngineRig rig;
};

TEST_F(DeepTreeTest, BothScansListTheDeepestFileWithFewFoldersOpen) {
  MakeDeepChain(Base(), kDepth, "d", "deep.txt", "deep");
  const std::size_t before = OpenDescriptors();
  for (const engine::ScanLookUps lookUps : {engine::ScanLookUps::OneAtATime, engine::ScanLookUps::Concurrent}) {
    SCOPED_TRACE(lookUps == engine::ScanLookUps::Concurrent ? "read ahead" : "one at a time");
    platform::Expected<platform::Folder> root = platform::Folder::OpenRoot(Base());
    ASSERT_TRUE(root);
    engine::RunValues values;
    CountingControl control;
    engine::FolderScan scan(values, control);
    engine::SideIndex index;
    engine::ScanLists lists;
    engine::ScanSetup setup;
    setup.root = &*root;
    setup.rootPath = Base() + "/";
    setup.lookUps = lookUps;
    const engine::ScanSummary summary = scan.Scan(setup, index, lists);
    EXPECT_FALSE(summary.rootError);
    EXPECT_EQ(index.FolderCount(), kDepth + 1);
    ASSERT_EQ(lists.files.size(), 1u);
    const engine::SideIndex::EntryId deepest = *lists.files.begin();
    EXPECT_EQ(index.EntryName(deepest), "deep.txt");
    EXPECT_EQ(index.FolderDepth(index.EntryFolder(deepest)), kDepth);
    EXPECT_EQ(control.entered, kDepth + 1);  // the root too
    EXPECT_LT(control.mostOpen, before + 2 * engine::FolderScan::kOpenFolderBudget);
  }
}

TEST_F(DeepTreeTest, SyncCopiesDeepFilesBothWaysAndCompleteSyncDeletesThem) {
  MakeDeepChain(Base(), kSyncDepth, "b", "base.txt", "from base");
  MakeDeepChain(Target(), kSyncDepth, "t", "target.txt", "from target");
  SetTime(Base() + "/b", Time(1600000000));
  EXPECT_THAT(Run(), ::testing::UnorderedElementsAre("base.txt >=", "target.txt <="));
  EXPECT_EQ(ReadDeepChain(Target(), "b", "base.txt").file, "from base");
  EXPECT_EQ(ReadDeepChain(Base(), "t", "target.txt").file, "from target");
  // The folders made take their sources' times, up to the top.
  EXPECT_EQ(TimeOf(Target() + "/b"), Time(1600000000));

  MakeDeepChain(Target(), kSyncDepth, "x", "gone.txt", "target only");
  rig.host.conditions[0].Complete = 1;
  EXPECT_THAT(Run(), ::testing::UnorderedElementsAre("base.txt =", "target.txt =", "gone.txt X="));
  const DeepChain gone = ReadDeepChain(Target(), "x", "gone.txt");
  EXPECT_EQ(gone.depth, kSyncDepth);
  EXPECT_FALSE(gone.file);
}

}  // namespace
}  // namespace orvel::test
