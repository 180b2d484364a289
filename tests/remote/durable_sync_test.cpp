// A power cut right after a sync, and files named like temporaries: the target here and on "another
// machine" (a fake ssh that runs the far orvel-cli --serve here).
#include "cli/cli_process.h"
#include "support/loop_disk.h"
#include "support/loop_mount.h"
#include "support/shell_command.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1'600'000'000;

// Drops ssh's options, "--" and the host, and runs the far command line with sh.
constexpr const char* kFakeSsh = R"(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in --) shift; break;; esac; shift; done
shift
exec sh -c "$1"
)";

// orvel-cli with the target written as a far folder when `far`.
CliResult Sync(const TempDir& dir, const std::string& base, const std::string& target, bool far,
               std::vector<std::string> args) {
  args.insert(args.begin(), "sync");
  args.insert(args.end(), {"--yes", "--lang", "en", base, far ? "h:" + target : target});
  if (far) {
    const std::string ssh = dir / "ssh";
    std::ofstream(ssh) << kFakeSsh;
    ::chmod(ssh.c_str(), 0755);
    args.insert(args.end(), {"--ssh-command=" + ssh, "--remote-program=" + CliPath()});
  }
  CliProcess cli(args);
  return cli.Finish(60'000);
}

class PowerCut : public ::testing::TestWithParam<bool> {};

// The target's disk keeps only what reached it (its image copied at once): the next remembered sync
// must find the copies there, and never delete the base's files or revert its edit.
TEST_P(PowerCut, RightAfterARememberedSyncLosesNothing) {
  const bool far = GetParam();
  TempDir dir;
  LoopDisk disk("mkfs.ext4 -q", dir / "mnt", dir / "image");
  if (!disk.Why().empty()) GTEST_SKIP() << disk.Why();
  const std::string base = dir / "base";
  const std::string target = dir / "mnt/t";
  WriteFile(base + "/a.txt", "first", Time(kT));
  MakeFolder(target, Time(kT));
  ASSERT_EQ(Sync(dir, base, target, far, {"--remember"}).status, 0);
  // Long ago: the disk has all of it.
  ASSERT_EQ(RunCommand("sync -f '" + target + "'"), 0);

  WriteFile(base + "/a.txt", "edited in the base", Time(kT + 60));
  for (const char* name : {"n1.txt", "n2.txt", "sub/n3.txt"}) WriteFile(base + "/" + name, name, Time(kT + 10));
  const CliResult run = Sync(dir, base, target, far, {"--remember"});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(RunCommand("cp --sparse=always '" + dir / "image" + "' '" + dir / "cut" + "'"), 0);
  disk.Unmount();
  ASSERT_EQ(std::rename((dir / "cut").c_str(), (dir / "image").c_str()), 0);
  ASSERT_TRUE(disk.Mount());

  const CliResult after = Sync(dir, base, target, far, {"--remember"});
  EXPECT_EQ(after.status, 0) << after.out << after.err;
  EXPECT_EQ(ReadTree(base), ReadTree(target));
  for (const char* name : {"n1.txt", "n2.txt", "sub/n3.txt"}) EXPECT_EQ(ReadFile(base + "/" + name), name);
  EXPECT_EQ(ReadFile(base + "/a.txt"), "edited in the base");
}

INSTANTIATE_TEST_SUITE_P(Targets, PowerCut, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Far" : "Local"; });

// Names like ".NAME.orvel-XXXXXX": a user's file takes part like any other;
// only the program's own leftover, proven by its mark, goes (and is counted).
struct Lookalike {
  const char* name;
  std::vector<std::string> args;
  bool far;
  bool exfat;           // the target on a file system without attributes
  bool markedLeftover;  // the target's file is a marked leftover, not a user's
  const char* notice;   // in the output, or ""
};

class LookalikeNames : public ::testing::TestWithParam<Lookalike> {};

TEST_P(LookalikeNames, AreUsersFilesUnlessTheMarkSaysOtherwise) {
  const Lookalike& c = GetParam();
  TempDir dir;
  std::optional<LoopMount> mount;
  if (c.exfat) {
    mount.emplace(LoopMount::Kind::ExfatFuse);
    if (!mount->Mounted()) GTEST_SKIP() << mount->SkipReason();
  }
  const std::string base = dir / "base";
  const std::string target = c.exfat ? mount->Path() + "/t" : dir / "target";
  WriteFile(base + "/.x.orvel-abc123", "the user's", Time(kT));
  if (c.markedLeftover) {
    WriteLeftover(target + "/.y.orvel-xyz789", "half a copy", Time(kT));
  } else {
    WriteFile(target + "/.y.orvel-xyz789", "also the user's", Time(kT));
  }
  std::vector<std::string> args = c.args;
  args.push_back("--json");
  const CliResult run = Sync(dir, base, target, c.far, args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(c.markedLeftover ? "\"leftovers_removed\": 1" : "\"leftovers_removed\": 0"), std::string::npos)
      << run.out;
  EXPECT_NE((run.out + run.err).find(c.notice), std::string::npos) << run.out << run.err;
  EXPECT_EQ(ReadFile(target + "/.x.orvel-abc123"), "the user's");
  EXPECT_EQ(Exists(base + "/.y.orvel-xyz789"), !c.markedLeftover);
  EXPECT_EQ(Exists(target + "/.y.orvel-xyz789"), !c.markedLeftover);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LookalikeNames,
    ::testing::Values(
        Lookalike{"PlainSync", {}, false, false, false, ""},
        Lookalike{"RememberedSync", {"--remember"}, false, false, false, ""},
        Lookalike{"FarSync", {"--remember"}, true, false, false, ""},
        Lookalike{"OurLeftoverGoes", {}, false, false, true, ""},
        Lookalike{"OurFarLeftoverGoes", {}, true, false, true, ""},
        Lookalike{"NoAttributesNothingGoesByName", {}, false, true, false, "\"notice\":\"temporary_unproven\""}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orvel::test
