#include "ui/result_list/result_list_view.h"

#include "engine/marks.h"
#include "ui/result_list/result_delegate.h"
#include "ui/result_list/result_model.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPaintEvent>
#include <QPainter>

#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace orvel::ui {

namespace {

// One for the whole program, kept across runs and views: 1 when the last sort
// was ascending, 2 descending, 0 before the first.
unsigned g_sortDirection = 0;

// The name and path columns show this many letters before the window widens them.
constexpr int kNameLetters = 16;

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

ResultListView::ResultListView(QWidget* parent) : QTableView(parent), delegate_(new ResultDelegate(this)) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSortingEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAlternatingRowColors(false);
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setItemDelegate(delegate_);
  setAccessibleName(QCoreApplication::translate("ResultList", "結果リスト"));

  // Lines of one height, no line numbers.
  QHeaderView* lines = verticalHeader();
  lines->hide();
  lines->setSectionResizeMode(QHeaderView::Fixed);
  lines->setMinimumSectionSize(1);
  ApplyLineHeight();

  QHeaderView* head = header();
  head->setAccessibleName(QCoreApplication::translate("ResultList", "結果リストの列"));
  head->setSectionsMovable(false);
  head->setSectionsClickable(true);
  // The indicator shows from the first sort on.
  head->setSortIndicatorShown(false);
  head->setHighlightSections(false);
  head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  head->setSectionResizeMode(QHeaderView::Interactive);
  // The path column takes the width the others leave.
  head->setStretchLastSection(true);
  // Saved widths come back as they were, however narrow.
  head->setMinimumSectionSize(0);
  connect(head, &QHeaderView::sectionClicked, this, &ResultListView::SortByHeader);
}

void ResultListView::SetResultModel(ResultModel* model) {
  model_ = model;
  setModel(model);
  ApplyWidths();
}

void ResultListView::ApplyLineHeight() {
  verticalHeader()->setDefaultSectionSize(ResultDelegate::LineHeight(fontMetrics()));
}

void ResultListView::ApplyColumnWidths(const QString& listPos) {
  saved_ = {};
  // Read like "%i:%i:%i:%i:%i": integers from the start until one is missing.
  const QByteArray bytes = listPos.toUtf8();
  const char* at = bytes.constData();
  for (int column = 0; column < kColumnCount; ++column) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(at, &end, 0);
    if (end == at || errno == ERANGE || value > INT_MAX || value < INT_MIN) break;
    // A negative width cannot come from a resized column.
    if (value >= 0) saved_[static_cast<std::size_t>(column)] = static_cast<int>(value);
    at = end;
    if (*at != ':') break;
    ++at;
  }
  ApplyWidths();
}

int ResultListView::DefaultColumnWidth(int column) const {
  const QFontMetrics metrics(font());
  int content = 0;
  switch (column) {
    case ResultModel::kName:
      // The icon and room for a name of some length.
      content = ResultDelegate::kIconArea + 2 * ResultDelegate::kLabelInset +
                metrics.horizontalAdvance(QLatin1Char('x')) * kNameLetters;
      break;
    case ResultModel::kBaseDate:
    case ResultModel::kTargetDate:
      content = metrics.horizontalAdvance(QStringLiteral("2024/05/01 10:00:00")) + 2 * ResultDelegate::kCellInset;
      break;
    case ResultModel::kResult:
      for (int i = 0; i < engine::kMarkCount; ++i) {
        const std::string_view mark = engine::MarkText(static_cast<engine::Mark>(i));
        content = std::max(content, metrics.horizontalAdvance(QString::fromUtf8(mark.data(), static_cast<qsizetype>(mark.size()))));
      }
      content += 2 * ResultDelegate::kCellInset;
      break;
    case ResultModel::kPath:
      // The folder icon and the start of a path; the column takes the rest of the list.
      content = ResultDelegate::kIconSize + 2 * ResultDelegate::kCellInset +
                metrics.horizontalAdvance(QLatin1Char('x')) * kNameLetters;
      break;
    default:
      break;
  }
  // Nor narrower than its title.
  const int title = column < header()->count() ? header()->sectionSizeHint(column) : 0;
  return std::max(content, title);
}

void ResultListView::ApplyWidths() {
  const int sections = std::min(header()->count(), kColumnCount);
  for (int column = 0; column < sections; ++column) {
    const std::optional<int>& saved = saved_[static_cast<std::size_t>(column)];
    // The path column stretches to the list's right edge whatever was saved.
    if (column != ResultModel::kPath) header()->resizeSection(column, saved ? *saved : DefaultColumnWidth(column));
  }
}

QString ResultListView::ColumnWidthsText() const {
  QStringList parts;
  for (int column = 0; column < kColumnCount; ++column) {
    const std::optional<int>& saved = saved_[static_cast<std::size_t>(column)];
    const int width = column < header()->count() ? header()->sectionSize(column)
                                                 : (saved ? *saved : DefaultColumnWidth(column));
    parts << QString::number(width);
  }
  return parts.join(QLatin1Char(':'));
}

QSize ResultListView::sizeHint() const {
  int width = 2 * frameWidth();
  for (int column = 0; column < kColumnCount; ++column) {
    const std::optional<int>& saved = saved_[static_cast<std::size_t>(column)];
    width += column == ResultModel::kPath ? DefaultColumnWidth(column) : (saved ? *saved : DefaultColumnWidth(column));
  }
  const int height = header()->sizeHint().height() + kFirstRows * ResultDelegate::LineHeight(fontMetrics()) +
                     2 * frameWidth();
  return QSize(width, height);
}

void ResultListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  // The defaults and the line height are measured in the list's font.
  if (event->type() == QEvent::FontChange) {
    ApplyLineHeight();
    ApplyWidths();
  }
}

std::vector<int> ResultListView::SelectedItems() const {
  std::vector<int> items;
  if (!selectionModel() || !model_) return items;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) items.push_back(model_->PositionOf(row));
  }
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  return items;
}

int ResultListView::CurrentItem() const {
  const QModelIndex current = currentIndex();
  return current.isValid() && model_ ? model_->PositionOf(current.row()) : -1;
}

void ResultListView::ApplyFilter(const ResultModel::Filter& filter) {
  if (!model_) return;
  const std::vector<int> selected = SelectedItems();
  const int current = CurrentItem();
  model_->SetFilter(filter);
  // The selected lines that still show, as runs of neighbouring rows.
  QItemSelection selection;
  int first = -1;
  int last = -1;
  const auto close = [&] {
    if (first >= 0) selection.select(model_->index(first, 0), model_->index(last, ResultModel::kColumnCount - 1));
  };
  for (const int item : selected) {
    const int row = model_->ViewRowOf(item);
    if (row < 0) continue;
    if (row != last + 1 || first < 0) {
      close();
      first = row;
    }
    last = row;
  }
  close();
  const int currentRow = model_->ViewRowOf(current);
  if (currentRow >= 0) selectionModel()->setCurrentIndex(model_->index(currentRow, 0), QItemSelectionModel::NoUpdate);
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (currentRow >= 0) scrollTo(model_->index(currentRow, 0));
}

void ResultListView::SortByHeader(int column) {
  const WaitCursor wait;
  g_sortDirection = g_sortDirection == 1 ? 2u : 1u;
  if (model_) model_->SortByColumn(column, g_sortDirection == 1);
  // The header says which column the lines are sorted by, and which way.
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, g_sortDirection == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
  // The sort's keys (one text per line) are freed by now; hand their pages back.
  malloc_trim(0);
}

std::array<QRect, ResultListView::kColumnCount> ResultListView::CellRects(const QRect& line) const {
  std::array<QRect, kColumnCount> cells;
  const QHeaderView* head = header();
  for (int column = 0; column < kColumnCount; ++column) {
    if (column < head->count() && !head->isSectionHidden(column)) {
      cells[static_cast<std::size_t>(column)] =
          QRect(head->sectionViewportPosition(column), line.top(), head->sectionSize(column), line.height());
    } else {
      cells[static_cast<std::size_t>(column)] = QRect(line.left(), line.top(), 0, line.height());
    }
  }
  return cells;
}

QRect ResultListView::LineRect(int viewRow) const {
  return QRect(0, rowViewportPosition(viewRow), viewport()->width(), rowHeight(viewRow));
}

void ResultListView::paintEvent(QPaintEvent* event) {
  // Whole lines, as the delegate draws them: only those the area touches.
  QPainter painter(viewport());
  if (!model_) return;
  const QRect area = event->rect();
  const int rows = model_->rowCount();
  int first = rowAt(area.top());
  if (first < 0) first = 0;
  int last = rowAt(area.bottom());
  if (last < 0) last = rows - 1;
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QModelIndex current = currentIndex();
  for (int row = first; row <= last && row < rows; ++row) {
    const QModelIndex index = model_->index(row, 0);
    option.rect = LineRect(row);
    const bool selected = selectionModel() && selectionModel()->isRowSelected(row, QModelIndex());
    const bool focusFrame = hasFocus() && current.isValid() && current.row() == row;
    delegate_->PaintLine(&painter, option, index, CellRects(option.rect), selected, focusFrame);
  }
}

QModelIndex ResultListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  const QModelIndex current = currentIndex();
  if ((action == MoveLeft || action == MoveRight) && current.isValid()) return current;
  const QModelIndex moved = QTableView::moveCursor(action, modifiers);
  // The current index always stands in column 0: the line, not a cell.
  return moved.isValid() ? moved.siblingAtColumn(0) : moved;
}

}  // namespace orvel::ui
