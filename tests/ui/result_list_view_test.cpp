// The result list view: columns and widths, header clicks, selection, and the
// painted lines sampled from a rendered image.
#include "ui/result_list/result_list_view.h"

#include "ui/result_list/mark_colours.h"
#include "ui/result_list/result_delegate.h"
#include "ui/result_list/result_model.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace orvel::ui {
namespace {

using engine::Mark;

constexpr std::int64_t kT = 1700000000;

class ResultListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    view.SetResultModel(&model);
    view.resize(700, 300);
  }
  int Add(std::string_view name, Mark result, bool folder = false) {
    engine::ResultRow row;
    row.folder = rows.InternFolder("/base/", "/target/");
    row.hasBase = true;
    row.baseTime = {kT, 0};
    row.result = result;
    row.mark = result;
    row.isFolder = folder;
    const int index = rows.Append(name, row);
    model.AppendItem(index);
    return index;
  }
  void Show() {
    model.Flush();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  }
  QImage Render() { return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The cells of a line in viewport coordinates.
  std::array<QRect, 5> Cells(int row) { return view.CellRects(view.visualRect(model.index(row, 0))); }
  void ClickHeader(int column) {
    QHeaderView* head = view.header();
    const QPoint at(head->sectionViewportPosition(column) + head->sectionSize(column) / 2, head->height() / 2);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  void ClickLine(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, view.visualRect(model.index(row, 1)).center());
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < model.ItemCount(); ++i) names.push_back(model.ItemText(i, 0));
    return names;
  }

  engine::RowStore rows;
  ResultModel model{rows};
  ResultListView view;
};

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
  int count = 0;
  const QRect inside = area & image.rect();
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++count;
    }
  }
  return count;
}

TEST_F(ResultListViewTest, ListSetUpAndColumnWidths) {
  // A table of lines of one height, without line numbers or a grid.
  EXPECT_TRUE(view.verticalHeader()->isHidden());
  EXPECT_EQ(view.verticalHeader()->defaultSectionSize(), ResultDelegate::LineHeight(view.fontMetrics()));
  EXPECT_FALSE(view.showGrid());
  EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_FALSE(view.isSortingEnabled());
  EXPECT_FALSE(view.header()->isSortIndicatorShown());
  EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "結果");
  const QString d0 = QString::number(view.DefaultColumnWidth(0)), d1 = QString::number(view.DefaultColumnWidth(1));
  const QString d2 = QString::number(view.DefaultColumnWidth(2)), d3 = QString::number(view.DefaultColumnWidth(3));
  // The saved widths of the columns given; the others' defaults.
  const std::pair<const char*, QString> cases[] = {
      {"80:90", "80:90:" + d2 + ":" + d3},
      // The path column takes whatever width the others leave: its saved width is not read.
      {"1:2:3:4:5:6", "1:2:3:4"},
      {"", d0 + ":" + d1 + ":" + d2 + ":" + d3},
      {"garbage:70", d0 + ":" + d1 + ":" + d2 + ":" + d3},
      // Integers are read until one fails, as "%i" reads them (hex and octal too).
      {"60:x:70", "60:" + d1 + ":" + d2 + ":" + d3},
      {" 0x20:010:7", "32:8:7:" + d3},
      // A negative width keeps that column's default; the numbers after it still count.
      {"-5:70", d0 + ":70:" + d2 + ":" + d3},
      {"99999999999999999999:70", d0 + ":" + d1 + ":" + d2 + ":" + d3},
      {"1:2:3:4:-1", "1:2:3:4"},
  };
  for (const auto& [listPos, expected] : cases) {
    // Each reading starts from the defaults again.
    view.ApplyColumnWidths(QString::fromUtf8(listPos));
    const QString widths = view.ColumnWidthsText();
    EXPECT_EQ(widths.section(':', 0, expected.count(':')), expected) << listPos;
    EXPECT_EQ(widths.count(':'), 4) << listPos;
  }
  view.ApplyColumnWidths("80:90");
  EXPECT_EQ(view.header()->sectionSize(0), 80);

  // Widths given before the model comes are kept for it.
  ResultListView early;
  early.ApplyColumnWidths("81:91:51:121:151");
  EXPECT_EQ(early.ColumnWidthsText().section(':', 0, 3), "81:91:51:121");
  early.SetResultModel(&model);
  EXPECT_EQ(early.header()->sectionSize(1), 91);
  EXPECT_EQ(early.ColumnWidthsText().section(':', 0, 3), "81:91:51:121");
  early.ApplyColumnWidths("81");
  EXPECT_EQ(early.ColumnWidthsText().section(':', 0, 1), "81:" + d1);
}

TEST_F(ResultListViewTest, DefaultWidthsShowAWholeDateAndThePathTakesTheRest) {
  Add("f.txt", Mark::BaseNewer);
  for (const QFont& font : {QFont("DejaVu Sans", 10), QFont("IPAGothic", 12)}) {
    SCOPED_TRACE(font.family().toStdString());
    view.setFont(font);
    view.ApplyColumnWidths("");
    const QFontMetrics metrics(view.font());
    const QString date = QStringLiteral("2024/05/01 10:00:00");
    for (int column : {1, 3}) {
      // The delegate's own layout shows the date unshortened.
      const QRect cell(0, 0, view.columnWidth(column), 20);
      EXPECT_EQ(ResultDelegate::LayoutCell(metrics, column, cell, date).shown, date) << column;
    }
    EXPECT_EQ(ResultDelegate::LayoutCell(metrics, 2, QRect(0, 0, view.columnWidth(2), 20), "X=").shown, "X=");
    // Every title fits above its column.
    for (int column = 0; column < 5; ++column) {
      EXPECT_GE(view.columnWidth(column), view.header()->sectionSizeHint(column)) << column;
    }
    Show();
    // The path column reaches the list's right edge, at any width.
    for (int width : {700, 1100}) {
      view.resize(width, 300);
      QCoreApplication::processEvents();
      const int right = view.header()->sectionViewportPosition(4) + view.columnWidth(4);
      EXPECT_EQ(right, view.viewport()->width()) << width;
    }
  }

  // A saved path width does not keep the path narrow in a wide window.
  view.ApplyColumnWidths("100:120:50:120:150");
  view.resize(1100, 300);
  QCoreApplication::processEvents();
  EXPECT_EQ(view.header()->sectionViewportPosition(4) + view.columnWidth(4), view.viewport()->width());
}

TEST_F(ResultListViewTest, HeaderClicksAlternateWhicheverHeaderAndShowAWaitCursor) {
  for (const char* name : {"c", "a", "d", "b"}) Add(name, Mark::Same);
  Show();
  model.SetItemResult(0, engine::ItemResult{engine::Mark::BaseNewer, engine::DateCopy::None, {}});  // c
  model.SetItemResult(2, engine::ItemResult{engine::Mark::TargetNewer, engine::DateCopy::None, {}});  // d

  Qt::CursorShape during = Qt::ArrowCursor;
  QObject::connect(&model, &QAbstractItemModel::layoutAboutToBeChanged, [&] {
    if (QApplication::overrideCursor()) during = QApplication::overrideCursor()->shape();
  });
  // The state is the program's: the next direction follows the last click,
  // whichever test made it.
  ClickHeader(0);
  const std::vector<std::string> up{"a", "b", "c", "d"}, down{"d", "c", "b", "a"};
  ASSERT_TRUE(Names() == up || Names() == down);
  bool ascending = Names() == up;
  EXPECT_EQ(during, Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  ascending = !ascending;
  ClickHeader(2);  // another header: the direction still flips
  std::vector<std::string> marks;
  for (int i = 0; i < 4; ++i) marks.push_back(model.ItemText(i, 2));
  EXPECT_EQ(marks, ascending ? (std::vector<std::string>{"<", "=", "=", ">"})
                             : (std::vector<std::string>{">", "=", "=", "<"}));

  ascending = !ascending;
  ClickHeader(2);  // the same header again
  EXPECT_EQ(model.ItemText(0, 2), ascending ? "<" : ">");

  // Later appends are not sorted in.
  Add("0", Mark::Same);
  model.Flush();
  EXPECT_EQ(model.ItemText(4, 0), "0");
}

TEST_F(ResultListViewTest, SelectionFollowsTheLinesThroughASort) {
  for (const char* name : {"e", "b", "d", "a", "c"}) Add(name, Mark::Same);
  Show();
  ClickLine(3);                       // a
  ClickLine(1, Qt::ControlModifier);  // b
  ClickLine(2, Qt::ControlModifier);  // d, now the current line
  EXPECT_EQ(view.SelectedItems(), (std::vector<int>{1, 2, 3}));

  model.SortByColumn(0, true);  // a b c d e
  EXPECT_EQ(view.SelectedItems(), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(view.currentIndex().row(), 3);
  model.SortByColumn(0, false);  // e d c b a
  EXPECT_EQ(view.SelectedItems(), (std::vector<int>{1, 3, 4}));
  std::vector<std::string> selected;
  for (int item : view.SelectedItems()) selected.push_back(model.ItemText(item, 0));
  EXPECT_EQ(selected, (std::vector<std::string>{"d", "b", "a"}));

  model.Clear();
  EXPECT_TRUE(view.SelectedItems().empty());
}

TEST_F(ResultListViewTest, LinesArePaintedInTheColoursOfTheirResult) {
  Add("HHHHHH", Mark::BaseNewer);   // 0: red text (as dark as the background needs)
  Add("HHHHHH", Mark::TargetOnly);  // 1: blue text
  Add("HHHHHH", Mark::BaseNewer);   // 2: "?" after execution, magenta text
  Add("HHHHHH", Mark::BaseOnly);    // 3: selected: white on red
  Add("HHHHHH", Mark::Same);        // 4: window text on window colour
  Add("HHHHHH", Mark::Same, true);  // 5: selected: highlight colours
  model.SetItemResult(2, engine::ItemResult{engine::Mark::Failed, engine::DateCopy::None, {}});
  // Whole pixels of the text colour, without antialiased edges.
  QFont font = view.font();
  font.setStyleStrategy(QFont::NoAntialias);
  view.setFont(font);
  Show();
  view.selectionModel()->select(model.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  view.selectionModel()->select(model.index(5, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const QImage image = Render();
  const QPalette palette = view.palette();
  const QRgb base = palette.color(QPalette::Active, QPalette::Base).rgb();
  const QRgb text = palette.color(QPalette::Active, QPalette::Text).rgb();
  const QRgb highlight = ReadableColour(palette.color(QPalette::Active, QPalette::Highlight),
                                        palette.color(QPalette::Active, QPalette::HighlightedText)).rgb();
  const QRgb red = ReadableColour(Qt::red, QColor(base)).rgb(), blue = ReadableColour(Qt::blue, QColor(base)).rgb();
  const QRgb magenta = ReadableColour(Qt::magenta, QColor(base)).rgb(), white = qRgb(255, 255, 255);
  const QRgb selectedRed = ReadableColour(Qt::red, Qt::white).rgb();

  struct Expect {
    QRgb fill;
    QRgb ink;
  };
  const Expect expect[] = {{base, red}, {base, blue}, {base, magenta}, {selectedRed, white}, {base, text}, {highlight, 0}};
  for (int row = 0; row < 6; ++row) {
    const auto cells = Cells(row);
    const QRect line(cells[0].topLeft(), cells[4].bottomRight());
    // The fill shows in the margin of column 1, away from any text.
    EXPECT_EQ(image.pixel(cells[1].left() + 1, cells[1].center().y()) & 0xFFFFFF, expect[row].fill & 0xFFFFFF) << row;
    // Column 0's icon area is never filled.
    EXPECT_EQ(image.pixel(cells[0].left(), cells[0].center().y()) & 0xFFFFFF, base & 0xFFFFFF) << row;
    EXPECT_EQ(image.pixel(cells[0].left() + ResultDelegate::kIconArea - 1, cells[0].top()) & 0xFFFFFF, base & 0xFFFFFF)
        << row;
    // Nothing is filled past the last column, where the path leaves room.
    if (cells[4].right() + 3 < image.width()) {
      EXPECT_EQ(image.pixel(cells[4].right() + 3, cells[4].center().y()) & 0xFFFFFF, base & 0xFFFFFF) << row;
    }
    // The name's text is drawn in the line's text colour.
    const QRect nameText = cells[0].adjusted(ResultDelegate::kIconArea, 0, 0, 0);
    if (expect[row].ink) {
      EXPECT_GT(CountColour(image, nameText, expect[row].ink), 3) << row;
    }
    // No line of another mark colour leaks in.
    if (expect[row].ink != red && expect[row].fill != selectedRed) {
      EXPECT_EQ(CountColour(image, line, red), 0) << row;
    }
  }
  // A selected line draws its icons too (not blank, not the plain fill).
  const QRect icon(Cells(5)[0].left() + 2, Cells(5)[0].top(), 16, Cells(5)[0].height());
  EXPECT_LT(CountColour(image, icon, base), icon.width() * icon.height());
  // The path column's folder icon sits in front of the text, inside the column.
  const auto cells = Cells(4);
  const QRect pathIcon(cells[4].left() + ResultDelegate::kCellInset, cells[4].top(), 16, cells[4].height());
  EXPECT_LT(CountColour(image, pathIcon, base), pathIcon.width() * pathIcon.height());
}

TEST_F(ResultListViewTest, FocusFrameOnlyWhenTheListHasTheKeyboardFocus) {
  Add("a", Mark::Same);
  Add("b", Mark::Same);
  Show();
  view.setCurrentIndex(model.index(1, 0));
  view.selectionModel()->clearSelection();
  const QRgb text = view.palette().color(QPalette::Active, QPalette::Text).rgb();
  const auto cells = Cells(1);
  const QRect topEdge(cells[0].left() + ResultDelegate::kIconArea, cells[0].top(),
                      cells[4].right() - cells[0].left() - ResultDelegate::kIconArea, 1);

  view.clearFocus();
  EXPECT_EQ(CountColour(Render(), topEdge, text), 0);

  QApplication::setActiveWindow(&view);
  view.setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  ASSERT_TRUE(view.hasFocus());
  // A dotted frame: about every other pixel along the edge.
  const int dots = CountColour(Render(), topEdge, text);
  EXPECT_GT(dots, topEdge.width() / 4);
  EXPECT_LT(dots, topEdge.width());
  // The line without the focus has no frame.
  const auto other = Cells(0);
  EXPECT_EQ(CountColour(Render(), QRect(topEdge.left(), other[0].top(), topEdge.width(), 1), text), 0);
}

TEST(ResultDelegateTest, ShortensByWholeCharactersAndEndsInDots) {
  const QFontMetrics metrics(QApplication::font());
  const QString fits = "short.txt";
  const int room = metrics.horizontalAdvance(fits) + 4;
  EXPECT_EQ(ResultDelegate::Shorten(metrics, fits, room, 4), fits);
  EXPECT_EQ(ResultDelegate::Shorten(metrics, "", 0, 4), "");

  const QString longName = "a-very-long-file-name-that-cannot-fit.txt";
  const QString cut = ResultDelegate::Shorten(metrics, longName, room, 4);
  ASSERT_TRUE(cut.endsWith("..."));
  const QString kept = cut.chopped(3);
  EXPECT_TRUE(longName.startsWith(kept));
  EXPECT_LE(metrics.horizontalAdvance(kept) + 4 + metrics.horizontalAdvance("..."), room);
  // The longest part that fits: one character more would not.
  const QString oneMore = longName.left(kept.size() + 1);
  EXPECT_GT(metrics.horizontalAdvance(oneMore) + 4 + metrics.horizontalAdvance("..."), room);

  // At least one character stays, whatever the width.
  EXPECT_EQ(ResultDelegate::Shorten(metrics, longName, 0, 12), "a...");
  // Characters outside the basic plane (two QChars) are never split.
  const QString wide =
      QString::fromUtf8("\xF0\x9F\x93\x81\xF0\x9F\x93\x81\xF0\x9F\x93\x81\xF0\x9F\x93\x81 folder name");
  for (int width = 0; width < metrics.horizontalAdvance(wide); width += 3) {
    const QString shown = ResultDelegate::Shorten(metrics, wide, width, 4);
    if (shown == wide) continue;
    ASSERT_GE(shown.size(), 4);
    EXPECT_FALSE(shown.at(shown.size() - 4).isHighSurrogate()) << width;
  }
  // Japanese names lose whole characters.
  const QString japanese = QStringLiteral("日本語のとても長いファイル名.txt");
  const QString jcut = ResultDelegate::Shorten(metrics, japanese, metrics.horizontalAdvance(japanese) / 2, 4);
  ASSERT_TRUE(jcut.endsWith("..."));
  EXPECT_TRUE(japanese.startsWith(jcut.chopped(3)));
}

TEST(ResultDelegateTest, CellLayoutAlignsShortenedTextsLeft) {
  const QFontMetrics metrics(QApplication::font());
  const QRect result(300, 40, 50, 18);
  auto layout = ResultDelegate::LayoutCell(metrics, 2, result, ">>");
  EXPECT_EQ(layout.shown, ">>");
  EXPECT_EQ(layout.alignment, Qt::AlignHCenter | Qt::AlignVCenter);
  EXPECT_EQ(layout.text, result.adjusted(6, 0, -6, 0));
  EXPECT_TRUE(layout.icon.isNull());

  layout = ResultDelegate::LayoutCell(metrics, 2, result, "a result text far too wide");
  EXPECT_TRUE(layout.shown.endsWith("..."));
  EXPECT_EQ(layout.alignment, Qt::AlignLeft | Qt::AlignVCenter);

  // An empty cell draws nothing.
  layout = ResultDelegate::LayoutCell(metrics, 3, result, "");
  EXPECT_TRUE(layout.shown.isEmpty());
  EXPECT_TRUE(layout.icon.isNull());

  // Column 0: the icon first, then the label with its 2-pixel insets.
  const QRect name(0, 40, 100, 18);
  layout = ResultDelegate::LayoutCell(metrics, 0, name, "n.txt");
  EXPECT_EQ(layout.icon.size(), QSize(16, 16));
  EXPECT_GE(layout.icon.left(), name.left());
  EXPECT_LE(layout.icon.right(), name.left() + ResultDelegate::kIconArea - 1);
  EXPECT_EQ(layout.icon.center().y(), name.center().y());
  EXPECT_EQ(layout.text.left(), name.left() + ResultDelegate::kIconArea + 2);
  EXPECT_EQ(layout.text.right(), name.right() - 2);
  EXPECT_EQ(layout.shown, "n.txt");

  // Column 4: the folder icon at the text's left edge, the text 16 pixels on,
  // and a shortened path still ends inside the column.
  const QRect path(400, 40, 150, 18);
  const QString longPath = "/home/someone/a/rather/deep/folder/structure/with/many/levels/";
  layout = ResultDelegate::LayoutCell(metrics, 4, path, longPath);
  EXPECT_EQ(layout.icon.left(), path.left() + 6);
  EXPECT_EQ(layout.text.left(), path.left() + 6 + 16);
  EXPECT_EQ(layout.text.right(), path.right() - 6);
  EXPECT_TRUE(layout.shown.endsWith("..."));
  EXPECT_LE(metrics.horizontalAdvance(layout.shown), layout.text.width());

  // The fill starts after column 0's icon area and runs to the end of the line.
  EXPECT_EQ(ResultDelegate::FillRect(name, 700), QRect(QPoint(20, 40), QPoint(700, 57)));
}

TEST(ResultDelegateTest, ColoursByResultText) {
  const QPalette palette = QApplication::palette();
  const auto active = [&](QPalette::ColorRole role) { return palette.color(QPalette::Active, role); };
  const struct {
    const char* mark;
    QColor text, fill, selectedText, selectedFill;
  } cases[] = {
      {">", ReadableColour(Qt::red, active(QPalette::Base)), active(QPalette::Base), Qt::white, ReadableColour(Qt::red, Qt::white)},
      {">>", ReadableColour(Qt::red, active(QPalette::Base)), active(QPalette::Base), Qt::white, ReadableColour(Qt::red, Qt::white)},
      {"<", ReadableColour(Qt::blue, active(QPalette::Base)), active(QPalette::Base), Qt::white, QColor(0, 0, 255)},
      {"<<", ReadableColour(Qt::blue, active(QPalette::Base)), active(QPalette::Base), Qt::white, QColor(0, 0, 255)},
      {"?", ReadableColour(Qt::magenta, active(QPalette::Base)), active(QPalette::Base), Qt::white, ReadableColour(Qt::magenta, Qt::white)},
  };
  std::vector<std::pair<const char*, std::array<QColor, 4>>> all;
  for (const auto& c : cases) all.push_back({c.mark, {c.text, c.fill, c.selectedText, c.selectedFill}});
  // The others, and any unknown text, use the window's own colours.
  for (const char* mark : {"=", ">=", "<=", "X=", "X", "", "other"}) {
    all.push_back({mark,
                   {active(QPalette::Text), active(QPalette::Base), active(QPalette::HighlightedText),
                    ReadableColour(active(QPalette::Highlight), active(QPalette::HighlightedText))}});
  }
  for (const auto& [mark, colours] : all) {
    const auto plain = ResultDelegate::LineColours(mark, false, palette);
    const auto selected = ResultDelegate::LineColours(mark, true, palette);
    EXPECT_EQ(plain.text, colours[0]) << mark;
    EXPECT_EQ(plain.fill, colours[1]) << mark;
    EXPECT_EQ(selected.text, colours[2]) << mark;
    EXPECT_EQ(selected.fill, colours[3]) << mark;
  }
}

TEST_F(ResultListViewTest, HundredThousandLinesInAViewFlushAndSortByDate) {
  constexpr int kRows = 100000;
  const std::uint32_t folder = rows.InternFolder("/base/folder/", "/target/folder/");
  for (int i = 0; i < kRows; ++i) {
    engine::ResultRow row;
    row.folder = folder;
    row.hasBase = true;
    row.baseTime = {kT - static_cast<std::int64_t>((i * 7919LL) % 100000) * 61, 0};
    row.result = Mark::BaseNewer;
    rows.Append("f" + std::to_string(i), row);
  }
  Show();
  // How long this takes is measured by bench/, not here: a busy machine or a
  // sanitizer build must not fail a test.
  for (int i = 0; i < kRows; ++i) model.AppendItem(i);
  model.Flush();
  QCoreApplication::processEvents();
  ClickHeader(1);
  Render();

  EXPECT_EQ(view.model()->rowCount(), kRows);
  // Whichever direction the program's state gave, the dates follow it throughout.
  const bool ascending = model.ItemText(0, 1) <= model.ItemText(kRows - 1, 1);
  for (int i = 1; i < kRows; i += 991) {
    const std::string a = model.ItemText(i - 1, 1), b = model.ItemText(i, 1);
    ASSERT_TRUE(ascending ? a <= b : a >= b) << i;
  }
}

}  // namespace
}  // namespace orvel::ui
