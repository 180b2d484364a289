#include "ui/result_list_view.h"

#include "ui/result_delegate.h"
#include "ui/result_model.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>

#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace orvel::ui {

namespace {

// One for the whole program, kept across runs and views.
unsigned g_sortState = 0;

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

ResultListView::ResultListView(QWidget* parent) : QTreeView(parent), delegate_(new ResultDelegate(this)) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setSortingEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAlternatingRowColors(false);
  setItemDelegate(delegate_);

  QHeaderView* head = header();
  head->setSectionsMovable(false);
  head->setSectionsClickable(true);
  head->setSortIndicatorShown(false);
  head->setHighlightSections(false);
  head->setStretchLastSection(false);
  // Saved widths come back as they were, however narrow.
  head->setMinimumSectionSize(0);
  connect(head, &QHeaderView::sectionClicked, this, &ResultListView::SortByHeader);
}

void ResultListView::SetResultModel(ResultModel* model) {
  model_ = model;
  setModel(model);
  ApplyWidths();
}

void ResultListView::ApplyColumnWidths(const QString& listPos) {
  widths_ = kDefaultWidths;
  // Read like "%i:%i:%i:%i:%i": integers from the start until one is missing.
  const QByteArray bytes = listPos.toUtf8();
  const char* at = bytes.constData();
  for (int column = 0; column < kColumnCount; ++column) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(at, &end, 0);
    if (end == at || errno == ERANGE || value > INT_MAX || value < INT_MIN) break;
    // A negative width cannot come from a resized column.
    if (value >= 0) widths_[static_cast<std::size_t>(column)] = static_cast<int>(value);
    at = end;
    if (*at != ':') break;
    ++at;
  }
  ApplyWidths();
}

void ResultListView::ApplyWidths() {
  const int sections = std::min(header()->count(), kColumnCount);
  for (int column = 0; column < sections; ++column) {
    header()->resizeSection(column, widths_[static_cast<std::size_t>(column)]);
  }
}

QString ResultListView::ColumnWidthsText() const {
  QStringList parts;
  for (int column = 0; column < kColumnCount; ++column) {
    const int width =
        column < header()->count() ? header()->sectionSize(column) : widths_[static_cast<std::size_t>(column)];
    parts << QString::number(width);
  }
  return parts.join(QLatin1Char(':'));
}

std::vector<int> ResultListView::SelectedItems() const {
  std::vector<int> items;
  if (!selectionModel()) return items;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) items.push_back(row);
  }
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  return items;
}

unsigned ResultListView::SortState() { return g_sortState; }

void ResultListView::SortByHeader(int column) {
  const WaitCursor wait;
  const unsigned direction = (g_sortState >> 16) == 1 ? 2u : 1u;
  g_sortState = (direction << 16) | (static_cast<unsigned>(column) & 0xFFFFu);
  if (model_) model_->SortByColumn(column, direction == 1);
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

void ResultListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (!index.isValid()) return;
  const QModelIndex first = index.siblingAtColumn(0);
  const bool selected = selectionModel() && selectionModel()->isSelected(first);
  const QModelIndex current = currentIndex();
  const bool focusFrame = hasFocus() && current.isValid() && current.row() == index.row();
  delegate_->PaintLine(painter, option, first, CellRects(option.rect), selected, focusFrame);
}

}  // namespace orvel::ui
