// Rows with a folder on "another machine" (a fake ssh running orvel-cli --serve
// here) carried out by the row commands after the run: a file replaced by a
// folder or the reverse, and a conflict that keeps both versions, leave the
// trees a local pair would, whichever side is far.
#include "cli/cli_process.h"
#include "engine/engine_fakes.h"
#include "engine/sync_execution.h"
#include "remote/far_folder.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace orvel::test {
namespace {

using engine::Mark;

constexpr const char* kFakeSsh = R"(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in --) shift; break;; esac; shift; done
shift
exec sh -c "$1"
)";

remote::SshFarSides FarSides(const TempDir& dir) {
  const std::string ssh = dir / "ssh";
  std::ofstream(ssh) << kFakeSsh;
  ::chmod(ssh.c_str(), 0755);
  return remote::SshFarSides(remote::SshSetup{ssh, CliPath()}, "test");
}

// The names beside others carry the time of their making.
std::vector<TreeEntry> Settled(std::vector<TreeEntry> tree) {
  for (TreeEntry& entry : tree) {
    for (const std::string_view word : {"(conflict ", "(replaced "}) {
      const std::size_t at = entry.path.find(word);
      const std::size_t from = at + word.size() - 1;  // the space before the time
      if (at != std::string::npos) entry.path.erase(from, entry.path.find(')', at) - from);
    }
    if (!entry.content && entry.mtime > Time(2000)) entry.mtime = {};  // made now
  }
  return tree;
}

struct RowCase {
  const char* name;
  std::vector<TreeEntry> base;
  std::vector<TreeEntry> target;
  Mark mark;
  bool isFolder;  // the base's entry is the folder
  bool kindChange;
  bool stale;  // the base's entry changed since the list
  std::vector<std::string> baseAfter, targetAfter;  // the paths afterwards
};

enum Layout { kLocal, kFarBase, kFarTarget, kFarBoth };

struct Outcome {
  std::string shown;
  std::vector<TreeEntry> base, target;
};

Outcome RunRow(const RowCase& c, Layout layout, engine::KeepVersion keep = engine::KeepVersion::Both) {
  TempDir dir;
  WriteTree(dir / "base", c.base);
  WriteTree(dir / "target", c.target);
  remote::SshFarSides far = FarSides(dir);
  const auto root = [&](const char* side, bool isFar) { return (isFar ? "h:" : "") + (dir / side) + "/"; };
  engine::RowStore rows;
  engine::ResultItems items(rows);
  FakePrompt prompt;
  prompt.versions = {keep};
  engine::SyncExecution execution(rows, items, [] { return false; });
  execution.SetPrompt(&prompt);
  execution.UseFarSides(&far);
  engine::ResultRow row;
  row.folder = rows.InternFolder(root("base", layout == kFarBase || layout == kFarBoth),
                                 root("target", layout == kFarTarget || layout == kFarBoth));
  row.mark = row.result = c.mark;
  row.isFolder = c.isFolder;
  row.kindChange = c.kindChange;
  row.hasBase = row.hasTarget = true;
  row.baseTime = c.stale ? Time(1) : c.base.front().mtime;
  row.targetTime = c.target.front().mtime;
  const int index = rows.Append("x", row);
  items.AppendItem(index);
  // The folder's tree as the list saw it, deepest first.
  std::vector<engine::ReplacedEntry> tree;
  for (const std::vector<TreeEntry>* side : {&c.base, &c.target})
    for (auto entry = side->rbegin(); entry != side->rend(); ++entry)
      if (entry->path.starts_with("x/")) tree.push_back({entry->path.substr(2), !entry->content, entry->mtime});
  execution.Memory().NoteReplacedTree(index, tree);

  engine::RootLocks locks;
  EXPECT_TRUE(execution.LockRoots(0, locks, prompt));
  execution.ExecuteRow(0, engine::Direction::AsMarked);
  execution.Release();
  return Outcome{items.ItemText(0, 2), Settled(ReadTree(dir / "base")), Settled(ReadTree(dir / "target"))};
}

class RemoteRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(RemoteRows, LeaveTheTreesOfALocalPair) {
  const RowCase& c = GetParam();
  const Outcome local = RunRow(c, kLocal);
  const auto paths = [](const std::vector<TreeEntry>& tree) {
    std::vector<std::string> out;
    for (const TreeEntry& entry : tree) out.push_back(entry.path);
    return out;
  };
  EXPECT_EQ(paths(local.base), c.baseAfter) << local.shown;
  EXPECT_EQ(paths(local.target), c.targetAfter) << local.shown;
  EXPECT_EQ(local.shown == "?", c.stale) << local.shown;
  for (const Layout layout : {kFarBase, kFarTarget, kFarBoth}) {
    SCOPED_TRACE(layout);
    const Outcome far = RunRow(c, layout);
    EXPECT_EQ(far.shown, local.shown);
    EXPECT_EQ(far.base, local.base);
    EXPECT_EQ(far.target, local.target);
  }
}

const platform::FileTime kOld = Time(1000), kNew = Time(1500);

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteRows,
    ::testing::Values(
        RowCase{"FileReplacesFolder",
                {{"x", "new", kNew}},
                {{"x", std::nullopt, kOld}, {"x/sub", std::nullopt, kOld}, {"x/sub/in.txt", "i", kOld}},
                Mark::BaseNewer, false, true, false, {"x"}, {"x"}},
        RowCase{"FolderReplacesFile", {{"x", std::nullopt, kNew}}, {{"x", "old", kOld}}, Mark::BaseNewer, true, true,
                false, {"x"}, {"x"}},
        RowCase{"FolderReplacesFileInTheBase", {{"x", "old", kOld}}, {{"x", std::nullopt, kNew}, {"x/f", "f", kOld}},
                Mark::TargetNewer, false, true, false, {"x"}, {"x", "x/f"}},
        RowCase{"ConflictKeepsBoth", {{"x", "base", kNew}}, {{"x", "target", kOld}}, Mark::Conflict, false, false,
                false, {"x", "x (conflict)"}, {"x", "x (conflict)"}},
        // The base's file changed since the list: nothing is touched.
        RowCase{"ChangedSinceTheList", {{"x", "old", kOld}}, {{"x", std::nullopt, kNew}, {"x/f", "f", kOld}},
                Mark::TargetNewer, false, true, true, {"x"}, {"x", "x/f"}}),
    [](const auto& param) { return std::string(param.param.name); });

// Keeping one version of a conflict where the other is on another machine:
// that one stays beside under a name of its own (this machine's trash is
// checked by the engine's tests).
TEST(RemoteRowCommands, KeepingOneVersionNeverDestroysTheOther) {
  const RowCase c{"Conflict", {{"x", "base", kNew}}, {{"x", "target", kOld}}, Mark::Conflict, false, false, false, {},
                  {}};
  for (const auto& [layout, keepBase] : {std::pair{kFarTarget, true}, {kFarBoth, true}, {kFarBase, false}}) {
    SCOPED_TRACE(layout);
    const Outcome o = RunRow(c, layout, keepBase ? engine::KeepVersion::Base : engine::KeepVersion::Target);
    EXPECT_EQ(o.shown, keepBase ? ">=" : "<=");
    const std::vector<TreeEntry>& other = keepBase ? o.target : o.base;
    ASSERT_EQ(other.size(), 2u);
    EXPECT_EQ(other[0].content, keepBase ? "base" : "target");
    EXPECT_EQ(other[1], (TreeEntry{"x (conflict)", keepBase ? "target" : "base", keepBase ? kOld : kNew}));
  }
}

// The row commands of the desktop program after a list of a pair with a far
// target: the far root is opened again, and only while it is the folder the
// list was made from.
TEST(RemoteRowCommands, ReachTheListedFarFolderAndNoOther) {
  TempDir dir;
  WriteTree(dir / "base", {{"a.txt", "base old", kOld}});
  WriteTree(dir / "target", {{"a.txt", "target new", kNew}});
  remote::SshFarSides far = FarSides(dir);
  EngineRig rig;
  rig.host.conditions.push_back(MakeCondition(dir / "base", "h:" + dir / "target"));
  rig.engine.UseFarSides(&far);
  ASSERT_EQ(rig.engine.RunAllConditions(false), engine::RunOutcome::Completed);
  ASSERT_EQ(rig.items.ItemCount(), 1);
  FakeSelection all;
  all.items = {0};
  rig.prompt.answers = {true, true};
  EXPECT_EQ(rig.engine.RunRowCommand(engine::Direction::ForceBase, false, all), engine::RowLoopOutcome::Completed);
  EXPECT_EQ(rig.items.ItemText(0, 2), ">=");
  EXPECT_EQ(ReadFile(dir / "target/a.txt"), "base old");

  // Another folder under the far name now, with a file as the row expects
  // there: the row fails and the file stays as it is.
  ASSERT_EQ(::rename((dir / "target").c_str(), (dir / "listed").c_str()), 0);
  WriteTree(dir / "target", {{"a.txt", "other", kOld}});
  EXPECT_EQ(rig.engine.ExecuteRow(0, engine::Direction::ForceBase).shown, Mark::Failed);
  EXPECT_EQ(ReadFile(dir / "target/a.txt"), "other");
}

}  // namespace
}  // namespace orvel::test
