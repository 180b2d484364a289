// orvel-cli list and sync with folders on "another machine": a fake ssh that
// drops the host and runs the far command here, so the far side is a real
// orvel-cli --serve. Each scenario runs once with both folders local and once
// for every far layout, and must give the same rows and the same trees.
#include "cli/cli_process.h"
#include "support/sshd_fixture.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace orvel::test {

void PrintTo(const TreeEntry& entry, std::ostream* out) {
  *out << entry.path << (entry.content ? " file " + std::to_string(entry.content->size()) : " folder") << " @"
       << entry.mtime.sec << "." << entry.mtime.nsec;
}

namespace {

enum class Layout { Local, FarBase, FarTarget, FarBoth };

// Drops ssh's options, "--" and the host, and runs the far command line with sh.
constexpr const char* kFakeSsh = R"(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in --) shift; break;; esac; shift; done
shift
exec sh -c "$1"
)";

std::string WriteScript(const TempDir& dir, const std::string& name, const std::string& text) {
  const std::string path = dir / name;
  std::ofstream(path) << text;
  ::chmod(path.c_str(), 0755);
  return path;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The trees below hold no time after this one.
const platform::FileTime kLatestGiven = Time(1'700'000'001);

struct Outcome {
  int status = -1;
  std::string rows;  // with the far folders written as local ones
  std::string err;
  std::vector<TreeEntry> base;
  std::vector<TreeEntry> target;
};

// How the far folders are reached: by default the fake ssh and "h:".
struct Reach {
  std::string sshCommand;
  std::string prefix = "h:";
};

// One run in `dir` (holding "base" and "target") with the folders in `layout`.
Outcome RunIn(const TempDir& dir, const std::vector<std::string>& args, Layout layout, const Reach& reach = {}) {
  const bool farBase = layout == Layout::FarBase || layout == Layout::FarBoth;
  const bool farTarget = layout == Layout::FarTarget || layout == Layout::FarBoth;
  std::vector<std::string> all = args;
  all.push_back((farBase ? reach.prefix : "") + dir / "base");
  all.push_back((farTarget ? reach.prefix : "") + dir / "target");
  all.push_back("--ssh-command=" + (reach.sshCommand.empty() ? WriteScript(dir, "ssh", kFakeSsh) : reach.sshCommand));
  all.push_back("--remote-program=" + CliPath());
  CliProcess cli(all, {}, {}, CliSetup{.env = {"ORVEL_LANG=en"}});
  const CliResult result = cli.Finish(60'000);
  Outcome outcome;
  outcome.status = result.status;
  outcome.rows = Replaced(result.out, reach.prefix + dir.Path(), dir.Path());
  outcome.rows = Replaced(outcome.rows, dir.Path(), "<dir>");
  outcome.err = result.err;
  outcome.base = ReadTree(dir / "base");
  outcome.target = ReadTree(dir / "target");
  // A folder whose entries the run deleted has the time of the deletion.
  for (std::vector<TreeEntry>* tree : {&outcome.base, &outcome.target})
    for (TreeEntry& entry : *tree)
      if (!entry.content && entry.mtime > kLatestGiven) entry.mtime = {};
  return outcome;
}

// One run of a scenario's trees in a folder of its own.
Outcome RunPair(const std::vector<TreeEntry>& base, const std::vector<TreeEntry>& target,
                const std::vector<std::string>& args, Layout layout, const Reach& reach = {}) {
  TempDir dir;
  WriteTree(dir / "base", base);
  WriteTree(dir / "target", target);
  return RunIn(dir, args, layout, reach);
}

const std::vector<TreeEntry> kBase = {
    {"same.txt", "same", Time(1'600'000'000)},
    {"newer-here.txt", "new base", Time(1'700'000'000, 500)},
    {"newer-there.txt", "old base", Time(1'500'000'000)},
    {"only-base.txt", "b", Time(1'600'000'000)},
    {"deep", std::nullopt, Time(1'600'000'000)},
    {"deep/er", std::nullopt, Time(1'600'000'000)},
    {"deep/er/file.bin", std::string(600'000, 'x'), Time(1'600'000'000, 123'456'789)},
    {"empty-base", std::nullopt, Time(1'600'000'000)},
};
const std::vector<TreeEntry> kTarget = {
    {"same.txt", "same", Time(1'600'000'000)},
    {"newer-here.txt", "old target", Time(1'500'000'000)},
    {"newer-there.txt", "new target", Time(1'700'000'000)},
    {"only-target.txt", "t", Time(1'600'000'000)},
    {"gone", std::nullopt, Time(1'600'000'000)},
    {"gone/with", std::nullopt, Time(1'600'000'000)},
    {"gone/with/file.txt", "t2", Time(1'600'000'000)},
};

struct Scenario {
  const char* name;
  std::vector<std::string> args;
};

class RemotePairs : public ::testing::TestWithParam<Scenario> {};

TEST_P(RemotePairs, GiveTheRowsAndTreesOfALocalPair) {
  const Scenario& scenario = GetParam();
  const Outcome local = RunPair(kBase, kTarget, scenario.args, Layout::Local);
  ASSERT_FALSE(local.rows.empty());
  for (const Layout layout : {Layout::FarBase, Layout::FarTarget, Layout::FarBoth}) {
    SCOPED_TRACE(static_cast<int>(layout));
    const Outcome far = RunPair(kBase, kTarget, scenario.args, layout);
    EXPECT_EQ(far.status, local.status) << far.err;
    EXPECT_EQ(far.err.find("orvel-cli:"), std::string::npos) << far.err;
    EXPECT_EQ(far.rows, local.rows);
    EXPECT_EQ(far.base, local.base);
    EXPECT_EQ(far.target, local.target);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RemotePairs,
    ::testing::Values(Scenario{"List", {"list"}}, Scenario{"ListEmptyFolders", {"list", "--empty-folders"}},
                      Scenario{"ListTopOnly", {"list", "--no-subfolders"}}, Scenario{"Sync", {"sync"}},
                      Scenario{"CompleteSync", {"sync", "--complete", "--empty-folders"}}),
    [](const auto& param) { return std::string(param.param.name); });

// The remembered sync with far folders: a first run, a change to the trees,
// a second run; both runs must give the rows, status and trees of a local pair.
struct MemoryScenario {
  const char* name;
  std::vector<TreeEntry> base;
  std::vector<TreeEntry> target;
  std::function<void(const TempDir&)> change;
  const char* second;  // in the local second run's output; "" for no rows at all
};
void PrintTo(const MemoryScenario& scenario, std::ostream* out) { *out << scenario.name; }

constexpr std::int64_t kT = 1'600'000'000;
const std::vector<TreeEntry> kPair = {
    {"a.txt", "a", Time(kT)},       {"b.txt", "bb", Time(kT)},      {"d", std::nullopt, Time(kT)},
    {"d/1.txt", "1", Time(kT)},     {"d/2.txt", "2", Time(kT)},     {"d/3.txt", "3", Time(kT)},
    {"d/4.txt", "4", Time(kT)},     {"e.txt", "eee", Time(kT, 5)},
};

void Remove(const std::string& path) { ASSERT_EQ(std::system(("rm -r '" + path + "'").c_str()), 0); }

class RemoteMemory : public ::testing::TestWithParam<MemoryScenario> {};

TEST_P(RemoteMemory, RemembersAsALocalPairDoes) {
  const MemoryScenario& scenario = GetParam();
  const std::vector<std::string> args = {"sync", "--remember", "--hide-same"};
  const auto twice = [&](Layout layout) {
    TempDir dir;
    WriteTree(dir / "base", scenario.base);
    WriteTree(dir / "target", scenario.target);
    Outcome first = RunIn(dir, args, layout);
    scenario.change(dir);
    return std::pair{first, RunIn(dir, args, layout)};
  };
  const auto [localFirst, local] = twice(Layout::Local);
  EXPECT_TRUE(*scenario.second ? local.rows.find(scenario.second) != std::string::npos : local.rows.empty())
      << local.rows;
  for (const Layout layout : {Layout::FarBase, Layout::FarTarget, Layout::FarBoth}) {
    SCOPED_TRACE(static_cast<int>(layout));
    const auto [farFirst, far] = twice(layout);
    EXPECT_EQ(farFirst.rows, localFirst.rows) << farFirst.err;
    EXPECT_EQ(far.status, local.status) << far.err;
    EXPECT_EQ(far.rows, local.rows);
    EXPECT_EQ(far.base, local.base);
    EXPECT_EQ(far.target, local.target);
    EXPECT_EQ(far.err.find("has been replaced") == std::string::npos,
              local.err.find("has been replaced") == std::string::npos)
        << far.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RemoteMemory,
    ::testing::Values(
        MemoryScenario{"DeletionsTravel", kPair, kPair,
                       [](const TempDir& dir) {
                         Remove(dir / "base/d");  // five deletions: not yet a mass deletion
                         Remove(dir / "target/e.txt");
                       },
                       "d\t\tX="},
        MemoryScenario{"EditedOnBothStop", kPair, kPair,
                       [](const TempDir& dir) {
                         WriteFile(dir / "base/b.txt", "base edit", Time(kT + 10));
                         WriteFile(dir / "target/b.txt", "target edit", Time(kT + 20));
                       },
                       "\t!\t"},
        // Same size, same time, other bytes: only the stamp tells.
        MemoryScenario{"AnEditThatKeptItsTimeIsCopied", kPair, kPair,
                       [](const TempDir& dir) { WriteFile(dir / "target/b.txt", "BB", Time(kT)); }, "<="},
        // The same bytes at other times: the older side takes the newer time.
        MemoryScenario{"EqualEditsSettleTheirTimes", kPair, kPair,
                       [](const TempDir& dir) {
                         WriteFile(dir / "base/b.txt", "same edit", Time(kT + 10));
                         WriteFile(dir / "target/b.txt", "same edit", Time(kT + 20));
                       },
                       "<="},
        MemoryScenario{"FirstContactByContents",
                       {{"same.txt", "abc", Time(kT)}, {"differ.txt", "abc", Time(kT)}, {"size.txt", "a", Time(kT)}},
                       {{"same.txt", "abc", Time(kT)}, {"differ.txt", "xyz", Time(kT)}, {"size.txt", "ab", Time(kT)}},
                       [](const TempDir&) {}, "differ.txt"},
        MemoryScenario{"NothingLeftAfterACopy", kPair, {{"b.txt", "bb", Time(kT)}}, [](const TempDir&) {}, ""},
        MemoryScenario{"AReplacedRootIsNotRemembered", kPair, kPair,
                       [](const TempDir& dir) {
                         ASSERT_EQ(std::system(("cd '" + dir.Path() + "' && mv target old && cp -a old target").c_str()), 0);
                         Remove(dir / "base/a.txt");
                       },
                       "<="},
        MemoryScenario{"MassDeletionsAreRefused", kPair, kPair,
                       [](const TempDir& dir) {
                         Remove(dir / "base/d");
                         Remove(dir / "base/a.txt");
                         Remove(dir / "base/b.txt");
                       },
                       "\tX\t"}),  // asked, answered No: nothing deleted
    [](const auto& param) { return std::string(param.param.name); });

// What the far side is asked to write arrives whole or not at all.
TEST(RemoteSync, DropsSetIdBitsAndLeavesNoTemporaries) {
  TempDir dir;
  WriteTree(dir / "base", {{"tool", "#!/bin/sh\n", Time(1'600'000'000)}});
  ::chmod((dir / "base/tool").c_str(), 04755);
  ::mkdir((dir / "target").c_str(), 0755);
  CliProcess cli({"sync", dir / "base", "h:" + dir / "target", "--ssh-command=" + WriteScript(dir, "ssh", kFakeSsh),
                  "--remote-program=" + CliPath()});
  const CliResult result = cli.Finish(60'000);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ModeOf(dir / "target/tool") & 07777, 0755u);
  EXPECT_EQ(FolderNames(dir / "target"), std::vector<std::string>{"tool"});
}

struct Fault {
  const char* name;
  const char* ssh;      // the ssh command's script
  std::string program;  // the far program, as --remote-program takes it
  const char* said;     // what standard error must say
};

class RemoteConnectionFaults : public ::testing::TestWithParam<Fault> {};

// A connection that cannot be made is said with its reason, and the run
// fails (3) before anything is listed.
TEST_P(RemoteConnectionFaults, AreSaidAndFailTheRun) {
  const Fault& fault = GetParam();
  TempDir dir;
  WriteTree(dir / "base", {{"a.txt", "a", Time(1'600'000'000)}});
  ::mkdir((dir / "target").c_str(), 0755);
  CliProcess cli({"list", dir / "base", "h:" + dir / "target", "--ssh-command=" + WriteScript(dir, "ssh", fault.ssh),
                  "--remote-program=" + (fault.program.empty() ? CliPath() : fault.program)},
                 {}, {}, CliSetup{.env = {"ORVEL_LANG=en"}});
  const CliResult result = cli.Finish(60'000);
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find(fault.said), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Connections, RemoteConnectionFaults,
    ::testing::Values(
        Fault{"HostUnreachable", "#!/bin/sh\necho 'ssh: Could not resolve hostname h: Name or service not known' >&2\nexit 255\n",
              "", "the host h cannot be reached"},
        Fault{"LoginRefused", "#!/bin/sh\necho 'me@h: Permission denied (publickey).' >&2\nexit 255\n", "",
              "the host h refused the login"},
        Fault{"ProgramMissing", kFakeSsh, "/nonexistent/orvel-cli", "--remote-program"},
        Fault{"NotAServer", "#!/bin/sh\necho 'Welcome to h'\ncat >/dev/null\n", "", "Welcome to h"}),
    [](const auto& param) { return std::string(param.param.name); });

// In a Japanese run (the default) the fault is worded in Japanese, what the far
// side's shell said only as its detail, with what can be done from here.
TEST(RemoteConnectionFaultsJapanese, AMissingFarProgramIsSaidInTheRunsLanguage) {
  TempDir dir;
  ::mkdir((dir / "base").c_str(), 0755);
  CliProcess cli({"list", dir / "base", "h:" + dir / "target", "--ssh-command=" + WriteScript(dir, "ssh", kFakeSsh),
                  "--remote-program=/nonexistent/orvel-cli"});
  const CliResult result = cli.Finish(60'000);
  EXPECT_EQ(result.status, 3);
  const std::string said = WithoutSummary(result.err);
  const std::string start = "フォルダを読み込めません\nh:" + dir / "target" +
                            "/\nh に /nonexistent/orvel-cli がインストールされていません (";
  EXPECT_EQ(said.substr(0, start.size()), start) << said;
  EXPECT_NE(said.find(")。h に orvel-cli パッケージをインストールするか、--remote-program でプログラムのパスを指定"),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("installed"), std::string::npos) << said;
}

// A connection that drops in the middle of a sync: the rows done stay done,
// the others fail with the reason, and neither side keeps a part of a file.
TEST(RemoteSync, ADroppedConnectionFailsTheRestAndLeavesNothingHalfWritten) {
  TempDir dir;
  std::vector<TreeEntry> files;
  for (char c = 'a'; c <= 'f'; ++c) files.push_back({std::string(1, c) + ".bin", std::string(300'000, c), Time(1'600'000'000)});
  WriteTree(dir / "base", files);
  ::mkdir((dir / "target").c_str(), 0755);
  // The far side gets the first 700 kB of the stream, then its input ends.
  CliProcess cli({"sync", dir / "base", "h:" + dir / "target", "--ssh-command=" + WriteScript(dir, "ssh", kFakeSsh),
                  "--remote-program=dd iflag=count_bytes count=700000 bs=64K status=none | " + CliPath()});
  const CliResult result = cli.Finish(60'000);
  EXPECT_EQ(result.status, 3) << result.err;
  const std::vector<std::string> rows = Lines(result.out);
  ASSERT_EQ(rows.size(), files.size()) << result.out;
  std::size_t done = 0;
  for (const std::string& row : rows) done += row.find("\t>=\t") != std::string::npos ? 1 : 0;
  EXPECT_GE(done, 1u) << result.out;
  EXPECT_LT(done, files.size()) << result.out;
  // Every file there is whole; nothing else is.
  const std::vector<TreeEntry> there = ReadTree(dir / "target");
  EXPECT_EQ(there.size(), done);
  for (const TreeEntry& entry : there) EXPECT_EQ(entry.content->size(), 300'000u) << entry.path;
}

// What a local run offers works there too: a missing target is made on the
// far side when the user agrees, and the remembered state then lets a
// deletion travel there.
TEST(RemoteSync, MakesAMissingTargetThereAndRemembersThePair) {
  TempDir dir;
  WriteTree(dir / "base", {{"a.txt", "a", Time(1'600'000'000)}});
  const std::string ssh = "--ssh-command=" + WriteScript(dir, "ssh", kFakeSsh);
  const std::string far = "h:" + dir / "new/target";
  const auto sync = [&](std::vector<std::string> more) {
    more.insert(more.end(), {"sync", "--remember", dir / "base", far, ssh, "--remote-program=" + CliPath()});
    CliProcess cli(more, {}, {}, CliSetup{.env = {"ORVEL_LANG=en"}});
    return cli.Finish(60'000);
  };
  EXPECT_EQ(sync({}).status, 1);  // the question is answered No without a terminal
  EXPECT_FALSE(Exists(dir / "new"));
  const CliResult made = sync({"--yes"});
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(ReadFile(dir / "new/target/a.txt"), "a");
  EXPECT_EQ(TimeOf(dir / "new/target"), TimeOf(dir / "base"));  // like every folder a run makes
  ::unlink((dir / "base/a.txt").c_str());
  const CliResult again = sync({});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_FALSE(Exists(dir / "new/target/a.txt"));
  EXPECT_FALSE(Exists(dir / "base/a.txt"));
}

// The whole way once: a real ssh to a private sshd on 127.0.0.1.
TEST(RemoteSync, WorksThroughARealSshd) {
  SshServer sshd;
  if (!sshd.Started()) GTEST_SKIP() << sshd.SkipReason();
  const std::vector<std::string> args = {"sync", "--complete"};
  const Outcome local = RunPair(kBase, kTarget, args, Layout::Local);
  const Outcome far = RunPair(kBase, kTarget, args, Layout::FarTarget,
                              Reach{sshd.SshCommand(), "ssh://127.0.0.1:" + std::to_string(sshd.Port())});
  EXPECT_EQ(far.status, 0);
  EXPECT_EQ(far.rows, local.rows);
  EXPECT_EQ(far.target, local.target);
}

}  // namespace
}  // namespace orvel::test
