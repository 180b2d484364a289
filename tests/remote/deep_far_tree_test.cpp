// A deep tree with paths far beyond PATH_MAX, synced with a
// folder on "another machine": a fake ssh runs the far orvel-cli --serve here.
#include "cli/cli_process.h"
#include "support/deep_tree.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace orvel::test {
namespace {

// Paths of 10 KB, far beyond PATH_MAX; the far side scans with the same walk
// the local test takes 100,000 deep. Each folder made on the far side still has
// its time set by a request of its own, naming its whole path, so the far case
// costs the square of its depth (12,500 levels took minutes): kept at 5,000.
constexpr std::size_t kFarDepth = 5'000;

// Drops ssh's options, "--" and the host, and runs the far command line with sh.
constexpr const char* kFakeSsh = R"(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in --) shift; break;; esac; shift; done
shift
exec sh -c "$1"
)";

// The result mark of the row of `name` in orvel-cli's rows (name, base time, mark, ...).
std::string MarkOf(const std::string& rows, const std::string& name) {
  const std::size_t line = rows.find(name + "\t");
  const std::size_t mark = line == std::string::npos ? line : rows.find('\t', line + name.size() + 1);
  return mark == std::string::npos ? "no row" : rows.substr(mark + 1, rows.find('\t', mark + 1) - mark - 1);
}

TEST(DeepFarTree, SyncsBothWaysWithTheTargetFar) {
  ScratchFolder dir;
  const std::string base = dir / "base", target = dir / "target", ssh = dir / "ssh";
  MakeFolder(base, Time(1'700'000'000));
  MakeFolder(target, Time(1'700'000'000));
  MakeDeepChain(base, kFarDepth, "b", "base.txt", "from base");
  MakeDeepChain(target, kFarDepth, "t", "target.txt", "from target");
  std::ofstream(ssh) << kFakeSsh;
  ::chmod(ssh.c_str(), 0755);
  CliProcess cli({"sync", base, "h:" + target, "--ssh-command=" + ssh, "--remote-program=" + CliPath()}, {}, {},
                 CliSetup{.env = {"ORVEL_LANG=en"}});
  const CliResult result = cli.Finish(900'000);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(MarkOf(result.out, "base.txt"), ">=");
  EXPECT_EQ(MarkOf(result.out, "target.txt"), "<=");
  EXPECT_EQ(ReadDeepChain(target, "b", "base.txt").file, "from base");
  EXPECT_EQ(ReadDeepChain(base, "t", "target.txt").file, "from target");
  RemoveDeepTree(base);
  RemoveDeepTree(target);
}

}  // namespace
}  // namespace orvel::test
