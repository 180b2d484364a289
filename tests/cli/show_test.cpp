// `show`: a condition file as the save command would write it; and the
// condition files that `list`, `sync` and `show` refuse to read.

#include "cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace orvel::test {
namespace {

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Block(const std::string& name, const std::string& a, const std::string& b, const std::string& ext,
                  const std::string& numbers) {
  // numbers: SubFolder SameDisp ChkExt Complete ChkNoExt DiffTime DiffSel Empty Recycler Trash
  std::vector<std::string> n;
  std::string word;
  for (char c : numbers + " ") {
    if (c == ' ') {
      n.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return "// " + name + "\r\n01" + a + "\r\n02" + b + "\r\n03" + n[0] + "\r\n04" + n[1] + "\r\n05" + n[2] + "\r\n06" +
         ext + "\r\n07" + n[3] + "\r\n08" + n[4] + "\r\n09\r\n10" + n[5] + "\r\n11" + n[6] + "\r\n12" + n[7] +
         "\r\n13" + n[8] + "\r\n14" + n[9] + "\r\n";
}

TEST(CliShow, ReproducesASavedFileByteForByte) {
  TempDir dir;
  const std::string saved =
      "171\r\n" + Block("新規 ", "/data/写真/", "/backup/with blank\\", " JPG  PNG ", "0 0 1 1 0 -5 3 1 0 1") +
      Block("", "", "", "", "1 1 0 0 0 0 0 0 1 0") + Block("zwei", "rel/a", "/b", "", "1 1 0 0 1 40000 2 0 1 0");
  WriteBytes(dir / "set.ORV", saved);
  const CliResult r = RunCli({"show", dir / "set.ORV"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, saved);
}

TEST(CliShow, WritesWhatTheProgramLoadedNotWhatTheFileSaid) {
  TempDir dir;
  // LF line ends, codes out of order and missing codes that keep their defaults.
  WriteBytes(dir / "sparse.ORV", "171\n// x\n02/t\n01/b\n99junk\n");
  const CliResult r = RunCli({"show", dir / "sparse.ORV"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "171\r\n" + Block("x", "/b", "/t", "", "1 1 0 0 0 0 0 0 1 0"));

  // A legacy file: 14 bare lines, named after the file.
  WriteBytes(dir / "Work.ORV", "/base\n/target\n0\n1\n0\n\n1\n0\n\n2\n1\n0\n0\n1\n");
  const CliResult legacy = RunCli({"show", dir / "Work.ORV"});
  ASSERT_EQ(legacy.status, 0) << legacy.err;
  EXPECT_EQ(legacy.out, "171\r\n" + Block("Work", "/base", "/target", "", "0 1 0 1 0 2 1 0 0 1"));
}

TEST(CliShow, ValuesEndAtTheirFirstNul) {
  using namespace std::string_literals;
  TempDir dir;
  WriteBytes(dir / "nul.ORV", "171\r\n// na\0me\r\n01/base\0/x\r\n02/target\0\r\n06exe\0com\r\n034\0" "5\r\n"s);
  const CliResult r = RunCli({"show", dir / "nul.ORV"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "171\r\n" + Block("na", "/base", "/target", "exe", "4 1 0 0 0 0 0 0 1 0"));
}

// A folder value with a NUL and more after it once made the sync copy nothing
// into the target folder while reporting the file as copied.
TEST(CliConditionFile, ANulInAFolderValueEndsTheFolder) {
  using namespace std::string_literals;
  TempDir dir;
  WriteFile(dir / "base/f.txt", "data", Time(1000));
  MakeFolder(dir / "target", Time(1000));
  WriteBytes(dir / "c.ORV", "171\r\n// c\r\n01" + dir / "base" + "\0/junk\r\n02"s + dir / "target" + "\0x\r\n"s);
  const CliResult r = RunCli({"sync", dir / "c.ORV"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "f.txt\t1970/01/01 00:16:40\t>=\t1970/01/01 00:16:40\t" + dir / "base/" + "\n");
  EXPECT_EQ(ReadFile(dir / "target/f.txt"), "data");
  EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"base", "c.ORV", "target"}));
}

TEST(CliConditionFile, OnlyRegularFilesUpToTheLimitAreReadAndNeverBlock) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo.ORV").c_str(), 0600), 0);
  WriteBytes(dir / "large.ORV", "");
  ASSERT_EQ(::truncate((dir / "large.ORV").c_str(), (16 << 20) + 1), 0);
  const struct {
    std::string path;
    std::string shown;  // the path as the message writes it
    std::string reason;
  } cases[] = {
      {dir / "fifo.ORV", dir / "fifo.ORV", "通常のファイルではありません"},
      {"/dev/zero", "/dev/zero", "通常のファイルではありません"},
      {dir / "large.ORV", dir / "large.ORV", "16 MiB より大きいファイルです"},
      {dir.Path(), dir.Path(), "フォルダです"},
      // A hostile name does not reach the terminal as it is.
      {dir / "\x1b]0;title\x07.ORV", dir / "\\x1b]0;title\\x07.ORV", "そのようなファイルやフォルダはありません"},
  };
  for (const auto& [path, shown, reason] : cases) {
    for (const char* command : {"list", "show"}) {
      SCOPED_TRACE(std::string(command) + " " + path);
      const CliResult r = RunCliWithin(10000, {command, path});
      EXPECT_EQ(r.signal, 0) << "still running after 10 s";
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.err, "orvel-cli: 条件ファイル '" + shown + "' を読み込めません: " + reason + "\n");
      EXPECT_EQ(r.out, "");
    }
  }
}

}  // namespace
}  // namespace orvel::test
