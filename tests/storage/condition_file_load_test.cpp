#include "storage/condition_file.h"

#include "condition_fields.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <random>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::storage {
namespace {

using test::ExpectSameCondition;
using test::SampleCondition;

using namespace std::string_literals;

CConditionSet Parse(const std::string& bytes, const std::string& path = "/x/File.ORV") {
  CConditionSet set;
  ParseConditionFile(bytes, path, set);
  return set;
}

CCondition Named(const std::string& name) {
  CCondition c;
  c.SetName(name);
  return c;
}

TEST(ConditionFileLoad, LegacyLayoutTakesItsNameFromTheFileName) {
  test::TempDir dir;
  const std::string path = dir / "Work.ORV";
  test::WriteFile(path, "/data/\n/backup/\n0\n1\n1\nexe com\n1\n0\nbak\n5\n2\n1\n0\n1\n", test::Time(1000));

  EXPECT_EQ(ReadFileVersion(path), 0);
  CConditionSet set;
  ASSERT_TRUE(LoadConditionFile(path, set));
  ASSERT_EQ(set.Count(), 1);
  CCondition expected = Named("Work");
  expected.SetAFolder("/data/");
  expected.SetBFolder("/backup/");
  expected.SetSubFolder(0);
  expected.SetSameDisp(1);
  expected.SetChkExt(1);
  expected.SetExt("exe com");
  expected.SetComplete(1);
  expected.SetChkNoExt(0);
  expected.SetNoExt("bak");
  expected.SetDiffTime(5, 2);
  expected.SetEmptyFolder(1);
  expected.SetRecyclerFolder(0);
  expected.SetDeleteTrash(1);
  ExpectSameCondition(set.Get(0), expected);
}

TEST(ConditionFileLoad, MissingLegacyLinesCountAsEmptyAndZero) {
  CCondition zero = Named("Empty");
  zero.SetSubFolder(0);
  zero.SetSameDisp(0);
  zero.SetRecyclerFolder(0);
  CConditionSet set = Parse("", "/folder/Empty.ORV");
  ASSERT_EQ(set.Count(), 1);
  ExpectSameCondition(set.Get(0), zero);

  set = Parse("/a\r\n/b\r\n1\r\n1\r\n1", "Five.orv");
  ASSERT_EQ(set.Count(), 1);
  CCondition five = Named("Five");
  five.SetAFolder("/a");
  five.SetBFolder("/b");
  five.SetChkExt(1);
  five.SetRecyclerFolder(0);
  ExpectSameCondition(set.Get(0), five);
}

TEST(ConditionFileLoad, LegacyNamesOfShortOrMultibyteFileNames) {
  EXPECT_EQ(Parse("", "/x/.ORV").Get(0).GetName(), "");
  EXPECT_EQ(Parse("", "/x/a.ORV").Get(0).GetName(), "a");
  EXPECT_EQ(Parse("", "Plain").Get(0).GetName(), "P");
  EXPECT_EQ(Parse("", "/x/設定.ORV").Get(0).GetName(), "設定");
  // Cutting four bytes off "設定abc" would leave half of 定; the whole
  // character goes instead.
  EXPECT_EQ(Parse("", "/x/設定abc").Get(0).GetName(), "設");
}

TEST(ConditionFileLoad, ALegacyFolderStartingWithABigNumberReadsAsCoded) {
  const CConditionSet set = Parse("200/Data\n/target\n1\n1\n0\n");
  ASSERT_EQ(set.Count(), 1);
  ExpectSameCondition(set.Get(0), CCondition());
}

TEST(ConditionFileLoad, VersionLineAloneGivesOneDefaultCondition) {
  for (const std::string bytes : {"171", "171\r\n", "169\n", "  +171abc\n"}) {
    SCOPED_TRACE(bytes);
    const CConditionSet set = Parse(bytes);
    ASSERT_EQ(set.Count(), 1);
    ExpectSameCondition(set.Get(0), CCondition());
  }
  EXPECT_EQ(Parse("168\n").Get(0).GetName(), "File");  // below 169: legacy
}

TEST(ConditionFileLoad, MissingCodesKeepTheDefaults) {
  const CConditionSet set = Parse("171\r\n// partial\r\n01/a\r\n030\r\n130\r\n// sparse\r\n050\r\n070\r\n120\r\n");
  ASSERT_EQ(set.Count(), 2);
  CCondition partial = Named("partial");
  partial.SetAFolder("/a");
  partial.SetSubFolder(0);
  partial.SetRecyclerFolder(0);
  ExpectSameCondition(set.Get(0), partial);
  ExpectSameCondition(set.Get(1), Named("sparse"));  // SubFolder, SameDisp, RecyclerFolder stay 1
}

TEST(ConditionFileLoad, NameLinesNeedTheBlankAndMayBeEmpty) {
  const CConditionSet set = Parse("171\n//skipped\n01/ignored\n// \n01/a\n//late\n// 名前 \n02/b\n");
  ASSERT_EQ(set.Count(), 2);
  CCondition unnamed = Named("");
  unnamed.SetAFolder("/a");
  ExpectSameCondition(set.Get(0), unnamed);
  CCondition named = Named("名前 ");
  named.SetBFolder("/b");
  ExpectSameCondition(set.Get(1), named);
}

TEST(ConditionFileLoad, CodeTenSwallowsTheNextLineEvenANameLine) {
  const CConditionSet set = Parse("171\n// first\n1030\n// second\n07 1\n0214\n// third\n105\n1102\n11 3\n10-7\n");
  ASSERT_EQ(set.Count(), 2);
  CCondition first = Named("first");
  first.SetDiffTime(30, 0);  // "// second" minus two bytes is " second": 0
  first.SetComplete(1);
  first.SetBFolder("14");
  ExpectSameCondition(set.Get(0), first);

  CCondition third = Named("third");
  third.SetDiffTime(-7, 0);  // the last line has no following line: unit 0
  ExpectSameCondition(set.Get(1), third);

  // The unit line's code is not looked at; a later code-10 line overwrites.
  const CConditionSet later = Parse("171\n// t\n105\n992\n1011\nxx3\n");
  EXPECT_EQ(later.Get(0).GetDiffTime(), 11);
  EXPECT_EQ(later.Get(0).GetDiffSel(), 3);
}

TEST(ConditionFileLoad, NumbersAreReadLeniently) {
  const CConditionSet set = Parse(
      "171\n// n\n03 \t+7x\n04-2\n05abc\n07\n0899999999999999999999\n12-99999999999999999999\n"
      "13 -0\n00/unknown\n15/unknown\n-1/unknown\nab/unknown\n1\n");
  const CCondition& c = set.Element(0);
  EXPECT_EQ(c.GetSubFolder(), 7);
  EXPECT_EQ(c.GetSameDisp(), -2);
  EXPECT_EQ(c.GetChkExt(), 0);
  EXPECT_EQ(c.GetComplete(), 0);
  EXPECT_EQ(c.GetChkNoExt(), INT_MAX);
  EXPECT_EQ(c.GetEmptyFolder(), INT_MIN);
  EXPECT_EQ(c.GetRecyclerFolder(), 0);
  EXPECT_EQ(c.GetAFolder(), "");  // the final "1": code 1 with an empty value
  EXPECT_EQ(c.GetBFolder(), "");
}

TEST(ConditionFileLoad, LineEnds) {
  // Only a CR right before the LF belongs to the line end.
  const CConditionSet set = Parse("171\r\n// a\rb\r\n01/x\r\r\n02/y\r");
  CCondition expected = Named("a\rb");
  expected.SetAFolder("/x\r");
  expected.SetBFolder("/y\r");
  ExpectSameCondition(set.Get(0), expected);
}

TEST(ConditionFileLoad, Cp932FileLoadsAsUtf8) {
  test::TempDir dir;
  const std::string path = dir / "sjis.ORV";
  // "// 新規" and "01D:\データ\" written by the Windows program.
  test::WriteFile(path, "171\r\n// \x90\x56\x8B\x4B\r\n01D:\\\x83\x66\x81\x5B\x83\x5E\\\r\n02E:\\\r\n",
                  test::Time(1000));
  CConditionSet set;
  ASSERT_TRUE(LoadConditionFile(path, set));
  ASSERT_EQ(set.Count(), 1);
  EXPECT_EQ(set.Get(0).GetName(), "新規");
  EXPECT_EQ(set.Get(0).GetAFolder(), "D:\\データ\\");
  EXPECT_EQ(set.Get(0).GetBFolder(), "E:\\");
}

TEST(ConditionFileLoad, BytesThatAreNeitherUtf8NorCp932AreKept) {
  const CConditionSet set = Parse("171\n// \xFF\xFEname\n01/\x81\n");
  EXPECT_EQ(set.Get(0).GetName(), "\xFF\xFEname");
  EXPECT_EQ(set.Get(0).GetAFolder(), "/\x81");
}

TEST(ConditionFileLoad, ALeadingByteOrderMarkIsDropped) {
  test::TempDir dir;
  const std::string path = dir / "bom.ORV";
  test::WriteFile(path,
                  "\xEF\xBB\xBF"
                  "171\r\n// 新規\r\n01/a\r\n",
                  test::Time(1000));
  EXPECT_EQ(ReadFileVersion(path), 171);
  CConditionSet set;
  ASSERT_TRUE(LoadConditionFile(path, set));
  ASSERT_EQ(set.Count(), 1);
  EXPECT_EQ(set.Get(0).GetName(), "新規");
  EXPECT_EQ(set.Get(0).GetAFolder(), "/a");

  // A legacy file's base folder does not keep the mark either.
  EXPECT_EQ(Parse("\xEF\xBB\xBF/legacy\n").Get(0).GetAFolder(), "/legacy");
}

TEST(ConditionFileLoad, BinaryJunkLoadsWithoutHarm) {
  std::mt19937 random(12345);
  std::string junk(1 << 20, '\0');
  for (auto& byte : junk) byte = static_cast<char>(random() & 0xFF);
  for (std::size_t i = 0; i < junk.size(); i += 97) junk[i] = '\0';

  test::TempDir dir;
  const std::string path = dir / "junk.ORV";
  test::WriteFile(path, junk, test::Time(1000));
  CConditionSet set;
  ASSERT_TRUE(LoadConditionFile(path, set));
  EXPECT_GE(set.Count(), 1);

  // Coded junk: many name lines and code-10 lines in a row.
  std::string coded = "171\n";
  for (int i = 0; i < 20000; ++i) coded += i % 3 == 0 ? "// \0n\n"s : i % 3 == 1 ? "10\n"s : "\0\n"s;
  const CConditionSet codedSet = Parse(coded);
  ASSERT_EQ(codedSet.Count(), 6667);
  EXPECT_EQ(codedSet.Get(6666).GetName(), "");  // the name ends at the NUL
}

CCondition With(CCondition c, void (CCondition::*set)(const std::string&), const std::string& value) {
  (c.*set)(value);
  return c;
}

TEST(ConditionFileLoad, EveryLineEndsAtItsFirstNul) {
  const CCondition c = Named("c");
  const struct {
    std::string bytes;
    CCondition expected;
  } cases[] = {
      {"171\n// na\0me\n"s, Named("na")},
      {"171\n// c\n01/base\0/elsewhere\n"s, With(c, &CCondition::SetAFolder, "/base")},
      {"171\n// c\n02/target\0x\r\n"s, With(c, &CCondition::SetBFolder, "/target")},
      {"171\n// c\n06exe\0 com\n"s, With(c, &CCondition::SetExt, "exe")},
      {"171\n// c\n09bak\0\r\n"s, With(c, &CCondition::SetNoExt, "bak")},
      // A NUL right after a one-digit code leaves the code with an empty value.
      {"171\n// c\n1\0/base\n"s, c},
      // Numbers stop at the NUL too: the unit's line of a code-10 line as well.
      {"171\n// c\n03\0" "0\n1012\n11\0" "3\n"s,
       [&] {
         CCondition n = c;
         n.SetSubFolder(0);
         n.SetDiffTime(12, 0);
         return n;
       }()},
      // The legacy layout's lines as well.
      {"/base\0/elsewhere\n/target\n1\n0\n"s,
       [] {
         CCondition n = Named("File");
         n.SetAFolder("/base");
         n.SetBFolder("/target");
         n.SetSameDisp(0);
         n.SetRecyclerFolder(0);  // a missing line reads as 0
         return n;
       }()},
  };
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    const CConditionSet set = Parse(bytes);
    ASSERT_EQ(set.Count(), 1);
    ExpectSameCondition(set.Get(0), expected);
  }
}

TEST(ConditionFileLoad, AFileThatCannotBeReadLeavesTheSetAloneAndSaysWhy) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo.ORV").c_str(), 0600), 0);
  // Sparse: reads as NUL bytes without taking the disk space.
  test::WriteFile(dir / "large.ORV", "", test::Time(1000));
  ASSERT_EQ(::truncate((dir / "large.ORV").c_str(), kMaxConditionFileSize + 1), 0);
  const struct {
    std::string path;
    LoadError error;
    int errorNumber;
  } cases[] = {
      {dir / "missing.ORV", LoadError::CannotOpen, ENOENT},
      {dir.Path(), LoadError::NotAFile, EISDIR},       // a folder is no condition file
      {dir / "fifo.ORV", LoadError::NotAFile, 0},      // and must not block
      {"/dev/zero", LoadError::NotAFile, 0},           // nor must a device that never ends
      {dir / "large.ORV", LoadError::TooLarge, EFBIG},
  };
  for (const auto& [path, error, errorNumber] : cases) {
    SCOPED_TRACE(path);
    CConditionSet set;
    set.Add(SampleCondition("kept", 1));
    const LoadResult result = LoadConditionFile(path, set);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.error, error);
    EXPECT_EQ(result.errorNumber, errorNumber);
    ASSERT_EQ(set.Count(), 1);
    ExpectSameCondition(set.Get(0), SampleCondition("kept", 1));
    EXPECT_EQ(ReadFileVersion(path), 0);
  }
  test::WriteFile(dir / "v.ORV", " 205abc", test::Time(1000));
  EXPECT_EQ(ReadFileVersion(dir / "v.ORV"), 205);
}

TEST(ConditionFileLoad, AFileOfExactlyTheLimitLoads) {
  test::TempDir dir;
  const std::string head = "171\r\n";
  const std::string tail = "// last\r\n01/a\r\n";
  // Blank lines before the first name are skipped.
  const std::string bytes = head + std::string(kMaxConditionFileSize - head.size() - tail.size(), '\n') + tail;
  test::WriteFile(dir / "full.ORV", bytes, test::Time(1000));
  CConditionSet set;
  const LoadResult result = LoadConditionFile(dir / "full.ORV", set);
  ASSERT_TRUE(result) << static_cast<int>(result.error);
  ASSERT_EQ(set.Count(), 1);
  EXPECT_EQ(set.Get(0).GetName(), "last");
  EXPECT_EQ(set.Get(0).GetAFolder(), "/a");
}

}  // namespace
}  // namespace orvel::storage
