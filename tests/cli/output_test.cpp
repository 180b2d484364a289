// What `list` prints: the five columns, escapes, list order and JSON.

#include "cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000000;  // 2020/09/13 12:26:40 UTC
const std::string kDate = "2020/09/13 12:26:40";
const std::string kDatePlus100 = "2020/09/13 12:28:20";

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class CliListOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(base_ / "newer.txt", "new", Time(kT + 100));
    WriteFile(base_ / "same.txt", "s", Time(kT));
    WriteFile(base_ / "only.txt", "o", Time(kT));
    WriteFile(target_ / "newer.txt", "old", Time(kT));
    WriteFile(target_ / "same.txt", "s", Time(kT));
    WriteFile(target_ / "tonly.txt", "t", Time(kT));
  }
  std::string Base() const { return base_.Path() + "/"; }
  std::string Target() const { return target_.Path() + "/"; }

  TempDir base_;
  TempDir target_;
};

TEST_F(CliListOutput, PrintsFiveTabSeparatedColumnsWithEmptyColumnsEmpty) {
  const CliResult r = RunCli({"list", base_.Path(), target_.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(WithoutSummary(r.err), "");
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  // The base side's rows come first, in the order the folder listing gave;
  // the target-only file is judged afterwards, by the target pass.
  EXPECT_EQ(lines[3], "tonly.txt\t\t<<\t" + kDate + "\t" + Target());
  std::vector<std::string> baseRows(lines.begin(), lines.begin() + 3);
  std::sort(baseRows.begin(), baseRows.end());
  EXPECT_EQ(baseRows, (std::vector<std::string>{
                          "newer.txt\t" + kDatePlus100 + "\t>\t" + kDate + "\t" + Base(),
                          "only.txt\t" + kDate + "\t>>\t\t" + Base(),
                          "same.txt\t" + kDate + "\t=\t" + kDate + "\t" + Base(),
                      }));
}

TEST_F(CliListOutput, HideSameDropsIdenticalPairsOnly) {
  const CliResult r = RunCli({"list", "--hide-same", base_.Path(), target_.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  for (const auto& line : lines) EXPECT_EQ(line.find("same.txt"), std::string::npos) << line;
}

TEST_F(CliListOutput, OptionsMayFollowTheOperands) {
  const CliResult before = RunCli({"list", "--hide-same", "--json", base_.Path(), target_.Path()});
  const CliResult after = RunCli({"list", base_.Path(), target_.Path(), "--json", "--hide-same"});
  ASSERT_EQ(before.status, 0) << before.err;
  ASSERT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(Lines(RowsOf(before.out)).size(), 3u);
  EXPECT_EQ(RowsOf(before.out), RowsOf(after.out));
}

TEST_F(CliListOutput, ConditionsOfAFileAreListedInFileOrder) {
  TempDir other;
  WriteFile(other / "b/second.txt", "2", Time(kT));
  MakeFolder(other / "t", Time(kT));
  TempDir files;
  // The file's first condition (whose name sorts last) is listed first.
  const std::string file = files / "two.ORV";
  WriteBytes(file, "171\r\n// zweite\r\n01" + other.Path() + "/b\r\n02" + other.Path() + "/t\r\n041\r\n// erste\r\n01" +
                       base_.Path() + "\r\n02" + target_.Path() + "\r\n040\r\n");
  const CliResult r = RunCli({"list", file});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;  // 1 of the first condition, 3 of the second (SameDisp 0)
  EXPECT_EQ(lines[0], "second.txt\t" + kDate + "\t>>\t\t" + other.Path() + "/b/");
  EXPECT_EQ(lines[3].substr(0, 10), "tonly.txt\t");
}

TEST(CliListEscapes, EveryItemIsExactlyOneLine) {
  TempDir base;
  TempDir target;
  WriteFile(base / "tab\there", "", Time(kT));
  WriteFile(base / "back\\slash", "", Time(kT));
  WriteFile(base / "new\nline", "", Time(kT));
  WriteFile(base / "cr\rx", "", Time(kT));
  WriteFile(base / "bad\xff\xfe", "", Time(kT));
  const CliResult r = RunCli({"list", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> names;
  for (const auto& line : Lines(r.out)) names.push_back(line.substr(0, line.find('\t')));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"back\\\\slash", "bad\xff\xfe", "cr\\rx", "new\\nline", "tab\\there"}));
}

TEST(CliListEscapes, ControlCharactersAreWrittenAsHexEscapes) {
  const struct {
    std::string name;
    std::string shown;
  } cases[] = {
      {"esc\x1b[2Jclear", "esc\\x1b[2Jclear"},
      {"bel\x07", "bel\\x07"},
      {"soh\x01", "soh\\x01"},
      {"vt\x0b ff\x0c bs\x08", "vt\\x0b ff\\x0c bs\\x08"},
      {"us\x1f", "us\\x1f"},
      {"del\x7f", "del\\x7f"},
      {"mixed\t\x1b\\", "mixed\\t\\x1b\\\\"},
      // Blank, tilde and bytes above DEL are no controls.
      {"plain ~\x80\xff", "plain ~\x80\xff"},
  };
  TempDir base;
  TempDir target;
  for (const auto& c : cases) WriteFile(base / c.name, "", Time(kT));
  // The path column too.
  WriteFile(base / "sub\x1b" "dir/inner", "", Time(kT));
  const CliResult r = RunCli({"list", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::map<std::string, std::string> shown;  // name column -> path column
  for (const auto& line : Lines(r.out)) shown[line.substr(0, line.find('\t'))] = line.substr(line.rfind('\t') + 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.name));
    ASSERT_EQ(shown.count(c.shown), 1u) << r.out;
    EXPECT_EQ(shown[c.shown], base.Path() + "/");
  }
  EXPECT_EQ(shown["inner"], base.Path() + "/sub\\x1bdir/");
  EXPECT_EQ(shown.size(), std::size(cases) + 1) << r.out;
}

TEST(CliListJson, OneObjectPerLineWithFoldersDatesTimesResultAndMark) {
  TempDir base;
  TempDir target;
  // Within a 2-second tolerance: shown as ">" but marked "=".
  WriteFile(base / "sub/near.txt", "a", Time(kT + 1));
  WriteFile(target / "sub/near.txt", "b", Time(kT));
  const CliResult r = RunCli({"list", "--json", "--tolerance", "2", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(RowsOf(r.out), "{\"name\":\"near.txt\",\"base_folder\":\"" + base.Path() + "/sub/\",\"target_folder\":\"" +
                       target.Path() + "/sub/\",\"base_date\":\"2020/09/13 12:26:41\",\"target_date\":\"" + kDate +
                       "\",\"base_mtime\":\"2020-09-13T12:26:41.000000000Z\","
                       "\"target_mtime\":\"2020-09-13T12:26:40.000000000Z\",\"result\":\">\",\"mark\":\"=\"}\n");
}

TEST(CliListJson, EscapesControlsQuotesAndInvalidUtf8ButKeepsValidUtf8) {
  TempDir base;
  TempDir target;
  WriteFile(base / "a\nb", "", Time(kT));
  WriteFile(base / "q\"\\x\x01\x7f", "", Time(kT));
  WriteFile(base / "bad\xff\xc3.txt", "", Time(kT));
  WriteFile(base / "日本\xed\xa0\x80.txt", "", Time(kT));  // an encoded surrogate is not valid UTF-8
  const CliResult r = RunCli({"list", "--json", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> names;
  for (const auto& line : Lines(RowsOf(r.out))) {
    ASSERT_EQ(line.rfind("{\"name\":\"", 0), 0u) << line;
    names.push_back(line.substr(8, line.find("\",\"base_folder\"") - 8 + 1));
  }
  ASSERT_EQ(names.size(), 4u) << r.out;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"\"a\\nb\"", "\"bad\\udcff\\udcc3.txt\"", "\"q\\\"\\\\x\\u0001\\u007f\"",
                                             "\"日本\\udced\\udca0\\udc80.txt\""}));
}

// Each condition option changes what a run takes part in.
TEST(CliConditionOptions, EachOptionHasItsEffect) {
  TempDir base;
  TempDir target;
  WriteFile(base / "a.txt", "a", Time(kT));
  WriteFile(base / "sub/b.txt", "b", Time(kT));
  WriteFile(base / "x.tmp", "x", Time(kT));
  WriteFile(base / ".Trash/t.txt", "t", Time(kT));
  MakeFolder(base / "emptydir", Time(kT));
  const struct {
    std::vector<std::string> options;
    std::vector<std::string> names;
  } cases[] = {
      {{}, {"a.txt", "b.txt", "x.tmp"}},
      {{"--no-subfolders"}, {"a.txt", "x.tmp"}},
      {{"--empty-folders"}, {"a.txt", "b.txt", "emptydir", "x.tmp"}},
      {{"--include-recycler"}, {"a.txt", "b.txt", "t.txt", "x.tmp"}},
      {{"--ext", "tmp"}, {"x.tmp"}},
      {{"--no-ext", "tmp"}, {"a.txt", "b.txt"}},
      {{"--ext", "TXT", "--no-ext", "txt"}, {"a.txt", "b.txt"}},  // the include list wins
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"list", base.Path(), target.Path()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> names;
    for (const auto& line : Lines(r.out)) names.push_back(line.substr(0, line.find('\t')));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.names) << ::testing::PrintToString(c.options);
  }
}

TEST(CliConditionOptions, TrashAndToleranceLimits) {
  TempDir base;
  TempDir target;
  WriteFile(base / "keep", "k", Time(kT));
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  ASSERT_NE(dataHome, nullptr);
  const std::string trashed = std::string(dataHome) + "/Trash/files/";
  for (const bool toTrash : {false, true}) {
    const std::string name = toTrash ? "trashed.txt" : "deleted.txt";
    WriteFile(target / name, "t", Time(kT));
    std::vector<std::string> args = {"sync", base.Path(), target.Path(), "--complete"};
    if (toTrash) args.push_back("--trash");
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(Exists(target / name));
    EXPECT_EQ(Exists(trashed + name), toTrash) << name;
  }
  // 40000 is the largest tolerance there is.
  EXPECT_EQ(RunCli({"list", base.Path(), target.Path(), "--tolerance", "40000d"}).status, 0);
}

}  // namespace
}  // namespace orvel::test
