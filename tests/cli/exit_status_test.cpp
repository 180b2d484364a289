// Exit statuses, messages and questions on standard error, usage errors.

#include "cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000000;

const std::string kBaseMissing =
    "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい\n";
const std::string kTargetMissingAsk = "「対照フォルダ」は存在しません\n新規に作成して作業を続けますか？\n";
const std::string kSameFolders = "「基本フォルダ」と「対照フォルダ」が同じです\n";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(CliExitStatus, MissingBaseFolderShowsTheMessageAndStops) {
  TempDir dir;
  MakeFolder(dir / "target", Time(kT));
  const CliResult r = RunCli({"list", dir / "missing", dir / "target"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(WithoutSummary(r.err), kBaseMissing);
  EXPECT_EQ(r.out, "");
}

TEST(CliExitStatus, EqualFoldersStop) {
  TempDir dir;
  const CliResult r = RunCli({"list", dir.Path(), dir.Path() + "/"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(WithoutSummary(r.err), kSameFolders);
}

TEST(CliExitStatus, MissingTargetIsAnsweredNoWithoutATerminal) {
  TempDir dir;
  WriteFile(dir / "base/a.txt", "a", Time(kT));
  const CliResult r = RunCli({"sync", dir / "base", dir / "new/target"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(WithoutSummary(r.err), kTargetMissingAsk + "-> いいえ\n");
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(Exists(dir / "new"));
}

TEST(CliExitStatus, MissingTargetIsCreatedWithYes) {
  TempDir dir;
  WriteFile(dir / "base/a.txt", "a", Time(kT));
  const CliResult r = RunCli({"list", "--yes", dir / "base", dir / "new/target"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(WithoutSummary(r.err), kTargetMissingAsk + "-> はい\n");
  EXPECT_EQ(r.out, "a.txt\t2020/09/13 12:26:40\t>>\t\t" + dir / "base/" + "\n");
  EXPECT_TRUE(Exists(dir / "new/target"));
}

TEST(CliExitStatus, StopAtALaterConditionKeepsTheEarlierRows) {
  TempDir dir;
  WriteFile(dir / "b1/one.txt", "1", Time(kT));
  MakeFolder(dir / "t1", Time(kT));
  WriteFile(dir / "c.ORV",
            "171\r\n// first\r\n01" + dir / "b1" + "\r\n02" + dir / "t1" + "\r\n// second\r\n01" + dir / "missing" +
                "\r\n02" + dir / "t1" + "\r\n",
            Time(kT));
  const CliResult r = RunCli({"list", dir / "c.ORV"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(WithoutSummary(r.err), kBaseMissing);
  EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
}

TEST(CliExitStatus, ReadOnlyDestinationFailsTheRowAndGivesThree) {
  TempDir dir;
  WriteFile(dir / "base/locked.txt", "new", Time(kT + 10));
  WriteFile(dir / "base/free.txt", "free", Time(kT + 10));
  WriteFile(dir / "target/locked.txt", "old", Time(kT));
  ASSERT_EQ(::chmod((dir / "target/locked.txt").c_str(), 0444), 0);
  const CliResult r = RunCli({"sync", dir / "base", dir / "target"});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_TRUE(Contains(r.out, "locked.txt\t2020/09/13 12:26:50\t?\t2020/09/13 12:26:40\t")) << r.out;
  EXPECT_TRUE(Contains(r.out, "free.txt\t2020/09/13 12:26:50\t>=\t2020/09/13 12:26:50\t")) << r.out;
  EXPECT_EQ(ReadFile(dir / "target/locked.txt"), "old");
  EXPECT_EQ(ReadFile(dir / "target/free.txt"), "free");

  // The same tree only listed: nothing is executed, nothing fails.
  EXPECT_EQ(RunCli({"list", dir / "base", dir / "target"}).status, 0);
}

TEST(CliExitStatus, FailedRowsOutrankAStopAtALaterCondition) {
  TempDir dir;
  WriteFile(dir / "base/locked.txt", "new", Time(kT + 10));
  WriteFile(dir / "target/locked.txt", "old", Time(kT));
  ASSERT_EQ(::chmod((dir / "target/locked.txt").c_str(), 0444), 0);
  WriteBytes(dir / "c.ORV", "171\r\n// first\r\n01" + dir / "base" + "\r\n02" + dir / "target" + "\r\n// second\r\n01" +
                                dir / "missing" + "\r\n02" + dir / "target" + "\r\n");
  const CliResult r = RunCli({"sync", dir / "c.ORV"});
  EXPECT_EQ(r.status, 3);
  // The failed row is named with its reason right after the row, before the
  // second condition's message.
  EXPECT_EQ(WithoutSummary(r.err), "orvel-cli: " + dir / "target/locked.txt" + ": 読み取り専用です（書き込みの許可がありません）\n" + kBaseMissing);
}

TEST(CliExitStatus, UnreadableConditionFileGivesTwoAndNamesIt) {
  TempDir dir;
  for (const std::string& path : {dir / "missing.ORV", dir.Path()}) {
    for (const char* command : {"list", "sync", "show"}) {
      const CliResult r = RunCli({command, path});
      EXPECT_EQ(r.status, 2) << command << " " << path;
      EXPECT_TRUE(Contains(r.err, "'" + path + "'")) << r.err;
      EXPECT_EQ(r.out, "");
    }
  }
}

TEST(CliExitStatus, UsageErrorsGiveTwoAndTouchNothing) {
  TempDir dir;
  MakeFolder(dir / "a", Time(kT));
  const std::string a = dir / "a";
  const std::string b = dir / "b";  // would be asked for (and answered No) if a run started
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate", a, b},
      {"list"},
      {"list", a, b, a},
      {"list", a, b, "--bogus"},
      {"list", a, b, "--ext"},
      {"list", a, b, "--tolerance", "-1"},
      {"list", a, b, "--tolerance", "40001"},
      {"list", a, b, "--tolerance", "5x"},
      {"list", a, b, "--tolerance", "5sm"},
      {"list", a, b, "--tolerance", ""},
      {"list", a, b, "--tolerance=99999999999999999999"},
      {"list", a, b, "--json=1"},
      {"list", a, b, "--lang", "fr"},
      {"list", a, b, "--lang"},
      {"list", dir / "c.ORV", "--complete"},
      {"show", dir / "c.ORV", "--json"},
      {"show", a, b},
  };
  for (const auto& args : cases) {
    const CliResult r = RunCli(args);
    std::string shown;
    for (const auto& arg : args) shown += arg + " ";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_TRUE(Contains(r.err, "--help")) << shown << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
  EXPECT_FALSE(Exists(b));
}

TEST(CliExitStatus, DoubleDashEndsTheOptions) {
  TempDir dir;
  WriteFile(dir / "-base/x.txt", "x", Time(kT));
  MakeFolder(dir / "-target", Time(kT));
  const CliResult r = RunCli({"list", "--json", "--", "-base", "-target"}, dir.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "\"name\":\"x.txt\",\"base_folder\":\"-base/\"")) << r.out;
}

TEST(CliExitStatus, HelpAndVersion) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"list", "sync", "show", "--tolerance", "--json", "--lang", "ORVEL_LANG", "base_mtime", "130"})
    EXPECT_TRUE(Contains(help.out, part)) << part;
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "orvel-cli 1.73\n");
}

}  // namespace
}  // namespace orvel::test
