// The in-memory result list: rows' own texts until execution sets a result.
#include "engine/result_items.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace orvel::engine {
namespace {

TEST(ResultItemsTest, ShowsRowTextsUntilColumnsAreSet) {
  setenv("TZ", "UTC", 1);
  tzset();
  RowStore rows;
  ResultRow row;
  row.folder = rows.InternFolder("/b/sub/", "/t/sub/");
  row.hasBase = true;
  row.baseTime = {1700000000, 0};
  row.hasTarget = true;
  row.targetTime = {1600000000, 0};
  row.mark = Mark::Same;
  row.result = Mark::BaseNewer;
  row.side = Side::Target;
  ResultItems items(rows);
  items.AppendItem(rows.Append("a.txt", row));
  items.AppendItem(rows.Append("b.txt", row));

  EXPECT_EQ(items.ItemText(0, 0), "a.txt");
  EXPECT_EQ(items.ItemText(0, 1), "2023/11/14 22:13:20");
  EXPECT_EQ(items.ItemText(0, 2), ">");
  EXPECT_EQ(items.ItemText(0, 3), "2020/09/13 12:26:40");
  EXPECT_EQ(items.ItemText(0, 4), "/t/sub/");

  // What execution sets: a new mark and a date copied over the other; a later
  // copy the other way finds both columns already alike.
  items.SetItemResult(0, ItemResult{Mark::BaseSynced, DateCopy::BaseOverTarget, {}});
  EXPECT_EQ(items.ItemText(0, 3), "2023/11/14 22:13:20");
  EXPECT_EQ(items.ItemText(0, 2), ">=");
  EXPECT_EQ(items.ItemDateCopy(0), DateCopy::BaseOverTarget);
  items.SetItemResult(0, ItemResult{Mark::TargetSynced, DateCopy::TargetOverBase, {}});
  EXPECT_EQ(items.ItemText(0, 1), "2023/11/14 22:13:20");
  EXPECT_EQ(items.ItemText(0, 3), "2023/11/14 22:13:20");
  EXPECT_EQ(items.ItemText(0, 2), "<=");
  EXPECT_EQ(items.ItemError(0), nullptr);
  // A failure keeps the dates and tells why; the next success forgets the reason.
  const RowError denied{std::make_error_code(std::errc::permission_denied), Side::Target};
  items.SetItemResult(0, ItemResult{Mark::Failed, DateCopy::None, denied});
  EXPECT_EQ(items.ItemText(0, 2), "?");
  ASSERT_NE(items.ItemError(0), nullptr);
  EXPECT_EQ(items.ItemError(0)->code, denied.code);
  EXPECT_EQ(items.ItemError(0)->side, Side::Target);
  items.SetItemResult(0, ItemResult{Mark::BaseSynced, DateCopy::BaseOverTarget, {}});
  EXPECT_EQ(items.ItemError(0), nullptr);
  // A row the comparison could not judge carries its reason from the start.
  ResultRow failed = row;
  failed.mark = failed.result = Mark::Failed;
  const int index = rows.Append("c.txt", failed);
  rows.SetError(index, RowError{std::make_error_code(std::errc::io_error), Side::Base});
  items.AppendItem(index);
  ASSERT_NE(items.ItemError(2), nullptr);
  EXPECT_EQ(items.ItemError(2)->code, std::make_error_code(std::errc::io_error));
  // The other item is untouched.
  EXPECT_EQ(items.ItemText(1, 2), ">");
  EXPECT_EQ(items.ItemText(1, 3), "2020/09/13 12:26:40");
  EXPECT_EQ(items.ItemData(1), 1);
}

}  // namespace
}  // namespace orvel::engine
