// The plan of a list (what a sync run would do with it) and the summary of the
// run that does it, on real files whose sizes the scan carries into the rows.
#include "engine/amounts.h"
#include "engine/run_plan.h"
#include "engine_fakes.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1700000000;

TEST(RunPlanTest, ThePlanOfAListIsWhatTheSyncRunThenDoes) {
  TempDir tmp;
  const std::string base = tmp / "base", target = tmp / "target";
  WriteFile(base + "/newer.txt", "12345", Time(kT + 10));          // > : 5 bytes to the target
  WriteFile(target + "/newer.txt", "1", Time(kT));
  WriteFile(base + "/sub/only.txt", "1234567", Time(kT));           // >> : 7 bytes
  WriteFile(target + "/older.txt", "abc", Time(kT + 10));           // < : 3 bytes to the base
  WriteFile(base + "/older.txt", "abcdefgh", Time(kT));
  WriteFile(target + "/gone1.txt", "x", Time(kT));                  // X
  WriteFile(target + "/gone2.txt", "y", Time(kT));                  // X
  WriteFile(base + "/locked.txt", "new", Time(kT + 10));            // > onto a read-only file: "?"
  WriteFile(target + "/locked.txt", "old", Time(kT));
  WriteFile(base + "/within.txt", "tolerance", Time(kT + 1));       // shows ">", copies nothing
  WriteFile(target + "/within.txt", "t", Time(kT));
  ASSERT_EQ(::chmod((target + "/locked.txt").c_str(), 0444), 0);
  EngineRig rig;
  CCondition condition = MakeCondition(base, target);
  condition.Complete = 1;
  condition.DiffTime = 2;
  rig.host.conditions = {condition};

  ASSERT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  // The plan asks each condition, by its index, where its deletions go.
  const engine::RunPlan plan = rig.engine.Plan(1, [](int index) { return index == 0; });
  EXPECT_EQ(plan.toTarget, (engine::CopyFigures{3, 5 + 7 + 3}));
  EXPECT_EQ(plan.toBase, (engine::CopyFigures{1, 3}));
  EXPECT_EQ(plan.inTarget, (engine::DeletionFigures{2, 0}));
  EXPECT_EQ(plan.inBase.Total(), 0u);
  EXPECT_EQ(plan.conditions, 1);
  EXPECT_EQ(rig.engine.Plan(1, [](int) { return false; }).inTarget, (engine::DeletionFigures{0, 2}));

  ASSERT_EQ(rig.engine.RunAllConditions(true, plan.Bytes()), engine::RunOutcome::Completed);
  const engine::RunSummary& done = rig.engine.LastSummary();
  EXPECT_EQ(done.kind, engine::RunKind::SyncRun);
  EXPECT_EQ(done.toTarget, (engine::CopyFigures{2, 12}));  // the read-only one failed
  EXPECT_EQ(done.toBase, (engine::CopyFigures{1, 3}));
  EXPECT_EQ(done.inTarget, (engine::DeletionFigures{0, 2}));  // the condition's deletions are for good
  EXPECT_EQ(done.failures, 1u);
  EXPECT_FALSE(done.cancelled);
  EXPECT_EQ(done.rows, static_cast<std::uint64_t>(rig.items.ItemCount()));

  // The list the run left: executed rows plan nothing, the failure stays one.
  const engine::RunPlan after = rig.engine.Plan(1, {});
  EXPECT_EQ(after.toTarget.entries + after.toBase.entries + after.inTarget.Total(), 0u);
  EXPECT_EQ(after.failures, 1u);
}

// Each condition's deletions go where its own setting says, and a folder never
// goes to the trash, in the plan and in what the run then counts.
TEST(RunPlanTest, DeletionsFollowTheirConditionsTrashSettingAndFoldersNeverGoThere) {
  TempDir tmp;
  EngineRig rig;
  for (const char* side : {"one", "two"}) {
    WriteFile(tmp / (std::string(side) + "/base/keep.txt"), "k", Time(kT));
    WriteFile(tmp / (std::string(side) + "/target/gone.txt"), "x", Time(kT));
    MakeFolder(tmp / (std::string(side) + "/target/empty"), Time(kT));
    CCondition condition = MakeCondition(tmp / (std::string(side) + "/base"), tmp / (std::string(side) + "/target"));
    condition.Complete = 1;
    condition.EmptyFolder = 1;
    rig.host.conditions.push_back(condition);
  }
  ASSERT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  EXPECT_EQ(rig.engine.Plan(2, [](int index) { return index == 0; }).inTarget, (engine::DeletionFigures{1, 3}));
  EXPECT_EQ(rig.engine.Plan(2, [](int index) { return index == 1; }).inTarget, (engine::DeletionFigures{1, 3}));

  // Folders only: the run to the trash deletes them for good.
  for (const char* side : {"one", "two"}) std::remove((tmp / (std::string(side) + "/target/gone.txt")).c_str());
  for (CCondition& condition : rig.host.conditions) condition.DeleteTrash = 1;
  ASSERT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Completed);
  EXPECT_EQ(rig.engine.LastSummary().inTarget, (engine::DeletionFigures{0, 2}));
}

TEST(RunPlanTest, SizesJustBelowAUnitReadInTheNextOne) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {1023, "1023 B"}, {1024, "1.0 KiB"}, {1048524, "1023.9 KiB"}, {1048575, "1.0 MiB"}, {1048576, "1.0 MiB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(engine::BytesText(bytes), text) << bytes;
}

TEST(RunPlanTest, FiguresTellTheTimeLeftOnlyOnceItCanBeEstimated) {
  engine::RowStore rows;
  engine::ResultItems items(rows);
  engine::RunFlags flags;
  engine::RunMeter meter(rows, items, flags, [] { return false; });
  const auto start = engine::RunMeter::Clock::now();
  meter.Begin(engine::RunKind::SyncRun, 1000);
  flags.listed = 100;
  flags.judged = 10;
  EXPECT_FALSE(meter.FiguresAt(start).timeLeft);  // the work starts being watched here
  EXPECT_FALSE(meter.FiguresAt(start + std::chrono::seconds(3)).timeLeft);
  // Nothing copied yet: the entries still to judge at the pace so far.
  EXPECT_EQ(meter.FiguresAt(start + std::chrono::seconds(6)).timeLeft, std::chrono::seconds(54));
  EXPECT_EQ(engine::BytesText(1536), "1.5 KiB");
  EXPECT_EQ(engine::DurationText(std::chrono::seconds(3723)), "1:02:03");
}

TEST(RunPlanTest, EstimatesWaitUntilTheyAreStable) {
  using S = std::chrono::duration<double>;
  constexpr std::uint64_t kMiB = 1024 * 1024;
  struct Case {
    const char* what;
    double elapsed, working;
    std::uint64_t done, found, copied, planned;
    std::optional<std::int64_t> left;  // seconds
    std::optional<double> bar;         // the share the bar shows, where bytes dominate
  };
  const Case cases[] = {
      // A mixed run three seconds in: 4 KiB of 480 MiB, most small entries judged.
      {"too early", 3, 3, 620, 1000, 4096, 480 * kMiB, std::nullopt, 0.0714},
      {"too few bytes", 8, 8, 620, 1000, 4096, 480 * kMiB, std::nullopt, 0.0714},
      {"bytes dominate", 10, 10, 1000, 1000, 240 * kMiB, 480 * kMiB, 8, 0.5576},
      {"entries dominate", 6, 6, 50, 100, 10, 20, 6, std::nullopt},
      {"few entries judged", 60, 60, 4, 100, 0, 0, std::nullopt, std::nullopt},
      {"nothing planned", 6, 6, 1, 4, 0, 0, 18, std::nullopt},
      {"more copied than planned", 6, 6, 10, 10, 900 * kMiB, 480 * kMiB, 0, 1.0},
  };
  for (const Case& c : cases) {
    const engine::ProgressEstimate e =
        engine::EstimateProgress({S(c.elapsed), S(c.working), c.done, c.found, c.copied, c.planned});
    EXPECT_EQ(e.timeLeft ? std::optional(e.timeLeft->count()) : std::nullopt, c.left) << c.what;
    EXPECT_EQ(e.workDone.has_value(), c.bar.has_value()) << c.what;
    EXPECT_NEAR(e.workDone.value_or(-1), c.bar.value_or(-1), 0.001) << c.what;
    // Never more than nineteen times the time worked.
    EXPECT_LE(e.timeLeft.value_or(std::chrono::seconds(0)).count(), 19 * c.working + 1) << c.what;
  }
}

}  // namespace
}  // namespace orvel::test
