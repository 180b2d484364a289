// Run values derived from a condition, and the folder helper of the run.
#include "engine/run_values.h"
#include "engine/ensure_folder_path.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using engine::CCondition;

TEST(RunValues, FoldersGetOneSeparatorAndTheConditionKeepsItsForm) {
  CCondition c;
  c.AFolder = "/work";
  c.BFolder = "/backup/";
  const auto v = engine::DeriveRunValues(c);
  EXPECT_EQ(v.aFolder, "/work/");
  EXPECT_EQ(v.bFolder, "/backup/");
  EXPECT_EQ(c.AFolder, "/work");
}

TEST(RunValues, ExtensionListsAreUpperCasedTrimmedAndWrapped) {
  EXPECT_EQ(engine::NormaliseExtensionList("  exe  com\t"), " EXE  COM ");
  EXPECT_EQ(engine::NormaliseExtensionList(""), "  ");
  EXPECT_EQ(engine::UpperCase("ａｂｃ αβ жё é"), "ＡＢＣ ΑΒ ЖЁ É");
  EXPECT_EQ(engine::UpperCase("bad\xff\xfe tail"), "BAD\xff\xfe TAIL");
}

TEST(RunValues, ToleranceUnitsAndOddValues) {
  EXPECT_EQ(engine::ToleranceSeconds(2, 1), 120);
  EXPECT_EQ(engine::ToleranceSeconds(3, 2), 3 * 3600);
  EXPECT_EQ(engine::ToleranceSeconds(40000, 3), 40000LL * 86400);  // beyond 32 bits
  EXPECT_EQ(engine::ToleranceSeconds(5, 7), 0);
  EXPECT_EQ(engine::ToleranceSeconds(-5, 0), 0);
}

TEST(RunValues, ExtensionTest) {
  CCondition c;
  c.ChkExt = 1;
  c.Ext = "exe  com";
  auto v = engine::DeriveRunValues(c);
  EXPECT_TRUE(engine::ExtensionTest(v, "a.EXE"));
  EXPECT_TRUE(engine::ExtensionTest(v, "b.exe"));
  EXPECT_TRUE(engine::ExtensionTest(v, "c.Com"));
  EXPECT_FALSE(engine::ExtensionTest(v, "d.txt"));
  EXPECT_FALSE(engine::ExtensionTest(v, "e.ex"));  // whole words only
  EXPECT_TRUE(engine::ExtensionTest(v, "archive.tar.exe"));
  c.Ext = "";
  v = engine::DeriveRunValues(c);
  EXPECT_FALSE(engine::ExtensionTest(v, "a.exe"));
  c.ChkExt = 0;
  c.ChkNoExt = 1;
  c.NoExt = "readme ｔｘｔ";
  v = engine::DeriveRunValues(c);
  EXPECT_FALSE(engine::ExtensionTest(v, "README"));
  EXPECT_FALSE(engine::ExtensionTest(v, "memo.ＴＸＴ"));
  EXPECT_TRUE(engine::ExtensionTest(v, "memo.txt"));
}

TEST(RunValues, ExtensionsMatchInEitherCaseInEveryScript) {
  const struct {
    const char* list;
    const char* name;
    bool matches;
  } cases[] = {
      {"zip", "photos.ZIP", true},
      {"ZIP", "photos.zip", true},
      {"zip", "photos.zi", false},
      {"ǆvu ƀin", "a.ǄVU", true},  // Latin Extended-B
      {"ǆvu ƀin", "a.ɃIN", true},
      {"աբ", "a.ԱԲ", true},  // Armenian
      {"ԱԲ", "a.աբ", true},
      {"ԱԲ", "a.աբգ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.list) + " / " + c.name);
    engine::RunValues v;
    v.chkExt = true;
    v.ext = engine::NormaliseExtensionList(c.list);
    EXPECT_EQ(engine::ExtensionTest(v, c.name), c.matches);
  }
}

TEST(EnsureFolderPath, CreatesMissingParentsAndRefusesBelowAFile) {
  TempDir tmp;
  EXPECT_TRUE(engine::EnsureFolderPath(tmp / "a/b/c/"));
  EXPECT_TRUE(Exists(tmp / "a/b/c"));
  EXPECT_TRUE(engine::EnsureFolderPath(tmp / "a/b/c"));  // already there
  WriteFile(tmp / "file", "x", Time(0));
  EXPECT_FALSE(engine::EnsureFolderPath(tmp / "file/sub/deeper"));
  EXPECT_FALSE(Exists(tmp / "file/sub"));
  EXPECT_FALSE(engine::EnsureFolderPath(tmp / "file"));
  EXPECT_FALSE(engine::EnsureFolderPath(""));
  EXPECT_TRUE(engine::EnsureFolderPath("/"));
}

}  // namespace
}  // namespace orvel::test
