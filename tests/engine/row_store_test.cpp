// The rows of a run: the compact form gives back every field, folder paths
// are made from parent and name, and names lent by the indexes survive them.
#include "engine/result_items.h"
#include "engine/row_store.h"
#include "engine/side_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel::engine {
namespace {

ResultRow MakeRow(std::uint32_t folder, bool hasBase, platform::FileTime base, bool hasTarget,
                  platform::FileTime target, Mark mark, Mark result, Side side, bool isFolder) {
  ResultRow row;
  row.folder = folder;
  row.hasBase = hasBase;
  row.baseTime = base;
  row.hasTarget = hasTarget;
  row.targetTime = target;
  row.mark = mark;
  row.result = result;
  row.side = side;
  row.isFolder = isFolder;
  return row;
}

void ExpectSame(const ResultRow& got, const ResultRow& want) {
  EXPECT_EQ(got.folder, want.folder);
  EXPECT_EQ(got.hasBase, want.hasBase);
  EXPECT_EQ(got.hasTarget, want.hasTarget);
  if (want.hasBase) {
    EXPECT_EQ(got.baseTime, want.baseTime);
  }
  if (want.hasTarget) {
    EXPECT_EQ(got.targetTime, want.targetTime);
  }
  EXPECT_EQ(got.mark, want.mark);
  EXPECT_EQ(got.result, want.result);
  EXPECT_EQ(got.side, want.side);
  EXPECT_EQ(got.isFolder, want.isFolder);
}

// Every combination the comparison makes reads back as it went in, with the
// target time kept apart only where it differs from the base's.
TEST(RowStoreTest, RowsReadBackAsAppended) {
  RowStore rows;
  const std::uint32_t folder = rows.InternFolder("/b/", "/t/");
  const platform::FileTime t1{1700000000, 999999999};
  const platform::FileTime t2{-5, 1};
  const platform::FileTime far{253402300799, 0};
  const std::vector<ResultRow> cases{
      MakeRow(folder, true, t1, true, t1, Mark::Same, Mark::Same, Side::Base, false),
      MakeRow(folder, true, t1, true, t2, Mark::BaseNewer, Mark::BaseNewer, Side::Base, false),
      MakeRow(folder, false, {}, true, far, Mark::TargetOnly, Mark::TargetOnly, Side::Target, true),
      MakeRow(folder, true, t2, false, {}, Mark::BaseOnly, Mark::BaseOnly, Side::Base, true),
      MakeRow(folder, false, {}, false, {}, Mark::Failed, Mark::Failed, Side::Target, false),
      MakeRow(folder, true, t2, true, far, Mark::Same, Mark::TargetNewer, Side::Base, false),
      MakeRow(folder, true, far, true, t1, Mark::Conflict, Mark::Conflict, Side::Target, false),
      MakeRow(folder, true, t1, true, t1, Mark::BaseDeleted, Mark::Deleted, Side::Base, true),
  };
  // Many rounds: the rows, their names and the times kept apart cross the
  // borders of their blocks.
  for (int round = 0; round < 4000; ++round) {
    for (std::size_t i = 0; i < cases.size(); ++i)
      rows.Append(std::string(static_cast<std::size_t>(1 + (round + i) % 200), 'n') + std::to_string(round), cases[i]);
  }
  ASSERT_EQ(rows.Count(), static_cast<int>(4000 * cases.size()));
  for (int index = 0; index < rows.Count(); ++index) {
    const auto round = static_cast<std::size_t>(index) / cases.size();
    const std::size_t i = static_cast<std::size_t>(index) % cases.size();
    const ResultRow row = rows.Row(index);
    ExpectSame(row, cases[i]);
    ASSERT_EQ(rows.Name(row), std::string(1 + (round + i) % 200, 'n') + std::to_string(round));
  }
}

// Folder pairs are the condition's roots and a relative folder, stored one
// name per folder; the texts are the ones handed in.
TEST(RowStoreTest, FolderPairsGiveBackTheirPaths) {
  RowStore rows;
  const FolderIdentities ids{{1, 2}, {3, 4}, {5, 6}, {7, 8}};
  const std::uint32_t sub = rows.InternFolder("/base/a/b/", "/target/a/b/", 4, ids);
  EXPECT_EQ(rows.InternFolder("/base/a/b/", "/target/a/b/", 4), sub);
  const std::uint32_t top = rows.InternFolder("/base/", "/target/", 0);
  const std::uint32_t whole = rows.InternFolder("/base/a/b/", "/target/a/b/", 0);
  EXPECT_NE(sub, top);
  EXPECT_NE(sub, whole);
  // Two folders that end alike but are not one relative folder: the paths as given.
  const std::uint32_t odd = rows.InternFolder("/x/one/", "/y/two/", 4);

  const struct {
    std::uint32_t folder;
    const char* base;
    const char* target;
    const char* baseRoot;
    const char* rel;
  } cases[] = {
      {sub, "/base/a/b/", "/target/a/b/", "/base/", "a/b/"},
      {top, "/base/", "/target/", "/base/", ""},
      {whole, "/base/a/b/", "/target/a/b/", "/base/a/b/", ""},
      {odd, "/x/one/", "/y/two/", "/x/one/", ""},
  };
  for (const auto& c : cases) {
    ResultRow row;
    row.folder = c.folder;
    row.side = Side::Target;
    EXPECT_EQ(rows.BaseFolder(row), c.base);
    EXPECT_EQ(rows.TargetFolder(row), c.target);
    EXPECT_EQ(rows.SideFolder(row), c.target);
    EXPECT_EQ(rows.BaseRoot(row), c.baseRoot);
    EXPECT_EQ(rows.RelativeFolder(row), c.rel);
  }
  ResultRow row;
  row.folder = sub;
  EXPECT_EQ(rows.Identities(row).target, (platform::Identity{3, 4}));
  EXPECT_EQ(rows.TargetRoot(row), "/target/");

  // A chain thousands of folders deep.
  std::string rel;
  std::uint32_t deepest = 0;
  for (int depth = 0; depth < 2000; ++depth) {
    rel += "level-" + std::to_string(depth) + "/";
    deepest = rows.InternFolder("/base/" + rel, "/target/" + rel, rel.size());
  }
  row.folder = deepest;
  EXPECT_EQ(rows.RelativeFolder(row), rel);
  EXPECT_EQ(rows.BaseFolder(row), "/base/" + rel);
  EXPECT_EQ(rows.FolderCount(), 5u + 2000);
  // Not the 23 MB the 2000 paths would take stored whole.
  EXPECT_LT(rows.MemoryBytes(), 2u * 1024 * 1024);
}

// Rows of listed entries read their names from the index until the condition
// ends, then keep them: taken over whole when they use much of the index's
// names, copied when they use little.
TEST(RowStoreTest, LentNamesOutliveTheIndexes) {
  for (const int every : {1, 50}) {
    RowStore rows;
    SideIndex base;
    SideIndex target;
    base.Reset("/b/");
    target.Reset("/t/");
    const auto baseRoot = base.AddFolder("");
    const auto targetRoot = target.AddFolder("");
    for (int i = 0; i < 1000; ++i) {
      base.AddEntry(baseRoot, "base-" + std::to_string(i), {true, false, {i, 0}, {}});
      target.AddEntry(targetRoot, "target-" + std::to_string(i), {true, false, {i, 0}, {}});
    }
    const std::uint32_t folder = rows.InternFolder("/b/", "/t/");
    rows.Append("before", MakeRow(folder, true, {1, 0}, false, {}, Mark::BaseOnly, Mark::BaseOnly, Side::Base, false));
    rows.LendNames(&base.Names(), &target.Names());
    std::vector<std::string> expected{"before"};
    for (SideIndex::EntryId e = 0; e < 1000; e += static_cast<SideIndex::EntryId>(every)) {
      for (const Side side : {Side::Base, Side::Target}) {
        const SideIndex& index = side == Side::Base ? base : target;
        const ResultRow row = MakeRow(folder, true, {e, 0}, true, {e, 0}, Mark::Same, Mark::Same, side, false);
        rows.AppendListed(side, index.EntryNameRef(e), index.EntryName(e), row);
        expected.emplace_back(index.EntryName(e));
      }
      rows.Append("own-" + std::to_string(e), MakeRow(folder, true, {e, 0}, false, {}, Mark::BaseOnly,
                                                      Mark::BaseOnly, Side::Base, false));
      expected.push_back("own-" + std::to_string(e));
    }
    rows.ReturnNames(base.TakeNames(), target.TakeNames());
    // The indexes are gone; their names are still the rows'.
    SideIndex reused;
    reused.Reset("/other/");
    reused.AddEntry(reused.AddFolder(""), std::string(5000, 'z'), {});
    ASSERT_EQ(rows.Count(), static_cast<int>(expected.size()));
    for (int i = 0; i < rows.Count(); ++i) EXPECT_EQ(rows.Name(rows.Row(i)), expected[static_cast<std::size_t>(i)]);
  }
}

// A run appends row n as item n; items that stand for other rows (a test, a
// second list) still name theirs.
TEST(ResultItemsTest, ItemsNameTheirRows) {
  RowStore rows;
  ResultItems items(rows);
  const std::uint32_t folder = rows.InternFolder("/b/", "/t/");
  for (int i = 0; i < 4; ++i)
    rows.Append("r" + std::to_string(i), MakeRow(folder, true, {i, 0}, false, {}, Mark::BaseOnly, Mark::BaseOnly,
                                                 Side::Base, false));
  const struct {
    std::vector<int> appended;
  } cases[] = {{{0, 1, 2, 3}}, {{0, 1, 3, 2}}, {{2}}, {{0, 0, 1}}};
  for (const auto& c : cases) {
    items.Clear();
    for (const int row : c.appended) items.AppendItem(row);
    ASSERT_EQ(items.ItemCount(), static_cast<int>(c.appended.size()));
    for (int item = 0; item < items.ItemCount(); ++item) {
      EXPECT_EQ(items.ItemData(item), c.appended[static_cast<std::size_t>(item)]);
      EXPECT_EQ(items.ItemText(item, 0), "r" + std::to_string(c.appended[static_cast<std::size_t>(item)]));
      EXPECT_EQ(items.ItemMark(item), Mark::BaseOnly);
    }
  }
}

}  // namespace
}  // namespace orvel::engine
