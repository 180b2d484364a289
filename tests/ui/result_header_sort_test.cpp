// The program's one sort state, from its start: the first header click sorts
// ascending, and every later click flips the direction, whichever header.
#include "ui/result_list/result_list_view.h"

#include "ui/result_list/result_model.h"

#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

namespace orvel::ui {
namespace {

std::vector<std::string> Column(const ResultModel& model, int column) {
  std::vector<std::string> texts;
  for (int i = 0; i < model.ItemCount(); ++i) texts.push_back(model.ItemText(i, column));
  return texts;
}

void ClickHeader(ResultListView& view, int column) {
  QHeaderView* head = view.header();
  const QPoint at(head->sectionViewportPosition(column) + head->sectionSize(column) / 2, head->height() / 2);
  QTest::mouseClick(head->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

TEST(ResultHeaderSortTest, FirstClickAscendsThenEveryClickFlips) {
  engine::RowStore rows;
  ResultModel model(rows);
  // Each line in a folder of its own, so that the path column sorts too.
  const std::tuple<const char*, engine::Mark, const char*> lines[] = {
      {"b", engine::Mark::TargetOnly, "/y/"}, {"c", engine::Mark::BaseNewer, "/x/"}, {"a", engine::Mark::Same, "/z/"}};
  for (const auto& [name, mark, folder] : lines) {
    engine::ResultRow row;
    row.folder = rows.InternFolder(folder, folder);
    row.result = mark;
    model.AppendItem(rows.Append(name, row));
  }
  ResultListView view;
  view.SetResultModel(&model);
  view.resize(600, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

  ClickHeader(view, 2);
  EXPECT_EQ(Column(model, 2), (std::vector<std::string>{"<<", "=", ">"}));
  ClickHeader(view, 0);
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"c", "b", "a"}));
  ClickHeader(view, 0);
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"a", "b", "c"}));
  ClickHeader(view, 4);
  EXPECT_EQ(Column(model, 4), (std::vector<std::string>{"/z/", "/y/", "/x/"}));
  ClickHeader(view, 4);
  EXPECT_EQ(Column(model, 4), (std::vector<std::string>{"/x/", "/y/", "/z/"}));

  // A second list shares the state: its first click continues the
  // alternation (descending after the ascending sort above).
  ResultListView other;
  other.SetResultModel(&model);
  other.resize(600, 200);
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  ClickHeader(other, 0);
  EXPECT_EQ(Column(model, 0), (std::vector<std::string>{"c", "b", "a"}));
}

}  // namespace
}  // namespace orvel::ui
