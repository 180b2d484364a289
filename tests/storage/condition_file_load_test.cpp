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
  c.Name = name;
  return c;
}

TEST(ConditionFileLoad, LegacyLayoutTakesItsNameFromTheFileName) {
  test::TempDir dir;
  const std::string path = dir / "Work.ORV";
  test::WriteFile(path, "/data/\n/backup/\n0\n1\n1\nexe com\n1\n0\nbak\n5\n2\n1\n0\n1\n", test::Time(1000));

  CConditionSet set;
  ASSERT_TRUE(LoadConditionFile(path, set));
  ASSERT_EQ(set.Count(), 1);
  CCondition expected = Named("Work");
  expected.AFolder = "/data/";
  expected.BFolder = "/backup/";
  expected.SubFolder = 0;
  expected.SameDisp = 1;
  expected.ChkExt = 1;
  expected.Ext = "exe com";
  expected.Complete = 1;
  expected.ChkNoExt = 0;
  expected.NoExt = "bak";
  expected.DiffTime = 5;
  expected.DiffSel = 2;
  expected.EmptyFolder = 1;
  expected.RecyclerFolder = 0;
  expected.DeleteTrash = 1;
  ExpectSameCondition(set.Get(0), expected);
}

TEST(ConditionFileLoad, MissingLegacyLinesCountAsEmptyAndZero) {
  CCondition zero = Named("Empty");
  zero.SubFolder = 0;
  zero.SameDisp = 0;
  zero.RecyclerFolder = 0;
  CConditionSet set = Parse("", "/folder/Empty.ORV");
  ASSERT_EQ(set.Count(), 1);
  ExpectSameCondition(set.Get(0), zero);

  set = Parse("/a\r\n/b\r\n1\r\n1\r\n1", "Five.orv");
  ASSERT_EQ(set.Count(), 1);
  CCondition five = Named("Five");
  five.AFolder = "/a";
  five.BFolder = "/b";
  five.ChkExt = 1;
  five.RecyclerFolder = 0;
  ExpectSameCondition(set.Get(0), five);
}

TEST(ConditionFileLoad, LegacyNamesOfShortOrMultibyteFileNames) {
  EXPECT_EQ(Parse("", "/x/.ORV").Get(0).Name, "");
  EXPECT_EQ(Parse("", "/x/a.ORV").Get(0).Name, "a");
  EXPECT_EQ(Parse("", "Plain").Get(0).Name, "P");
  EXPECT_EQ(Parse("", "/x/設定.ORV").Get(0).Name, "設定");
  // Cutting four bytes off "設定abc" would leave half of 定; the whole
  // character goes instead.
  EXPECT_EQ(Parse("", "/x/設定abc").Get(0).Name, "設");
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
  EXPECT_EQ(Parse("168\n").Get(0).Name, "File");  // below 169: legacy
}

TEST(ConditionFileLoad, MissingCodesKeepTheDefaults) {
  const CConditionSet set = Parse("171\r\n// partial\r\n01/a\r\n030\r\n130\r\n// sparse\r\n050\r\n070\r\n120\r\n");
  ASSERT_EQ(set.Count(), 2);
  CCondition partial = Named("partial");
  partial.AFolder = "/a";
  partial.SubFolder = 0;
  partial.RecyclerFolder = 0;
  ExpectSameCondition(set.Get(0), partial);
  ExpectSameCondition(set.Get(1), Named("sparse"));  // SubFolder, SameDisp, RecyclerFolder stay 1
}

TEST(ConditionFileLoad, NameLinesNeedTheBlankAndMayBeEmpty) {
  const CConditionSet set = Parse("171\n//skipped\n01/ignored\n// \n01/a\n//late\n// 名前 \n02/b\n");
  ASSERT_EQ(set.Count(), 2);
  CCondition unnamed = Named("");
  unnamed.AFolder = "/a";
  ExpectSameCondition(set.Get(0), unnamed);
  CCondition named = Named("名前 ");
  named.BFolder = "/b";
  ExpectSameCondition(set.Get(1), named);
}

TEST(ConditionFileLoad, CodeTenSwallowsTheNextLineEvenANameLine) {
  const CConditionSet set = Parse("171\n// first\n1030\n// second\n07 1\n0214\n// third\n105\n1102\n11 3\n10-7\n");
  ASSERT_EQ(set.Count(), 2);
  CCondition first = Named("first");
  first.DiffTime = 30;
  first.DiffSel = 0;  // "// second" minus two bytes is " second": 0
  first.Complete = 1;
  first.BFolder = "14";
  ExpectSameCondition(set.Get(0), first);

  CCondition third = Named("third");
  third.DiffTime = -7;
  third.DiffSel = 0;  // the last line has no following line: unit 0
  ExpectSameCondition(set.Get(1), third);

  // The unit line's code is not looked at; a later code-10 line overwrites.
  const CConditionSet later = Parse("171\n// t\n105\n992\n1011\nxx3\n");
  EXPECT_EQ(later.Get(0).DiffTime, 11);
  EXPECT_EQ(later.Get(0).DiffSel, 3);
}

TEST(ConditionFileLoad, NumbersAreReadLeniently) {
  const CConditionSet set = Parse(
      "171\n// n\n03 \t+7x\n04-2\n05abc\n07\n0899999999999999999999\n12-99999999999999999999\n"
      "13 -0\n00/unknown\n15/unknown\n-1/unknown\nab/unknown\n1\n");
  const CCondition& c = set.Element(0);
  EXPECT_EQ(c.SubFolder, 7);
  EXPECT_EQ(c.SameDisp, -2);
  EXPECT_EQ(c.ChkExt, 0);
  EXPECT_EQ(c.Complete, 0);
  EXPECT_EQ(c.ChkNoExt, INT_MAX);
  EXPECT_EQ(c.EmptyFolder, INT_MIN);
  EXPECT_EQ(c.RecyclerFolder, 0);
  EXPECT_EQ(c.AFolder, "");  // the final "1": code 1 with an empty value
  EXPECT_EQ(c.BFolder, "");
}

TEST(ConditionFileLoad, LineEnds) {
  // Only a CR right before the LF belongs to the line end.
  const CConditionSet set = Parse("171\r\n// a\rb\r\n01/x\r\r\n02/y\r");
  CCondition expected = Named("a\rb");
  expected.AFolder = "/x\r";
  expected.BFolder = "/y\r";
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
  EXPECT_EQ(set.Get(0).Name, "新規");
  EXPECT_EQ(set.Get(0).AFolder, "D:\\データ\\");
  EXPECT_EQ(set.Get(0).BFolder, "E:\\");
}

TEST(ConditionFileLoad, BytesThatAreNeitherUtf8NorCp932AreKept) {
  const CConditionSet set = Parse("171\n// \xFF\xFEname\n01/\x81\n");
  EXPECT_EQ(set.Get(0).Name, "\xFF\xFEname");
  EXPECT_EQ(set.Get(0).AFolder, "/\x81");
}

TEST(ConditionFileLoad, ALeadingByteOrderMarkIsDropped) {
  test::TempDir dir;
  const std::string path = dir / "bom.ORV";
  test::WriteFile(path,
                  "\xEF\xBB\xBF"
                  "171\r\n// 新規\r\n01/a\r\n",
                  test::Time(1000));
  CConditionSet set;
  ASSERT_TRUE(LoadConditionFile(path, set));
  ASSERT_EQ(set.Count(), 1);
  EXPECT_EQ(set.Get(0).Name, "新規");
  EXPECT_EQ(set.Get(0).AFolder, "/a");

  // A legacy file's base folder does not keep the mark either.
  EXPECT_EQ(Parse("\xEF\xBB\xBF/legacy\n").Get(0).AFolder, "/legacy");
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
  EXPECT_EQ(codedSet.Get(6666).Name, "");  // the name ends at the NUL
}

CCondition With(CCondition c, std::string engine::ConditionFields::*field, const std::string& value) {
  c.*field = value;
  return c;
}

TEST(ConditionFileLoad, EveryLineEndsAtItsFirstNul) {
  const CCondition c = Named("c");
  const struct {
    std::string bytes;
    CCondition expected;
  } cases[] = {
      {"171\n// na\0me\n"s, Named("na")},
      {"171\n// c\n01/base\0/elsewhere\n"s, With(c, &CCondition::AFolder, "/base")},
      {"171\n// c\n02/target\0x\r\n"s, With(c, &CCondition::BFolder, "/target")},
      {"171\n// c\n06exe\0 com\n"s, With(c, &CCondition::Ext, "exe")},
      {"171\n// c\n09bak\0\r\n"s, With(c, &CCondition::NoExt, "bak")},
      // A NUL right after a one-digit code leaves the code with an empty value.
      {"171\n// c\n1\0/base\n"s, c},
      // Numbers stop at the NUL too: the unit's line of a code-10 line as well.
      {"171\n// c\n03\0" "0\n1012\n11\0" "3\n"s,
       [&] {
         CCondition n = c;
         n.SubFolder = 0;
         n.DiffTime = 12;
         n.DiffSel = 0;
         return n;
       }()},
      // The legacy layout's lines as well.
      {"/base\0/elsewhere\n/target\n1\n0\n"s,
       [] {
         CCondition n = Named("File");
         n.AFolder = "/base";
         n.BFolder = "/target";
         n.SameDisp = 0;
         n.RecyclerFolder = 0;  // a missing line reads as 0
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
  }
  // The first line is read the lenient way: " 205abc" is version 205, coded.
  test::WriteFile(dir / "v.ORV", " 205abc\n// named\n01/a\n", test::Time(1000));
  CConditionSet coded;
  ASSERT_TRUE(LoadConditionFile(dir / "v.ORV", coded));
  ASSERT_EQ(coded.Count(), 1);
  EXPECT_EQ(coded.Get(0).Name, "named");
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
  EXPECT_EQ(set.Get(0).Name, "last");
  EXPECT_EQ(set.Get(0).AFolder, "/a");
}

}  // namespace
}  // namespace orvel::storage
