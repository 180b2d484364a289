// A tree deeper than a walk with one call a level could take (12,000 folders
// crashed the far side too), with paths far beyond PATH_MAX, synced with a
// folder on "another machine": a fake ssh runs the far orvel-cli --serve here.
#include "cli/cli_process.h"
#include "support/deep_tree.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace orvel::test {
namespace {

// Past the 12,000 that crashed the far side, paths of 25 KB. Each folder made
// on the far side still has its time set by a request of its own, naming its
// whole path, so the far case costs the square of its depth: kept near 12,000.
const std::size_t kFarDepth = std::getenv("DEPTH") ? std::stoul(std::getenv("DEPTH")) : 12'500;

// Drops ssh's options, "--" and the host, and runs the far command line with sh.
constexpr const char* kFakeSsh = R"(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in --) shift; break;; esac; shift; done
shift
exec sh -c "$1"
)";

// The result mark of the row of `name` in orvel-cli's rows.
std::string MarkOf(const std::string& rows, const std::string& name) {
  std::istringstream lines(rows);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(name + "\t", 0) != 0) continue;
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 3; ++i) std::getline(fields, field, '\t');
    return field;
  }
  return "no row";
}

TEST(DeepFarTree, SyncsBothWaysWithTheTargetFar) {
  for (const bool farBase : {false}) {
    SCOPED_TRACE(farBase ? "far base" : "far target");
    ScratchFolder dir;
    const std::string base = dir / "base", target = dir / "target", ssh = dir / "ssh";
    MakeFolder(base, Time(1'700'000'000));
    MakeFolder(target, Time(1'700'000'000));
    MakeDeepChain(base, kFarDepth, "b", "base.txt", "from base");
    MakeDeepChain(target, kFarDepth, "t", "target.txt", "from target");
    std::ofstream(ssh) << kFakeSsh;
    ::chmod(ssh.c_str(), 0755);
    const auto started = std::chrono::steady_clock::now();
    CliProcess cli({"sync", (farBase ? "h:" : "") + base, (farBase ? "" : "h:") + target, "--ssh-command=" + ssh,
                    "--remote-program=" + CliPath()},
                   {}, {}, CliSetup{.env = {"ORVEL_LANG=en"}});
    const CliResult result = cli.Finish(900'000);
    std::printf("sync of %zu levels through the far side: %lld ms\n", kFarDepth,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - started)
                                           .count()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(MarkOf(result.out, "base.txt"), ">=");
    EXPECT_EQ(MarkOf(result.out, "target.txt"), "<=");
    EXPECT_EQ(ReadDeepChain(target, "b", "base.txt").file, "from base");
    EXPECT_EQ(ReadDeepChain(base, "t", "target.txt").file, "from target");
    RemoveDeepTree(base);
    RemoveDeepTree(target);
  }
}

}  // namespace
}  // namespace orvel::test
