// Result marks of list creation on real trees with exact last-write times.
#include "engine_fakes.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace orvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

constexpr std::int64_t kT = 1700000000;  // 2023/11/14 22:13:20 UTC

class ComparisonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  std::string Base() const { return tmp / "base"; }
  std::string Target() const { return tmp / "target"; }
  void Tree(const std::vector<TreeEntry>& base, const std::vector<TreeEntry>& target) {
    MakeFolder(Base(), Time(kT));
    MakeFolder(Target(), Time(kT));
    WriteTree(Base(), base);
    WriteTree(Target(), target);
  }
  CCondition& Condition() {
    if (rig.host.conditions.empty()) rig.host.conditions.push_back(MakeCondition(Base(), Target()));
    return rig.host.conditions[0];
  }
  engine::RunOutcome List() {
    Condition();
    return rig.engine.RunAllConditions(false);
  }

  TempDir tmp;
  EngineRig rig;
};

TEST_F(ComparisonTest, NewerOlderSameAndOneSidedFiles) {
  Tree({{"newer.txt", "b", Time(kT + 5)},
        {"older.txt", "b", Time(kT)},
        {"same.txt", "same", Time(kT, 123)},
        {"base_only.txt", "b", Time(kT)}},
       {{"newer.txt", "t", Time(kT)},
        {"older.txt", "t", Time(kT + 5)},
        {"same.txt", "different size", Time(kT, 123)},
        {"target_only.txt", "t", Time(kT)}});
  ASSERT_EQ(List(), engine::RunOutcome::Completed);
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("newer.txt >", "older.txt <", "same.txt =", "base_only.txt >>",
                                                  "target_only.txt <<"));
  // Dates and paths of one-sided rows.
  for (const auto& line : rig.Lines()) {
    if (line.rfind("base_only.txt|", 0) == 0) {
      EXPECT_EQ(line, "base_only.txt|2023/11/14 22:13:20|>>||" + Base() + "/");
    }
    if (line.rfind("target_only.txt|", 0) == 0) {
      EXPECT_EQ(line, "target_only.txt||<<|2023/11/14 22:13:20|" + Target() + "/");
    }
  }
  // Base rows come before target rows.
  EXPECT_EQ(rig.Results().back(), "target_only.txt <<");
}

TEST_F(ComparisonTest, SameDispOffHidesIdenticalPairs) {
  Tree({{"same.txt", "x", Time(kT)}, {"diff.txt", "x", Time(kT + 1)}},
       {{"same.txt", "x", Time(kT)}, {"diff.txt", "x", Time(kT)}});
  Condition().SameDisp = 0;
  List();
  EXPECT_THAT(rig.Results(), ElementsAre("diff.txt >"));
  // The found counter still counts every base entry looked at.
  EXPECT_EQ(rig.engine.Flags().found, 2u);
}

TEST_F(ComparisonTest, ToleranceRules) {
  Tree({{"half.txt", "x", Time(kT, 600000000)},
        {"five.txt", "x", Time(kT + 5)},
        {"ten.txt", "x", Time(kT + 10)},
        {"cross.txt", "x", Time(kT + 1, 100000000)}},
       {{"half.txt", "x", Time(kT, 100000000)},
        {"five.txt", "x", Time(kT)},
        {"ten.txt", "x", Time(kT)},
        {"cross.txt", "x", Time(kT, 900000000)}});
  // Without tolerance full resolution decides.
  List();
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("half.txt >", "five.txt >", "ten.txt >", "cross.txt >"));

  // Tolerance 1 s: half a second within one second is "=" as a row mark but still shows ">";
  // 0.2 s across a second boundary is one whole second apart and so not within.
  Condition().DiffTime = 1;
  Condition().DiffSel = 0;
  List();
  ASSERT_EQ(rig.items.ItemCount(), 4);
  for (int i = 0; i < 4; ++i) {
    const auto name = rig.items.ItemText(i, 0);
    EXPECT_EQ(rig.items.ItemText(i, 2), ">") << name;
    EXPECT_EQ(rig.MarkOf(i), name == "half.txt" ? "=" : ">") << name;
  }

  // Exactly equal to the tolerance is not within it.
  Condition().DiffTime = 5;
  Condition().DiffSel = 0;
  Condition().SameDisp = 0;
  List();
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("five.txt >", "ten.txt >"));

  // Minutes as the unit; a negative amount counts as no tolerance.
  Condition().DiffTime = 1;
  Condition().DiffSel = 1;
  List();
  EXPECT_TRUE(rig.Results().empty());
  Condition().DiffTime = -5;
  Condition().DiffSel = 0;
  List();
  EXPECT_EQ(rig.items.ItemCount(), 4);
}

TEST_F(ComparisonTest, EmptyFoldersOnBothOrOneSide) {
  Tree({{"both", std::nullopt, Time(kT)}, {"base_empty", std::nullopt, Time(kT + 60)}, {"full/a.txt", "a", Time(kT)}},
       {{"both", std::nullopt, Time(kT)}, {"target_empty", std::nullopt, Time(kT)}, {"full/a.txt", "a", Time(kT)}});
  Condition().SameDisp = 0;
  List();
  EXPECT_TRUE(rig.Results().empty()) << "folders take part only with the empty-folder option";

  Condition().EmptyFolder = 1;
  List();
  EXPECT_THAT(rig.Lines(), ElementsAre("base_empty|2023/11/14 22:14:20|>>||" + Base() + "/",
                                       "target_empty||<<|2023/11/14 22:13:20|" + Target() + "/"));
  Condition().Complete = 1;
  List();
  EXPECT_THAT(rig.Results(), ElementsAre("base_empty >>", "target_empty X"));
}

TEST_F(ComparisonTest, FileFacingFolderOfTheSameName) {
  Tree({{"thing", "file", Time(kT)}, {"other/x.txt", "x", Time(kT)}},
       {{"thing/inner.txt", "x", Time(kT)}, {"other", "file", Time(kT)}});
  Condition().SameDisp = 0;
  List();
  // The base file faces a folder: ">>"; the target file faces a folder: "<<";
  // the files inside the folders are one-sided.
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("thing >>", "x.txt >>", "inner.txt <<", "other <<"));
}

TEST_F(ComparisonTest, CompleteModeMarksTargetOnlyEntriesForDeletion) {
  Tree({{"a.txt", "a", Time(kT)}}, {{"a.txt", "a", Time(kT)}, {"sub/gone.txt", "g", Time(kT)}});
  Condition().Complete = 1;
  Condition().SameDisp = 0;
  List();
  ASSERT_THAT(rig.Results(), ElementsAre("gone.txt X"));
  EXPECT_EQ(rig.items.ItemText(0, 4), Target() + "/sub/");
}

TEST_F(ComparisonTest, ExtensionFilters) {
  Tree({{"a.EXE", "", Time(kT)},
        {"b.exe", "", Time(kT)},
        {"c.Com", "", Time(kT)},
        {"d.txt", "", Time(kT)},
        {"README", "", Time(kT)},
        {"sub/e.exe", "", Time(kT)},
        {"emptydir", std::nullopt, Time(kT)}},
       {});
  Condition().ChkExt = 1;
  Condition().Ext = "exe  com";
  Condition().EmptyFolder = 1;
  List();
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("a.EXE >>", "b.exe >>", "c.Com >>", "e.exe >>", "emptydir >>"));

  // ChkExt wins over ChkNoExt; a name without a dot is its own extension.
  Condition().ChkNoExt = 1;
  Condition().NoExt = "EXE";
  List();
  EXPECT_EQ(rig.items.ItemCount(), 5);
  Condition().ChkExt = 0;
  Condition().NoExt = "exe readme";
  List();
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("c.Com >>", "d.txt >>", "emptydir >>"));
  // Dots and commas never match.
  Condition().ChkExt = 1;
  Condition().Ext = ".txt,com";
  List();
  EXPECT_THAT(rig.Results(), ElementsAre("emptydir >>"));
}

TEST_F(ComparisonTest, SubfoldersOffListsOnlyTheTopLevel) {
  Tree({{"a.txt", "", Time(kT)}, {"sub/b.txt", "", Time(kT)}, {"empty", std::nullopt, Time(kT)}}, {});
  Condition().SubFolder = 0;
  List();
  EXPECT_THAT(rig.Results(), ElementsAre("a.txt >>"));
  Condition().EmptyFolder = 1;
  List();
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("a.txt >>", "empty >>"));
}

TEST_F(ComparisonTest, HiddenFilesAndRecycleBinFolders) {
  Tree({{".hidden", "", Time(kT)},
        {".Trash-1000/files/x.txt", "", Time(kT)},
        {".trash/y.txt", "", Time(kT)},
        {".Trash-abc/z.txt", "", Time(kT)},
        {"only_hidden/.h", "", Time(kT)},
        {".Trash-0", std::nullopt, Time(kT)}},
       {});
  Condition().EmptyFolder = 1;
  List();
  // Recycle-bin folders are skipped, but an empty one is still an empty folder;
  // a folder holding only a hidden file is not empty.
  EXPECT_THAT(rig.Results(), UnorderedElementsAre(".hidden >>", "z.txt >>", ".h >>", ".Trash-0 >>"));

  Condition().RecyclerFolder = 0;
  List();
  EXPECT_THAT(rig.Results(),
              UnorderedElementsAre(".hidden >>", "x.txt >>", "y.txt >>", "z.txt >>", ".h >>", ".Trash-0 >>"));
}

TEST_F(ComparisonTest, RecycleBinRootListsNothing) {
  MakeFolder(tmp / ".Trash-1000", Time(kT));
  WriteFile(tmp / ".Trash-1000/a.txt", "a", Time(kT));
  MakeFolder(Target(), Time(kT));
  rig.host.conditions.push_back(MakeCondition(tmp / ".Trash-1000", Target()));
  rig.engine.RunAllConditions(false);
  EXPECT_TRUE(rig.Results().empty());
}

TEST_F(ComparisonTest, SymbolicLinksAreEntriesAndNeverFollowed) {
  Tree({{"real/a.txt", "a", Time(kT)}}, {{"real/a.txt", "a", Time(kT)}});
  ASSERT_EQ(::symlink("..", (Base() + "/real/loop").c_str()), 0);
  ASSERT_EQ(::symlink("a.txt", (Base() + "/real/link").c_str()), 0);
  Condition().SameDisp = 0;
  List();
  EXPECT_THAT(rig.Results(), UnorderedElementsAre("loop >>", "link >>"));
}

TEST_F(ComparisonTest, ItemDataNamesTheRowAndFolderPathsAreShared) {
  Tree({{"d/a", "", Time(kT)}, {"d/b", "", Time(kT)}, {"c", "", Time(kT)}}, {});
  List();
  ASSERT_EQ(rig.items.ItemCount(), 3);
  for (int i = 0; i < 3; ++i) {
    const auto& row = rig.rows.Row(rig.items.ItemData(i));
    const std::string name(rig.rows.Name(row));
    EXPECT_EQ(name, rig.items.ItemText(i, 0));
    EXPECT_EQ(rig.rows.BaseFolder(row) + name, Base() + "/" + (name == "c" ? "" : "d/") + name);
    EXPECT_EQ(rig.rows.TargetFolder(row), Target() + "/" + (name == "c" ? "" : "d/"));
  }
  const auto& a = rig.rows.Row(0);
  const auto& b = rig.rows.Row(1);
  if (rig.rows.Name(a) != "c" && rig.rows.Name(b) != "c") {
    EXPECT_EQ(a.folder, b.folder);  // one folder pair for both rows
  }
}

}  // namespace
}  // namespace orvel::test
