// A sync run whose file copies run on several threads against one that copies
// them one at a time: the same rows, results and trees.
#include "engine_fakes.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::test {
namespace {

using engine::ScanLookUps;

constexpr std::int64_t kT = 1700000000;

struct Outcome {
  engine::RunOutcome run;
  std::vector<std::string> lines;  // the root's path left out
  std::vector<std::string> base;
  std::vector<std::string> target;
  std::uint64_t copiedToTarget = 0;
  std::uint64_t bytesToTarget = 0;
  std::uint64_t copiedToBase = 0;
  std::uint64_t failures = 0;
  bool hardLinkKept = false;
};

std::vector<std::string> Listed(const std::string& root) {
  std::vector<std::string> out;
  for (const TreeEntry& entry : ReadTree(root))
    out.push_back(entry.path + "|" + entry.content.value_or("<folder>") + "|" + std::to_string(entry.mtime.sec) +
                  "." + std::to_string(entry.mtime.nsec));
  return out;
}

// Builds the same pair of trees in `root` and syncs it. The changed file is
// written over while the comparison runs, after the scan saw it.
Outcome SyncPair(const std::string& root, ScanLookUps copies, int cancelAtPoll) {
  const std::string base = root + "/base";
  const std::string target = root + "/target";
  MakeFolder(base, Time(kT));
  MakeFolder(target, Time(kT));
  // Many folders the target lacks, each needed by several copies at once.
  for (int d = 0; d < 6; ++d) {
    const std::string folder = base + "/new/d" + std::to_string(d);
    for (int f = 0; f < 6; ++f)
      WriteFile(folder + "/f" + std::to_string(f), std::string(100 * f, 'x'), Time(kT + d, f));
    SetTime(folder, Time(kT - d));
  }
  SetTime(base + "/new", Time(kT - 10));
  for (int f = 0; f < 20; ++f) {
    const std::string name = "/top" + std::to_string(f);
    WriteFile(base + name, "base " + std::to_string(f), Time(kT + 10));
    WriteFile(target + name, "target", Time(kT + (f % 3 == 0 ? 20 : 5)));  // a third go the other way
  }
  WriteFile(base + "/changed", "seen by the scan", Time(kT + 30));
  WriteFile(target + "/gone1", "g", Time(kT));
  WriteFile(base + "/hard1", "two names", Time(kT));
  EXPECT_EQ(::link((base + "/hard1").c_str(), (base + "/hard2").c_str()), 0);

  EngineRig rig;
  rig.engine.SetConcurrentCopies(copies);
  engine::CCondition condition = MakeCondition(base, target);
  condition.Complete = 1;
  rig.host.conditions = {condition};
  int judged = 0;
  rig.progress.cancelWhen = [&](engine::RunStatus status, int) {
    if (status != engine::RunStatus::BasePass) return false;
    if (++judged == 1) WriteFile(base + "/changed", "written after the scan", Time(kT + 31));
    return judged == cancelAtPoll;
  };
  Outcome out;
  out.run = rig.engine.RunAllConditions(true);
  for (std::string line : rig.Lines()) {
    const std::size_t at = line.find(root);
    if (at != std::string::npos) line.erase(at, root.size());
    out.lines.push_back(line);
  }
  out.base = Listed(base);
  out.target = Listed(target);
  out.copiedToTarget = rig.engine.LastSummary().toTarget.entries;
  out.bytesToTarget = rig.engine.LastSummary().toTarget.bytes;
  out.copiedToBase = rig.engine.LastSummary().toBase.entries;
  out.failures = rig.engine.LastSummary().failures;
  struct stat one {}, two {};
  out.hardLinkKept = ::stat((target + "/hard1").c_str(), &one) == 0 && ::stat((target + "/hard2").c_str(), &two) == 0 &&
                     one.st_ino == two.st_ino;
  return out;
}

TEST(ConcurrentCopiesTest, PooledSyncMatchesTheSequentialOne) {
  TempDir tmp;
  const Outcome alone = SyncPair(tmp / "alone", ScanLookUps::OneAtATime, -1);
  ASSERT_EQ(alone.run, engine::RunOutcome::Completed);
  // What the table below compares holds what it is meant to.
  EXPECT_EQ(alone.failures, 1u);
  EXPECT_EQ(alone.copiedToTarget, 36u + 13u + 2u);
  EXPECT_EQ(alone.copiedToBase, 7u);
  EXPECT_TRUE(alone.hardLinkKept);
  EXPECT_THAT(alone.lines, ::testing::Contains(::testing::HasSubstr("gone1|")));
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const Outcome pooled = SyncPair(tmp / ("pooled" + std::to_string(round)), ScanLookUps::Concurrent, -1);
    EXPECT_EQ(pooled.run, alone.run);
    EXPECT_EQ(pooled.lines, alone.lines);
    EXPECT_EQ(pooled.base, alone.base);
    EXPECT_EQ(pooled.target, alone.target);
    EXPECT_EQ(pooled.copiedToTarget, alone.copiedToTarget);
    EXPECT_EQ(pooled.bytesToTarget, alone.bytesToTarget);
    EXPECT_EQ(pooled.copiedToBase, alone.copiedToBase);
    EXPECT_EQ(pooled.failures, alone.failures);
    EXPECT_TRUE(pooled.hardLinkKept);
  }
}

TEST(ConcurrentCopiesTest, CancelFinishesWhatIsInFlightAndShowsEveryRow) {
  TempDir tmp;
  const Outcome cut = SyncPair(tmp.Path(), ScanLookUps::Concurrent, 40);
  EXPECT_EQ(cut.run, engine::RunOutcome::Cancelled);
  // Every copy row shows either its copy done, with the file in place, or its
  // mark before the run, with nothing of it written.
  std::size_t done = 0;
  std::size_t newDone = 0;
  for (const std::string& line : cut.lines) {
    const bool copied = line.find("|>=|") != std::string::npos;
    done += copied ? 1 : 0;
    if (line[0] != 'f') continue;
    newDone += copied ? 1 : 0;
    if (!copied) {
      EXPECT_THAT(line, ::testing::HasSubstr("|>>|")) << line;
    }
  }
  std::size_t newFiles = 0;
  for (const std::string& entry : cut.target) newFiles += entry.starts_with("new/d") && entry.find("/f") != std::string::npos;
  EXPECT_GT(done, 0u);
  EXPECT_EQ(done, cut.copiedToTarget);
  EXPECT_EQ(newFiles, newDone);
}

}  // namespace
}  // namespace orvel::test
