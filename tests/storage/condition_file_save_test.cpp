#include "platform/file_system.h"
#include "storage/condition_file.h"

#include "condition_fields.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::FolderNames;
using test::ModeOf;
using test::SampleCondition;

TEST(ConditionFileFormat, WritesTheCodedLayoutByteForByte) {
  CCondition c;
  c.Name = "新規";
  c.AFolder = "D:\\Data\\";
  c.BFolder = "E:\\Backup\\";
  CConditionSet set;
  set.Add(c);
  EXPECT_EQ(FormatConditionFile(set),
            "171\r\n// 新規\r\n01D:\\Data\\\r\n02E:\\Backup\\\r\n031\r\n041\r\n050\r\n06\r\n070\r\n080\r\n"
            "09\r\n100\r\n110\r\n120\r\n131\r\n140\r\n");

  set.Clear();
  CCondition negative;
  negative.DiffTime = -15;
  negative.DiffSel = 3;
  set.Add(negative);
  const std::string text = FormatConditionFile(set);
  EXPECT_NE(text.find("\r\n10-15\r\n113\r\n"), std::string::npos);
}

TEST(ConditionFileSave, ThreeConditionsSurviveSaveAndLoad) {
  CConditionSet set;
  set.Add(SampleCondition("first", 1));
  CCondition japanese = SampleCondition("データ同期 ", 2);  // trailing blank in the name
  japanese.AFolder = "/home/user/データ/";
  japanese.BFolder = "/media/バックアップ ";
  set.Add(japanese);
  set.Add(SampleCondition("first", 3));  // a repeated name

  test::TempDir dir;
  const std::string path = dir / "three.ORV";
  const SaveResult result = SaveConditionFile(path, set);
  ASSERT_TRUE(result) << result.detail;
  EXPECT_EQ(test::ReadFile(path), FormatConditionFile(set));
  EXPECT_TRUE(test::ReadFile(path).starts_with(std::to_string(kConditionFileVersion) + "\r\n"));

  CConditionSet loaded;
  loaded.Add(SampleCondition("replaced", 9));
  ASSERT_TRUE(LoadConditionFile(path, loaded));
  ASSERT_EQ(loaded.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ExpectSameCondition(loaded.Get(i), set.Get(i));
  }
}

TEST(ConditionFileSave, ASuccessfulSaveReplacesTheFileAndKeepsItsPermissions) {
  test::TempDir dir;
  const std::string path = dir / "cond.ORV";
  test::WriteFile(path, "old content", test::Time(1000));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

  CConditionSet set;
  set.Add(SampleCondition("new", 1));
  ASSERT_TRUE(SaveConditionFile(path, set));
  EXPECT_EQ(test::ReadFile(path), FormatConditionFile(set));
  EXPECT_EQ(ModeOf(path) & 07777, 0640u);
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"cond.ORV"});
}

TEST(ConditionFileSave, ANewFileGetsTheUsualPermissions) {
  // The mode a new file gets from the process's umask, not the private mode of
  // the temp file it was written as. (The umask is read once per process, so
  // the test does not change it: other tests in the same process may have read it.)
  test::TempDir dir;
  CConditionSet set;
  set.Add(SampleCondition("new", 1));
  const SaveResult result = SaveConditionFile(dir / "new.ORV", set);
  ASSERT_TRUE(result) << result.detail;
  EXPECT_EQ(ModeOf(dir / "new.ORV") & 07777, 0666u & ~platform::ProcessUmask());
}

TEST(ConditionFileSave, ALinkAtThePathIsReplacedNotFollowed) {
  test::TempDir dir;
  test::WriteFile(dir / "target.ORV", "target content", test::Time(1000));
  ASSERT_EQ(::symlink("target.ORV", (dir / "link.ORV").c_str()), 0);

  CConditionSet set;
  set.Add(SampleCondition("linked", 1));
  ASSERT_TRUE(SaveConditionFile(dir / "link.ORV", set));
  EXPECT_TRUE(S_ISREG(ModeOf(dir / "link.ORV")));
  EXPECT_EQ(test::ReadFile(dir / "link.ORV"), FormatConditionFile(set));
  EXPECT_EQ(test::ReadFile(dir / "target.ORV"), "target content");
}

TEST(ConditionFileSave, AFailedSaveKeepsTheOldFileAndReportsWhy) {
  test::TempDir dir;
  CConditionSet set;
  set.Add(SampleCondition("c", 1));

  // The destination is a folder with something in it: the rename fails.
  test::WriteFile(dir / "busy.ORV/inside", "kept", test::Time(1000));
  SaveResult result = SaveConditionFile(dir / "busy.ORV", set);
  EXPECT_EQ(result.error, SaveError::WriteFailed);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.errorNumber, EISDIR);
  EXPECT_FALSE(result.detail.empty());
  EXPECT_EQ(test::ReadFile(dir / "busy.ORV/inside"), "kept");
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"busy.ORV"});

  // The folder of the path is a file: no temporary file can be made.
  test::WriteFile(dir / "plain", "file content", test::Time(1000));
  result = SaveConditionFile(dir / "plain/cond.ORV", set);
  EXPECT_EQ(result.error, SaveError::WriteFailed);
  EXPECT_EQ(result.errorNumber, ENOTDIR);
  EXPECT_EQ(test::ReadFile(dir / "plain"), "file content");
}

TEST(ConditionFileSave, ALineBreakInAValueIsRefusedAndTheOldFileStays) {
  test::TempDir dir;
  const std::string path = dir / "cond.ORV";
  test::WriteFile(path, "previous", test::Time(1000));

  CCondition folder = SampleCondition("broken folder", 2);
  folder.BFolder = "/target\nwith break";
  CCondition name = SampleCondition("two\rlines", 3);
  for (const CCondition& bad : {folder, name}) {
    CConditionSet set;
    set.Add(SampleCondition("fine", 1));
    set.Add(bad);
    const SaveResult result = SaveConditionFile(path, set);
    EXPECT_EQ(result.error, SaveError::LineBreakInValue);
    EXPECT_EQ(result.detail, bad.Name);
    EXPECT_EQ(test::ReadFile(path), "previous");
  }
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"cond.ORV"});
}

}  // namespace
}  // namespace orvel::storage
