// The run over all conditions: order, validation, messages, progress and cancel.
#include "engine/list_creation_run.h"
#include "engine_fakes.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;

constexpr std::int64_t kT = 1700000000;

class ListCreationRunTest : public ::testing::Test {
 protected:
  // A pair of folders "<name>_base" and "<name>_target" with the given base files.
  CCondition Pair(const std::string& name, const std::vector<std::string>& baseFiles) {
    MakeFolder(tmp / (name + "_base"), Time(kT));
    MakeFolder(tmp / (name + "_target"), Time(kT));
    for (const auto& f : baseFiles) WriteFile(tmp / (name + "_base/" + f), f, Time(kT));
    CCondition c = MakeCondition(tmp / (name + "_base"), tmp / (name + "_target"));
    c.Name = name;
    return c;
  }

  TempDir tmp;
  EngineRig rig;
};

TEST_F(ListCreationRunTest, ConditionsRunInOrderAndTheCurrentOneIsShownAgain) {
  rig.host.conditions = {Pair("one", {"a1"}), Pair("two", {"b1", "b2"})};
  rig.host.current = 0;
  // Lines are painted whenever the display turns, also while the names move.
  rig.progress.onPulse = [this] { rig.Results(); };
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), ElementsAre("a1 >>", "b1 >>", "b2 >>"));
  EXPECT_THAT(rig.host.begun, ElementsAre(0, 1));
  EXPECT_THAT(rig.progress.conditionNames, ElementsAre("one", "two"));
  EXPECT_EQ(rig.host.endRuns, 1);
  EXPECT_EQ(rig.host.working.Name, "one");
  EXPECT_EQ(rig.progress.opens, 1);
  EXPECT_EQ(rig.progress.closes, 1);
  EXPECT_FALSE(rig.engine.Busy());
  EXPECT_TRUE(rig.prompt.ids.empty());

  // The next run empties the list first.
  rig.host.conditions.pop_back();
  rig.engine.RunAllConditions(false);
  EXPECT_THAT(rig.Results(), ElementsAre("a1 >>"));
}

TEST_F(ListCreationRunTest, MissingBaseFolderEndsTheRunAfterItsMessage) {
  CCondition broken = MakeCondition(tmp / "nowhere", tmp / "t");
  rig.host.conditions = {Pair("one", {"a1"}), broken, Pair("three", {"c1"})};
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Stopped);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::BaseMissing));
  EXPECT_THAT(rig.Results(), ElementsAre("a1 >>"));
  EXPECT_THAT(rig.host.begun, ElementsAre(0, 1));
  EXPECT_EQ(rig.host.endRuns, 1);
  EXPECT_EQ(rig.progress.closes, 1);
  EXPECT_FALSE(rig.engine.Busy());

  // An empty base folder text is missing too, and so is a file named as the
  // base folder: complete sync would otherwise empty the target.
  WriteFile(tmp / "a_file", "x", Time(kT));
  WriteFile(tmp / "one_target/precious", "p", Time(kT));
  for (const std::string& base : {std::string(), tmp / "a_file"}) {
    rig.prompt.ids.clear();
    rig.host.conditions = {MakeCondition(base, tmp / "one_target")};
    rig.host.conditions[0].Complete = 1;
    EXPECT_EQ(rig.engine.RunAllConditions(true), engine::RunOutcome::Stopped) << base;
    EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::BaseMissing));
    EXPECT_EQ(ReadFile(tmp / "one_target/precious"), "p");
  }
}

TEST_F(ListCreationRunTest, MissingTargetFolderIsCreatedOnlyOnYes) {
  CCondition c = Pair("one", {"a1"});
  c.BFolder = tmp / "new/deeper/target";
  rig.host.conditions = {c};

  rig.prompt.answers = {false};
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Stopped);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::TargetMissingAsk));
  EXPECT_FALSE(Exists(tmp / "new"));
  EXPECT_EQ(rig.items.ItemCount(), 0);

  rig.prompt.ids.clear();
  rig.prompt.answers = {true};
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::TargetMissingAsk));
  EXPECT_TRUE(Exists(tmp / "new/deeper/target"));
  EXPECT_THAT(rig.Results(), ElementsAre("a1 >>"));
}

TEST_F(ListCreationRunTest, TargetThatCannotBeCreatedOrIsAFile) {
  CCondition c = Pair("one", {"a1"});
  WriteFile(tmp / "file", "x", Time(kT));
  c.BFolder = tmp / "file/below";
  rig.host.conditions = {c};
  rig.prompt.answers = {true};
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Stopped);
  EXPECT_THAT(rig.prompt.ids,
              ElementsAre(engine::RunMessage::TargetMissingAsk, engine::RunMessage::TargetCannotCreate));

  rig.prompt.ids.clear();
  rig.host.conditions[0].BFolder = tmp / "file";
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Stopped);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::TargetNotFolder));
}

TEST_F(ListCreationRunTest, EqualFoldersAreRefusedNestedOnesAccepted) {
  CCondition c = Pair("one", {"a1"});
  c.BFolder = c.AFolder + "/";
  rig.host.conditions = {c};
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Stopped);
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::SameFolders));

  // A base folder inside the target passes; the comparison just runs.
  rig.prompt.ids.clear();
  MakeFolder(tmp / "one_base/inner", Time(kT));
  rig.host.conditions[0] = MakeCondition(tmp / "one_base/inner", tmp / "one_base");
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  EXPECT_TRUE(rig.prompt.ids.empty());
  EXPECT_THAT(rig.Results(), ElementsAre("a1 <<"));
}

TEST_F(ListCreationRunTest, PercentPositionsOfTheBasePass) {
  CCondition c = Pair("one", {});
  c.EmptyFolder = 1;
  c.SameDisp = 0;
  c.SubFolder = 0;
  for (int i = 0; i < 4; ++i) {
    MakeFolder(tmp / ("one_base/d" + std::to_string(i)), Time(kT));
    WriteFile(tmp / ("one_base/f" + std::to_string(i)), "x", Time(kT));
    MakeFolder(tmp / ("one_target/d" + std::to_string(i)), Time(kT));
    WriteFile(tmp / ("one_target/f" + std::to_string(i)), "x", Time(kT));
  }
  rig.host.conditions = {c};
  rig.engine.RunAllConditions(false);
  EXPECT_THAT(rig.progress.positions,
              ElementsAre(25, 50, 50, 53, 56, 59, 62, 65, 68, 71, 75, 78, 81, 84, 87, 90, 93, 96));
  EXPECT_EQ(rig.engine.Flags().found, 8u);
  EXPECT_EQ(rig.items.ItemCount(), 0);
}

TEST_F(ListCreationRunTest, CancelDuringTheBaseFolderLoopEndsOnlyThatLoop) {
  CCondition c = Pair("one", {"a1", "a2"});
  c.EmptyFolder = 1;
  MakeFolder(tmp / "one_base/e1", Time(kT));
  MakeFolder(tmp / "one_base/e2", Time(kT));
  MakeFolder(tmp / "one_target/t_empty", Time(kT));
  CCondition second = Pair("two", {"b1"});
  rig.host.conditions = {c, second};
  bool done = false;
  rig.progress.cancelWhen = [&](engine::RunStatus status, int) {
    if (done || status != engine::RunStatus::BasePass) return false;
    return done = true;
  };
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Cancelled);
  // One base folder judged, all base files still compared, no target-only
  // empty folder listed for that condition, the next condition in full.
  auto results = rig.Results();
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].substr(results[0].size() - 2), ">>");
  EXPECT_TRUE(results[0].rfind("e", 0) == 0);
  std::sort(results.begin() + 1, results.begin() + 3);
  EXPECT_THAT(results, ElementsAre(results[0], "a1 >>", "a2 >>", "b1 >>"));
}

TEST_F(ListCreationRunTest, CancelDuringAScanStopsListingForTheRestOfTheRun) {
  CCondition first = Pair("one", {"a1", "a2"});
  CCondition second = Pair("two", {"b1"});
  second.BFolder = tmp / "two_missing_target";
  rig.host.conditions = {first, second};
  rig.prompt.answers = {true};
  rig.progress.cancelWhen = [](engine::RunStatus status, int poll) { return status == engine::RunStatus::Searching && poll == 1; };
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Cancelled);
  EXPECT_EQ(rig.items.ItemCount(), 0);
  // The later condition is still validated, and may still ask.
  EXPECT_THAT(rig.prompt.ids, ElementsAre(engine::RunMessage::TargetMissingAsk));
  EXPECT_TRUE(Exists(tmp / "two_missing_target"));
  EXPECT_FALSE(rig.engine.Busy());
}

TEST_F(ListCreationRunTest, EmptySetOpensAndClosesTheProgress) {
  EXPECT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  EXPECT_EQ(rig.progress.opens, 1);
  EXPECT_EQ(rig.progress.closes, 1);
  EXPECT_EQ(rig.host.endRuns, 1);
}

TEST_F(ListCreationRunTest, VanishedFolderAndOddNamesDoNotStopTheRun) {
  CCondition c = Pair("one", {"ok.txt"});
  WriteFile(tmp / std::string("one_base/line\nbreak"), "x", Time(kT));
  WriteFile(tmp / std::string("one_base/bad\xff\xfe"), "x", Time(kT));
  ASSERT_EQ(::mkfifo((tmp / "one_base/fifo").c_str(), 0644), 0);
  rig.host.conditions = {c};
  rig.engine.RunAllConditions(false);
  EXPECT_THAT(rig.Results(),
              ::testing::UnorderedElementsAre("ok.txt >>", "line\nbreak >>", "bad\xff\xfe >>", "fifo >>"));
  // A sync copies what it can and marks the FIFO as failed without blocking.
  rig.engine.RunAllConditions(true);
  EXPECT_THAT(rig.Results(),
              ::testing::UnorderedElementsAre("ok.txt >=", "line\nbreak >=", "bad\xff\xfe >=", "fifo ?"));
  EXPECT_EQ(ReadFile(tmp / std::string("one_target/bad\xff\xfe")), "x");
}

TEST_F(ListCreationRunTest, LongPathsWork) {
  CCondition c = Pair("one", {});
  std::string rel;
  while (rel.size() < 3900) rel += std::string(100, 'd') + "/";
  WriteFile(tmp / ("one_base/" + rel + "deep.txt"), "x", Time(kT));
  rig.host.conditions = {c};
  rig.engine.RunAllConditions(false);
  EXPECT_THAT(rig.Results(), ElementsAre("deep.txt >>"));
}

}  // namespace
}  // namespace orvel::test
