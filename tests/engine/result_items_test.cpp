// The in-memory result list: rows' own texts until a column is set.
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

  // What execution writes: a date copied over the other, a new mark.
  items.SetItemText(0, 3, items.ItemText(0, 1));
  items.SetItemText(0, 2, ">=");
  EXPECT_EQ(items.ItemText(0, 3), "2023/11/14 22:13:20");
  EXPECT_EQ(items.ItemText(0, 2), ">=");
  items.SetItemText(0, 1, items.ItemText(0, 3));
  EXPECT_EQ(items.ItemText(0, 1), "2023/11/14 22:13:20");
  // Any other text is kept as given, and can be replaced again.
  items.SetItemText(0, 2, "custom");
  items.SetItemText(0, 1, "");
  EXPECT_EQ(items.ItemText(0, 2), "custom");
  EXPECT_EQ(items.ItemText(0, 1), "");
  items.SetItemText(0, 2, "?");
  EXPECT_EQ(items.ItemText(0, 2), "?");
  items.SetItemText(0, 1, "2023/11/14 22:13:20");
  EXPECT_EQ(items.ItemText(0, 1), "2023/11/14 22:13:20");
  // The other item is untouched.
  EXPECT_EQ(items.ItemText(1, 2), ">");
  EXPECT_EQ(items.ItemText(1, 3), "2020/09/13 12:26:40");
  EXPECT_EQ(items.ItemData(1), 1);
}

}  // namespace
}  // namespace orvel::engine
