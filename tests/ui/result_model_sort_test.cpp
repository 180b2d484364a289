// Sorting the result list without making its texts: every column must come
// out in the order a stable byte-wise sort of the shown texts gives, also
// where dates and times disagree (a clock turned back, five-digit years) and
// where folders of different conditions read alike. And announcing lines in
// batches that grow with the list.
#include "ui/result_list/result_model.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <string>
#include <vector>

namespace orvel::ui {
namespace {

using engine::Mark;

struct Line {
  std::string name;
  std::string base;  // root of the base side
  std::string target;
  std::string rel;
  bool hasBase;
  std::int64_t baseSec;
  bool hasTarget;
  std::int64_t targetSec;
  Mark result;
  engine::Side side;
  engine::DateCopy copy;
};

class ResultModelSortTest : public ::testing::Test {
 protected:
  void TearDown() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void Add(const Line& line) {
    engine::ResultRow row;
    row.folder = rows.InternFolder(line.base + line.rel, line.target + line.rel, line.rel.size());
    row.hasBase = line.hasBase;
    row.baseTime = {line.baseSec, 0};
    row.hasTarget = line.hasTarget;
    row.targetTime = {line.targetSec, 123};
    row.result = row.mark = line.result;
    row.side = line.side;
    const int index = rows.Append(line.name, row);
    model.AppendItem(index);
    if (line.copy != engine::DateCopy::None) {
      model.SetItemResult(model.ItemCount() - 1, {line.result, line.copy, {}});
    }
  }
  void SortsAsTexts(std::int64_t backAt, std::size_t lines = 80);
  static engine::ResultRow RowAt(std::int64_t sec) {
    engine::ResultRow row;
    row.hasBase = true;
    row.baseTime = {sec, 0};
    return row;
  }
  std::vector<std::pair<std::string, int>> Shown(int column) const {
    std::vector<std::pair<std::string, int>> texts;
    for (int i = 0; i < model.ItemCount(); ++i) texts.emplace_back(model.ItemText(i, column), model.ItemData(i));
    return texts;
  }

  engine::RowStore rows;
  ResultModel model{rows};
};

// Both zones turn their clocks back by an hour: times an hour apart read
// alike, and a later time can read earlier. Berlin does it on the hour of UTC
// (2023-10-29 01:00), Adelaide half way through one (2023-04-01 16:30).
TEST_F(ResultModelSortTest, EveryColumnSortsAsItsTexts) {
  for (const auto& [zone, backAt] : {std::pair<const char*, std::int64_t>{"Europe/Berlin", 1698541200},
                                     {"Australia/Adelaide", 1680366600}}) {
    setenv("TZ", zone, 1);
    tzset();
    model.Clear();
    rows.Clear();
    SortsAsTexts(backAt);
  }
  // The zone is in force: a later time reads earlier.
  EXPECT_LT(engine::RowStore::BaseDate(RowAt(1680366600)), engine::RowStore::BaseDate(RowAt(1680366600 - 1)));
}

// Long lists are first spread over buckets by their keys' leading bits, then
// each bucket is sorted, the large ones spread again: the same order, with
// many equal keys in a bucket.
TEST_F(ResultModelSortTest, LongListsSortAsTheirTextsToo) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  SortsAsTexts(1698541200, 20000);
}

void ResultModelSortTest::SortsAsTexts(std::int64_t backAt, std::size_t lines) {
  const std::vector<std::int64_t> times{
      backAt - 1,          // 02:59:59 summer time
      backAt,              // 02:00:00 winter time
      backAt - 1800,       // 02:30:00 summer time …
      backAt + 1800,       // … and 02:30:00 winter time: the same text
      backAt - 3600 * 24,  // a day before
      backAt + 3599,       // the rest of the hour
      backAt - 3599,
      1679792400 - 1,      // 2023-03-26 01:59:59, before the clocks went forward
      1679792400,          // 03:00:00
      0,                   // 1970
      -1,                  // 1970, a second before
      -2208988800,         // 1900
      -5000000000,         // 1811: before the zone's own rules
      253402300800,        // 10000-01-01: a five-digit year
      253402300800 + 86400LL * 366 * 3,
      260000000000,   // 10209
      4102444800,     // 2100
      1700000000,     // 2023-11-14
      1700000000 + 1,
      1700000000,     // equal times keep their order
  };
  const std::vector<std::string> names{"f0001234.dat", "abcdefgh", "abcdefgh1", "abcdefgh0", "abcdefg",
                                       "abcdefgh\xff", "\xc3\x9c" "bersicht.csv", "写真 64.jpg", "a", "A",
                                       "abcdefgh1", "report 17.txt"};
  const std::vector<std::string> rels{"", "a/", "a b/", "a-/", "a/b/", "ab/", "z/"};
  for (std::size_t i = 0; i < lines; ++i) {
    Line line;
    line.name = names[i % names.size()];
    // Conditions whose folders read alike: "/b/" + "a/" and "/b/a/" + "".
    line.base = i % 5 == 0 ? "/b/a/" : "/b/";
    line.target = i % 3 == 0 ? "/t/" : "/t/x/";
    line.rel = rels[i % rels.size()];
    line.hasBase = i % 7 != 3;
    line.baseSec = times[i % times.size()];
    line.hasTarget = i % 6 != 1;
    line.targetSec = times[(i * 5 + 3) % times.size()];
    line.result = static_cast<Mark>(i % engine::kMarkCount);
    line.side = i % 4 == 1 ? engine::Side::Target : engine::Side::Base;
    line.copy = i % 9 == 2 ? engine::DateCopy::BaseOverTarget
                : i % 9 == 5 ? engine::DateCopy::TargetOverBase
                             : engine::DateCopy::None;
    Add(line);
  }
  model.Flush();
  for (int column = 0; column < ResultModel::kColumnCount; ++column) {
    for (const bool ascending : {true, false, true}) {
      auto expected = Shown(column);
      std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
        return ascending ? a.first < b.first : b.first < a.first;
      });
      model.SortByColumn(column, ascending);
      EXPECT_EQ(Shown(column), expected) << "column " << column << (ascending ? " ascending" : " descending");
    }
  }
}

// A view lays out every line at each announcement: the automatic one waits
// until the new lines are a good part of those shown.
TEST_F(ResultModelSortTest, LargeListsAreAnnouncedInGrowingBatches) {
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  Line line{"n", "/b/", "/t/", "", true, 1, true, 1, Mark::Same, engine::Side::Base, engine::DateCopy::None};
  for (int i = 0; i < 16000; ++i) Add(line);
  QCoreApplication::processEvents();
  ASSERT_EQ(model.rowCount(), 16000);
  for (int i = 0; i < 100; ++i) Add(line);
  QCoreApplication::processEvents();
  EXPECT_EQ(model.rowCount(), 16000);  // a hundred more wait
  for (int i = 0; i < 2000; ++i) Add(line);
  QCoreApplication::processEvents();
  EXPECT_EQ(model.rowCount(), 18100);  // an eighth more do not
  for (int i = 0; i < 5; ++i) Add(line);
  model.Flush();  // asked for, the announcement is immediate
  EXPECT_EQ(model.rowCount(), 18105);
  EXPECT_EQ(inserted.count(), 3);
}

}  // namespace
}  // namespace orvel::ui
