// The result list's model: batched announcements, display positions as item
// indexes, byte-wise stable sorting, texts and roles for the views.
#include "ui/result_list/result_model.h"

#include "engine/comparison.h"
#include "engine/run_values.h"
#include "engine/side_index.h"
#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace orvel::ui {
namespace {

using engine::Mark;

constexpr std::int64_t kT = 1700000000;  // 2023/11/14 22:13:20 UTC

class ResultModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  // Appends a row and its item, the way a run does.
  int Add(std::string_view name, Mark result, std::int64_t baseSec = kT, std::string_view folder = "/b/") {
    engine::ResultRow row;
    row.folder = rows.InternFolder(folder, "/t/");
    row.hasBase = baseSec != 0;
    row.baseTime = {baseSec, 0};
    row.result = result;
    row.mark = result;
    const int index = rows.Append(name, row);
    model.AppendItem(index);
    return index;
  }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int i = 0; i < model.ItemCount(); ++i) texts.push_back(model.ItemText(i, column));
    return texts;
  }
  std::vector<int> Data() const {
    std::vector<int> data;
    for (int i = 0; i < model.ItemCount(); ++i) data.push_back(model.ItemData(i));
    return data;
  }

  engine::RowStore rows;
  ResultModel model{rows};
};

TEST_F(ResultModelTest, AppendsAreAnnouncedInBatches) {
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  for (int i = 0; i < 3; ++i) Add("f" + std::to_string(i), Mark::BaseNewer);
  EXPECT_EQ(model.ItemCount(), 3);  // the engine sees its items at once
  EXPECT_EQ(model.rowCount(), 0);   // the views only after the flush
  EXPECT_EQ(inserted.count(), 0);

  // Text set before the views know the item changes nothing they show.
  model.SetItemResult(2, engine::ItemResult{engine::Mark::BaseSynced, engine::DateCopy::None, {}});
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(model.ItemText(2, 2), ">=");

  model.Flush();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 2);
  EXPECT_EQ(model.rowCount(), 3);
  model.Flush();
  EXPECT_EQ(inserted.count(), 1);

  // A later batch shows up by itself when the event loop turns.
  Add("g", Mark::TargetNewer);
  Add("h", Mark::TargetNewer);
  QCoreApplication::processEvents();
  ASSERT_EQ(inserted.count(), 2);
  EXPECT_EQ(inserted[1][1].toInt(), 3);
  EXPECT_EQ(inserted[1][2].toInt(), 4);

  model.SetItemResult(1, engine::ItemResult{engine::Mark::Failed, engine::DateCopy::None, {}});
  ASSERT_EQ(changed.count(), 1);
  // The whole line: an executed item's dates change with its mark.
  EXPECT_EQ(changed[0][0].value<QModelIndex>(), model.index(1, 0));
  EXPECT_EQ(changed[0][1].value<QModelIndex>(), model.index(1, ResultModel::kColumnCount - 1));
  EXPECT_EQ(model.index(1, 2).data().toString(), "?");

  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
  model.Clear();
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(model.ItemCount(), 0);
  EXPECT_EQ(model.rowCount(), 0);
  // Out-of-range writes are ignored rather than corrupting memory.
  model.SetItemResult(0, engine::ItemResult{engine::Mark::BaseNewer, engine::DateCopy::None, {}});
  model.SetItemResult(-1, engine::ItemResult{engine::Mark::BaseNewer, engine::DateCopy::None, {}});
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(ResultModelTest, TextsRolesAndHeaders) {
  Add("a.txt", Mark::BaseOnly, kT, "/base/sub/");
  Add(std::string("bad\xff\xfe.txt"), Mark::TargetOnly, 0);
  Add("日本語.txt", Mark::Same);
  model.Flush();

  EXPECT_EQ(model.columnCount(), 5);
  EXPECT_EQ(model.index(0, 0).data().toString(), "a.txt");
  EXPECT_EQ(model.index(0, 1).data().toString(), "2023/11/14 22:13:20");
  EXPECT_EQ(model.index(0, 2).data().toString(), ">>");
  EXPECT_EQ(model.index(0, 3).data().toString(), "");
  EXPECT_EQ(model.index(0, 4).data().toString(), "/base/sub/");
  EXPECT_EQ(model.index(1, 1).data().toString(), "");
  EXPECT_EQ(model.index(2, 0).data().toString(), QStringLiteral("日本語.txt"));
  // Bytes that are not UTF-8 show replacement characters; the engine keeps the bytes.
  const QString bad = model.index(1, 0).data().toString();
  EXPECT_TRUE(bad.startsWith("bad"));
  EXPECT_TRUE(bad.contains(QChar(0xFFFD)));
  EXPECT_TRUE(bad.endsWith(".txt"));
  EXPECT_EQ(model.ItemText(1, 0), std::string("bad\xff\xfe.txt"));

  for (int c = 0; c < 5; ++c) {
    const int align = model.index(0, c).data(Qt::TextAlignmentRole).toInt();
    EXPECT_EQ(align & Qt::AlignHorizontal_Mask, c == 2 ? Qt::AlignHCenter : Qt::AlignLeft) << c;
    EXPECT_EQ(align & Qt::AlignVertical_Mask, Qt::AlignVCenter) << c;
    EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), align) << c;
  }
  const QStringList titles = {"ファイル", "基本日付", "結果", "対照日付", "パス"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
  EXPECT_FALSE(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).isValid());
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(ResultModelTest, EmptyFolderRowsAreToldApartFromFiles) {
  // Rows made by a real comparison of two folders on disk.
  test::TempDir tmp;
  test::MakeFolder(tmp / "base", test::Time(kT));
  test::MakeFolder(tmp / "target", test::Time(kT));
  test::MakeFolder(tmp / "base/empty", test::Time(kT));
  test::WriteFile(tmp / "base/file.txt", "x", test::Time(kT));
  test::MakeFolder(tmp / "target/lonely", test::Time(kT));
  test::WriteFile(tmp / "target/other.txt", "x", test::Time(kT));

  engine::RunValues values;
  values.aFolder = tmp / "base/";
  values.bFolder = tmp / "target/";
  engine::SideIndex base;
  engine::SideIndex target;
  base.Reset(values.aFolder);
  target.Reset(values.bFolder);
  engine::Comparison comparison(rows, model);
  comparison.Begin(values, base, target);
  ASSERT_TRUE(comparison.BaseFolder("", "empty"));
  ASSERT_TRUE(comparison.BaseFile("", "file.txt"));
  ASSERT_TRUE(comparison.TargetFolder("", "lonely"));
  ASSERT_TRUE(comparison.TargetFile("", "other.txt"));
  model.Flush();

  ASSERT_EQ(model.rowCount(), 4);
  const bool expected[] = {true, false, true, false};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(model.IsFolder(i), expected[i]) << i;
    EXPECT_EQ(model.index(i, 0).data(ResultModel::kFolderIconRole).toBool(), expected[i]) << i;
    // Only the name column carries an entry icon of its own.
    EXPECT_FALSE(model.index(i, 4).data(ResultModel::kFolderIconRole).toBool());
  }
  EXPECT_EQ(model.ItemText(2, 0), "lonely");
  EXPECT_EQ(model.ItemText(2, 4), tmp / "target/");
}

TEST_F(ResultModelTest, SortsResultMarksByTheirBytes) {
  // Comparison marks come from the rows; what execution writes comes through
  // SetItemResult, as a sync run does.
  Add("1", Mark::Same);
  Add("2", Mark::BaseOnly);
  Add("3", Mark::BaseNewer);  // becomes ">="
  Add("4", Mark::Delete);
  Add("5", Mark::TargetOnly);
  Add("6", Mark::BaseNewer);  // becomes "?"
  Add("7", Mark::TargetNewer);
  Add("8", Mark::TargetNewer);  // becomes "<="
  Add("9", Mark::Delete);       // becomes "X="
  Add("10", Mark::BaseNewer);
  model.SetItemResult(2, engine::ItemResult{engine::Mark::BaseSynced, engine::DateCopy::None, {}});
  model.SetItemResult(5, engine::ItemResult{engine::Mark::Failed, engine::DateCopy::None, {}});
  model.SetItemResult(7, engine::ItemResult{engine::Mark::TargetSynced, engine::DateCopy::None, {}});
  model.SetItemResult(8, engine::ItemResult{engine::Mark::Deleted, engine::DateCopy::None, {}});

  model.SortByColumn(2, true);
  const std::vector<std::string> ascending = {"<", "<<", "<=", "=", ">", ">=", ">>", "?", "X", "X="};
  EXPECT_EQ(Column(2), ascending);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"7", "5", "8", "1", "10", "3", "2", "6", "4", "9"}));
  // Item data still names each line's row.
  for (int i = 0; i < model.ItemCount(); ++i) {
    EXPECT_EQ(rows.Name(rows.Row(model.ItemData(i))), model.ItemText(i, 0));
  }

  model.SortByColumn(2, false);
  EXPECT_EQ(Column(2), std::vector<std::string>(ascending.rbegin(), ascending.rend()));

  // An item index is a display position: writing item 0 changes the line shown first.
  model.SetItemResult(0, engine::ItemResult{engine::Mark::Failed, engine::DateCopy::None, {}});
  EXPECT_EQ(model.index(0, 2).data().toString(), "?");
  EXPECT_EQ(model.ItemText(0, 0), "9");
}

TEST_F(ResultModelTest, SortComparesWholeTextsAsUnsignedBytesAndIsStable) {
  const std::string longA = std::string(300, 'p') + "a";
  const std::string longB = std::string(300, 'p') + "b";
  Add(longB, Mark::Same);
  Add("abc", Mark::Same);
  Add("ab", Mark::Same);
  Add("a", Mark::Same);
  Add("B", Mark::Same);
  Add(std::string("\xff-not-utf8"), Mark::Same);
  Add("日本", Mark::Same);
  Add(longA, Mark::Same);
  Add("z", Mark::Same);

  model.SortByColumn(0, true);
  // Capitals before small letters, a prefix before the longer text, texts
  // compared past 260 bytes, bytes ≥ 0x80 after ASCII and 0xFF last.
  EXPECT_EQ(Column(0), (std::vector<std::string>{"B", "a", "ab", "abc", longA, longB, "z", "日本", "\xff-not-utf8"}));
  model.SortByColumn(0, false);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"\xff-not-utf8", "日本", "z", longB, longA, "abc", "ab", "a", "B"}));

  // Equal texts keep their relative order in both directions.
  model.Clear();
  rows.Clear();
  Add("x", Mark::Same, kT, "/f1/");
  Add("y", Mark::BaseNewer, kT, "/f2/");
  Add("x", Mark::Same, kT, "/f3/");
  Add("x", Mark::BaseNewer, kT, "/f4/");
  Add("y", Mark::Same, kT, "/f5/");
  model.SortByColumn(0, true);
  EXPECT_EQ(Data(), (std::vector<int>{0, 2, 3, 1, 4}));
  model.SortByColumn(0, false);
  EXPECT_EQ(Data(), (std::vector<int>{1, 4, 0, 2, 3}));
  model.SortByColumn(2, true);  // "=" rows 4,0,2 then ">" rows 1,3 in their present order
  EXPECT_EQ(Data(), (std::vector<int>{4, 0, 2, 1, 3}));

  // A later append is not sorted in: it comes at the end.
  Add("a", Mark::Same);
  EXPECT_EQ(model.ItemText(model.ItemCount() - 1, 0), "a");

  // Many equal texts: within each text the rows stay in their order.
  model.Clear();
  rows.Clear();
  for (int i = 0; i < 500; ++i) Add(std::string(1, static_cast<char>('a' + (i * 7) % 3)), Mark::Same);
  for (bool ascending : {true, false}) {
    model.SortByColumn(0, ascending);
    for (int i = 1; i < model.ItemCount(); ++i) {
      const std::string a = model.ItemText(i - 1, 0), b = model.ItemText(i, 0);
      ASSERT_TRUE(ascending ? a <= b : a >= b) << i;
      if (a == b) {
        ASSERT_LT(model.ItemData(i - 1), model.ItemData(i)) << i;
      }
    }
  }
}

TEST_F(ResultModelTest, PersistentIndexesFollowTheirLinesThroughASort) {
  for (const char* name : {"d", "b", "e", "a", "c"}) Add(name, Mark::Same);
  model.Flush();
  QPersistentModelIndex b(model.index(1, 0));
  QPersistentModelIndex e(model.index(2, 3));
  QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  model.SortByColumn(0, true);
  EXPECT_EQ(layout.count(), 1);
  EXPECT_EQ(inserted.count(), 0);
  EXPECT_EQ(b.row(), 1);
  EXPECT_EQ(b.data().toString(), "b");
  EXPECT_EQ(e.row(), 4);
  EXPECT_EQ(e.column(), 3);
  EXPECT_EQ(model.index(e.row(), 0).data().toString(), "e");

  // Unannounced items are announced before they are sorted.
  Add("0", Mark::Same);
  model.SortByColumn(0, true);
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(model.rowCount(), 6);
  EXPECT_EQ(model.index(0, 0).data().toString(), "0");
  EXPECT_EQ(b.data().toString(), "b");
  EXPECT_EQ(b.row(), 2);
}

}  // namespace
}  // namespace orvel::ui
