// orvel-cli --json against far sides that fail or lie (a stand-in program
// behind a fake ssh, one lie at a time): each ends as it should, says why in
// an {"error"} object where it stopped a condition, within the patience the
// test gives it, and leaves nothing half-received.
#include "cli/cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>

#include <sys/stat.h>

namespace orvel::test {
namespace {

// Drops ssh's options and the host; the far program replaces the shell, as
// the far program is a real ssh's own.
constexpr const char* kFakeSsh =
    "#!/bin/sh\nwhile [ $# -gt 0 ]; do case \"$1\" in --) shift; break;; esac; shift; done\nshift\nexec sh -c \"exec $1\"\n";

CliResult RunAt(const TempDir& dir, std::vector<std::string> args, const char* ssh, const std::string& program) {
  std::ofstream(dir / "ssh") << ssh;
  ::chmod((dir / "ssh").c_str(), 0755);
  args.insert(args.end(), {"--ssh-command=" + dir / "ssh", "--remote-program=" + program});
  return CliProcess(args, {}, {}, CliSetup{.env = {"ORVEL_LANG=en", "ORVEL_TEST_PATIENCE_MS=1000"}}).Finish(60'000);
}

struct Lie {
  const char* name;
  const char* lie;          // the stand-in's; "" for orvel-cli itself
  const char* base;         // "h:base" is reached through ssh
  const char* target;
  const char* ssh;
  int status;
  const char* said;  // on standard error, or on standard output
  const char* code;  // of the {"error"} object; "" for none
};
void PrintTo(const Lie& lie, std::ostream* out) { *out << lie.name; }

class FarSides : public ::testing::TestWithParam<Lie> {};

TEST_P(FarSides, AreNotBelieved) {
  const Lie& lie = GetParam();
  TempDir dir;
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteFile(dir / "base/" + name, "0123456789", Time(1));
  MakeFolder(dir / "target", Time(1));
  const auto folder = [&](std::string f) { return f.starts_with("h:") ? "h:" + dir / f.substr(2) : dir / f; };
  const auto start = std::chrono::steady_clock::now();
  const CliResult r = RunAt(dir, {lie.base[0] == 'h' ? "sync" : "list", "--json", folder(lie.base), folder(lie.target)},
                          lie.ssh, *lie.lie ? std::string(ORVEL_LYING_FAR_SIDE) + " " + lie.lie : CliPath());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << r.err;
  EXPECT_EQ(r.status, lie.status) << r.err;
  EXPECT_NE((r.err + r.out).find(lie.said), std::string::npos) << r.err << r.out;
  EXPECT_EQ(r.err.find("ended unexpectedly"), std::string::npos) << r.err;
  const std::size_t error = r.out.find(std::string("{\"error\": {\"code\": \"") + lie.code + "\", \"folder\": \"");
  EXPECT_EQ(error == std::string::npos, !*lie.code) << r.out;
  EXPECT_EQ(r.out.find("\"failures\": 0,") == std::string::npos, lie.status != 0) << r.out;
  for (const std::string& name : FolderNames(dir / "target")) EXPECT_EQ(name.find(".orvel-"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Lies, FarSides,
    ::testing::Values(
        Lie{"ProgressThatStandsStill", "stall-scan", "base", "h:target", kFakeSsh, 3, "Timeout: no answer from h:/", "timeout"},
        Lie{"Silence", "silent-scan", "base", "h:target", kFakeSsh, 3, "for 1 s; the connection was ended", "timeout"},
        Lie{"AStoppedFarProgram", "stop-scan", "base", "h:target", kFakeSsh, 3, "Timeout: no answer", "timeout"},
        Lie{"SilenceInASync", "silent-second-read", "h:base", "target", kFakeSsh, 3, "txt: timeout", "timeout"},
        Lie{"SlowButMoving", "slow-scan", "base", "h:target", kFakeSsh, 0, "List creation: 4 rows", ""},
        Lie{"AReplyToAnotherRequest", "other-id", "base", "h:target", kFakeSsh, 3, "out of order", "protocol_error"},
        Lie{"MoreThanAnnounced", "longer", "h:base", "target", kFakeSsh, 3, "protocol does not allow", ""},
        Lie{"LessThanAnnounced", "shorter", "h:base", "target", kFakeSsh, 3, "protocol does not allow", ""},
        Lie{"ClaimedSizesAreNotCounted", "huge-sizes", "h:base", "target", kFakeSsh, 0,
            "\"copied_to_target\": {\"entries\": 4, \"bytes\": 40}", ""},
        Lie{"MissingBase", "", "none", "h:target", kFakeSsh, 1, "The base folder does not exist", "folder_missing"},
        Lie{"HostUnreachable", "", "base", "h:target",
            "#!/bin/sh\necho 'ssh: Could not resolve hostname h: Name or service not known' >&2\nexit 255\n", 3,
            "cannot be reached", "host_unreachable"}),
    [](const auto& param) { return std::string(param.param.name); });

// Extension lists longer than a request carries work as locally, with either
// side or both on the far machine.
TEST(FarSides, TakeExtensionListsOfAnyLength) {
  std::string many;
  for (int i = 0; i < 1500; ++i) many += "x" + std::to_string(i) + " ";
  for (const std::string& option : {"--ext=" + many + "txt", "--no-ext=" + many + "dat"}) {
    std::string local;
    for (const char* far : {"", "b", "t", "bt"}) {
      TempDir dir;
      WriteTree(dir / "base", {{"a.txt", "a", Time(1)}, {"b.dat", "b", Time(1)}, {"s/c.TXT", "c", Time(1)}});
      WriteTree(dir / "target", {{"d.txt", "d", Time(1)}, {"e.dat", "e", Time(1)}});
      const std::string b = std::strchr(far, 'b') ? "h:" : "", t = std::strchr(far, 't') ? "h:" : "";
      const CliResult r = RunAt(dir, {"list", option, b + dir / "base", t + dir / "target"}, kFakeSsh, CliPath());
      EXPECT_EQ(r.status, 0) << r.err;
      std::string names;
      for (const std::string& line : Lines(r.out)) names += line.substr(0, line.find('\t')) + " ";
      if (!*far) local = names;
      EXPECT_EQ(names, local) << far << " " << option.substr(0, 5);
    }
    EXPECT_EQ(Lines(local).size(), 1u);
    EXPECT_EQ(std::count(local.begin(), local.end(), ' '), 3) << local;
  }
}

}  // namespace
}  // namespace orvel::test
