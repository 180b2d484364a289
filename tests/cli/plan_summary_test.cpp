// --dry-run: the list, then the plan of what a sync run would do; every run
// ends with its summary, as the last line on standard error and, with --json,
// the last object on standard output.
#include "cli_process.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

namespace orvel::test {
namespace {

TEST(CliPlanSummary, ADryRunOfASyncTouchesNothingAndSaysWhatTheSyncWouldDo) {
  TempDir base;
  TempDir target;
  WriteFile(base / "new.txt", "12345", Time(2000));
  WriteFile(target / "new.txt", "x", Time(1000));
  WriteFile(target / "only.txt", "abc", Time(1000));
  const CliResult r = RunCli({"sync", "--dry-run", "--json", "--lang", "en", base.Path(), target.Path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(target / "new.txt"), "x");
  EXPECT_FALSE(Exists(base / "only.txt"));
  const std::vector<std::string> out = Lines(r.out);
  ASSERT_EQ(out.size(), 4u) << r.out;
  EXPECT_EQ(out[2],
            "{\"plan\": {\"copy_to_target\": {\"entries\": 1, \"bytes\": 5}, \"copy_to_base\": {\"entries\": 1, "
            "\"bytes\": 3}, \"delete_in_target\": {\"to_trash\": 0, \"for_good\": 0}, \"delete_in_base\": {\"to_trash\": "
            "0, \"for_good\": 0}, \"conflicts\": 0, \"failures\": 0, \"conditions\": 1}}");
  EXPECT_EQ(out[3].rfind("{\"summary\": {\"run\": \"list\", \"cancelled\": false, \"rows\": 2, ", 0), 0u) << out[3];
  const std::vector<std::string> err = Lines(r.err);
  ASSERT_EQ(err.size(), 8u) << r.err;
  EXPECT_EQ(err[1], "Copy base to target: 1 (5 B)");
  EXPECT_EQ(err[2], "Copy target to base: 1 (3 B)");
  EXPECT_EQ(err.back().rfind("List creation: 2 rows, conflicts 0, failures 0, time 0:0", 0), 0u) << err.back();

  const CliResult sync = RunCli({"sync", base.Path(), target.Path()});
  ASSERT_EQ(sync.status, 0) << sync.err;
  EXPECT_EQ(Lines(sync.err).back().rfind("同期実行: 基本→対照 1 件 (5 B)、対照→基本 1 件 (3 B)、削除 0 件", 0), 0u)
      << sync.err;
}

}  // namespace
}  // namespace orvel::test
