// `show`: a condition file as the save command would write it.

#include "cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orvel::test
