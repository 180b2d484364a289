// `sync` against real trees: copies, deletions, tolerance and Ctrl+C.

#include "cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000000;

std::vector<TreeEntry> FilesOf(const std::string& root) {
  std::vector<TreeEntry> files;
  for (auto& entry : ReadTree(root)) {
    if (entry.content) files.push_back(entry);
  }
  return files;
}

TEST(CliSync, CopiesBothWaysSoTheTreesMatch) {
  TempDir base;
  TempDir target;
  WriteTree(base.Path(), {
                             {"newer.txt", "base newer", Time(kT + 60, 5)},
                             {"same.txt", "same", Time(kT)},
                             {"deep/down/only.txt", "base only", Time(kT + 1, 123456789)},
                             {"older.txt", "base older", Time(kT)},
                         });
  WriteTree(target.Path(), {
                               {"newer.txt", "target older", Time(kT)},
                               {"same.txt", "same", Time(kT)},
                               {"older.txt", "target newer", Time(kT + 30)},
                               {"t/only.txt", "target only", Time(kT + 2)},
                           });
  const CliResult r = RunCli({"sync", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(WithoutSummary(r.err), "");

  const std::vector<TreeEntry> expected = {
      {"deep/down/only.txt", "base only", Time(kT + 1, 123456789)},
      {"newer.txt", "base newer", Time(kT + 60, 5)},
      {"older.txt", "target newer", Time(kT + 30)},
      {"same.txt", "same", Time(kT)},
      {"t/only.txt", "target only", Time(kT + 2)},
  };
  EXPECT_EQ(FilesOf(base.Path()), expected);
  EXPECT_EQ(FilesOf(target.Path()), expected);

  // Executed rows show what was done; the identical pair keeps "=".
  std::multiset<std::string> results;
  for (const auto& line : Lines(r.out)) {
    const auto first = line.find('\t');
    const auto second = line.find('\t', first + 1);
    results.insert(line.substr(second + 1, line.find('\t', second + 1) - second - 1));
  }
  EXPECT_EQ(results, (std::multiset<std::string>{"=", ">=", ">=", "<=", "<="})) << r.out;

  // A second run finds nothing left to do.
  const CliResult again = RunCli({"list", "--hide-same", base.Path(), target.Path()});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "");
}

TEST(CliSync, CompleteDeletesWhatOnlyTheTargetHas) {
  TempDir base;
  TempDir target;
  WriteFile(base / "keep.txt", "k", Time(kT));
  WriteFile(target / "keep.txt", "k", Time(kT));
  WriteFile(target / "gone/extra.txt", "x", Time(kT));
  const CliResult r = RunCli({"sync", "--complete", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.find("extra.txt\t\tX=\t") != std::string::npos) << r.out;
  EXPECT_FALSE(Exists(target / "gone/extra.txt"));
  EXPECT_TRUE(Exists(base / "keep.txt"));
  EXPECT_FALSE(Exists(base / "gone/extra.txt"));
}

TEST(CliSync, ToleranceInSecondsAndMinutes) {
  TempDir base;
  TempDir target;
  WriteFile(base / "one.txt", "base", Time(kT + 1));
  WriteFile(target / "one.txt", "target", Time(kT));
  WriteFile(base / "two.txt", "base", Time(kT + 2));
  WriteFile(target / "two.txt", "target", Time(kT));
  WriteFile(base / "minute.txt", "base", Time(kT + 60));
  WriteFile(target / "minute.txt", "target", Time(kT));

  // A difference below the tolerance counts as equal; one equal to it does not.
  CliResult r = RunCli({"list", "--hide-same", "--tolerance", "2s", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  std::sort(lines.begin(), lines.end());
  ASSERT_EQ(lines.size(), 2u) << r.out;
  EXPECT_EQ(lines[0].substr(0, 11), "minute.txt\t");
  EXPECT_EQ(lines[1].substr(0, 8), "two.txt\t");

  r = RunCli({"list", "--hide-same", "--tolerance", "1m", base.Path(), target.Path()});
  EXPECT_EQ(r.out.substr(0, 11), "minute.txt\t");
  EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
  r = RunCli({"list", "--hide-same", "--tolerance", "1h", base.Path(), target.Path()});
  EXPECT_EQ(r.out, "");

  // The sync leaves the pair within the tolerance alone and keeps its text.
  r = RunCli({"sync", "--tolerance", "2s", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(target / "one.txt"), "target");
  EXPECT_EQ(ReadFile(target / "two.txt"), "base");
  EXPECT_TRUE(r.out.find("one.txt\t2020/09/13 12:26:41\t>\t2020/09/13 12:26:40\t") != std::string::npos) << r.out;
}

// Rows are written while the run goes on: a reader that has gone away must not
// end a sync between two rows.
TEST(CliSync, AReaderThatIsGoneDoesNotStopTheSync) {
  TempDir base;
  TempDir target;
  for (int i = 0; i < 200; ++i) WriteFile(base / ("f" + std::to_string(i)), "x", Time(kT));
  CliProcess process({"sync", base.Path(), target.Path()}, {}, {}, CliSetup{.outputClosed = true});
  const CliResult r = process.Finish(60000);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(WithoutSummary(r.err), "orvel-cli: 結果のリストを書き込めません: パイプが切断されました\n");
  EXPECT_EQ(FilesOf(target.Path()), FilesOf(base.Path()));
}

std::size_t CountEntries(const std::string& folder) {
  std::size_t count = 0;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") ++count;
    }
    ::closedir(dir);
  }
  return count;
}

bool HasEntry(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

TEST(CliSync, CtrlCStopsFurtherExecution) {
  constexpr int kFiles = 5000;
  TempDir base;
  TempDir target;
  for (int i = 0; i < kFiles; ++i) WriteFile(base / ("f" + std::to_string(i)), "x", Time(kT));

  CliProcess process({"sync", base.Path(), target.Path()});
  // The first copy shows that the run is under way (and the handler is in place).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!HasEntry(target.Path()) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  process.Signal(SIGINT);
  const CliResult r = process.Finish();

  ASSERT_EQ(r.status, 130) << "signal " << r.signal << " " << r.err;
  const std::size_t copied = CountEntries(target.Path());
  EXPECT_GT(copied, 0u);
  EXPECT_LT(copied, static_cast<std::size_t>(kFiles)) << "the run ended before the interrupt arrived";

  // Every file in the target was reported as copied, and every row reported
  // as copied is there: nothing was executed behind the list's back.
  std::size_t reportedCopies = 0;
  for (const auto& line : Lines(r.out)) {
    const std::string name = line.substr(0, line.find('\t'));
    const bool copiedRow = line.find("\t>=\t") != std::string::npos;
    EXPECT_EQ(copiedRow, Exists(target / name)) << line;
    if (copiedRow) ++reportedCopies;
  }
  EXPECT_EQ(reportedCopies, copied);
}

}  // namespace
}  // namespace orvel::test
