// orvel-cli --remember end to end: several runs over real trees, the state in
// the test program's own XDG_STATE_HOME.
#include "cli/cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000000;

// The result column of each output line, by name.
std::string ResultOf(const std::string& out, const std::string& name) {
  for (const std::string& line : Lines(out)) {
    if (line.rfind(name + "\t", 0) != 0) continue;
    const auto first = line.find('\t');
    const auto second = line.find('\t', first + 1);
    return line.substr(second + 1, line.find('\t', second + 1) - second - 1);
  }
  return "(no row)";
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class RememberCli : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTree(base.Path(), {{"a.txt", "a", Time(kT)}, {"b.txt", "b", Time(kT)}, {"d/c.txt", "c", Time(kT)}});
    const CliResult first = RunCli({"sync", "--remember", base.Path(), target.Path()});
    ASSERT_EQ(first.status, 0) << first.err;
  }
  CliResult Run(const std::string& command, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{command, "--remember", base.Path(), target.Path()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(args);
  }
  TempDir base;
  TempDir target;
};

TEST_F(RememberCli, DeletionsTravelAndConflictsExitWithThree) {
  ASSERT_EQ(std::remove((target / "a.txt").c_str()), 0);
  ASSERT_EQ(std::system(("rm -r '" + base / "d" + "'").c_str()), 0);
  WriteFile(base / "b.txt", "base edit", Time(kT + 10));
  WriteFile(target / "b.txt", "target edit", Time(kT + 20));

  const CliResult listed = Run("list", {"--json"});
  EXPECT_EQ(listed.status, 3) << listed.err;
  EXPECT_NE(listed.out.find(R"("name":"b.txt")"), std::string::npos);
  EXPECT_NE(listed.out.find(R"("result":"!","mark":"!","reason":"edited on both sides since the last sync")"),
            std::string::npos)
      << listed.out;
  EXPECT_NE(listed.out.find(R"("result":"<X","mark":"<X")"), std::string::npos) << listed.out;

  const CliResult synced = Run("sync");
  EXPECT_EQ(synced.status, 3) << synced.err;
  EXPECT_EQ(ResultOf(synced.out, "a.txt"), "<X=");
  EXPECT_EQ(ResultOf(synced.out, "c.txt"), "X=");
  EXPECT_EQ(ResultOf(synced.out, "d"), "X=");  // the emptied folder follows its file
  EXPECT_EQ(ResultOf(synced.out, "b.txt"), "!");
  EXPECT_FALSE(Exists(base / "a.txt"));
  EXPECT_FALSE(Exists(target / "d"));
  EXPECT_EQ(ReadFile(base / "b.txt"), "base edit");
  EXPECT_EQ(ReadFile(target / "b.txt"), "target edit");

  // Only the conflict is left, and it stays until someone settles it.
  const CliResult again = Run("sync", {"--hide-same"});
  EXPECT_EQ(again.status, 3);
  EXPECT_EQ(Lines(again.out).size(), 1u) << again.out;
}

TEST_F(RememberCli, WithoutTheOptionTheStateIsNotUsed) {
  ASSERT_EQ(std::remove((target / "a.txt").c_str()), 0);
  const CliResult plain = RunCli({"sync", base.Path(), target.Path()});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(ResultOf(plain.out, "a.txt"), ">=");
  EXPECT_EQ(ReadFile(target / "a.txt"), "a");
}

TEST_F(RememberCli, AReplacedRootIsSaidOnceAndTheRunGoesOn) {
  TempDir moved;
  const std::string old = moved / "old";
  ASSERT_EQ(std::rename(target.Path().c_str(), old.c_str()), 0);
  WriteTree(target.Path(), {{"a.txt", "a", Time(kT)}});
  const CliResult r = Run("sync");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Count(r.err, target.Path()), 1u) << r.err;
  EXPECT_EQ(ResultOf(r.out, "b.txt"), ">=");  // copied again, not deleted from the base
  EXPECT_TRUE(Exists(base / "b.txt"));
  const CliResult quiet = Run("sync");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(WithoutSummary(quiet.err), "");
  ASSERT_EQ(std::rename(target.Path().c_str(), (moved / "new").c_str()), 0);
  ASSERT_EQ(std::rename(old.c_str(), target.Path().c_str()), 0);  // for the TempDir's removal
}

TEST_F(RememberCli, AnEmptiedSideStopsTheRunUnlessMassDeletionsAreAllowed) {
  // More than a handful remembered: six files and a folder.
  WriteTree(base.Path(), {{"e.txt", "e", Time(kT)}, {"f.txt", "f", Time(kT)}, {"g.txt", "g", Time(kT)}});
  ASSERT_EQ(Run("sync").status, 0);
  ASSERT_EQ(std::system(("rm -r '" + target.Path() + "'/*").c_str()), 0);
  // --yes answers other questions, never this one; nor does complete sync's --allow-empty-base.
  for (const char* option : {"--yes", "--allow-empty-base"}) {
    const CliResult stopped = Run("sync", {option});
    EXPECT_EQ(stopped.status, 1) << stopped.err;
    EXPECT_NE(stopped.err.find("--allow-mass-delete"), std::string::npos) << stopped.err;
    EXPECT_EQ(ReadTree(base.Path()).size(), 7u);
  }
  const CliResult allowed = Run("sync", {"--allow-mass-delete"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_TRUE(ReadTree(base.Path()).empty());
}

// A state that cannot be used is said, nothing is deleted on its strength, and
// the run ends with 3: it did not do what --remember asks.
TEST_F(RememberCli, AStateThatCannotBeUsedIsSaidAndEndsWithThree) {
  const std::string state = std::string(std::getenv("XDG_STATE_HOME")) + "/orvel/sync-state.db";
  for (const auto& [spoil, said] : {std::pair{"chmod 0666 ", "not yours alone"}, {": > ", "kept as"}}) {
    ASSERT_EQ(std::remove((target / "a.txt").c_str()), 0);
    ASSERT_EQ(std::system((spoil + ("'" + state + "'")).c_str()), 0);
    const CliResult r = Run("sync", {"--lang", "en"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(ResultOf(r.out, "a.txt"), ">=");  // copied back, never deleted
    ::chmod(state.c_str(), 0644);
  }
}

}  // namespace
}  // namespace orvel::test
