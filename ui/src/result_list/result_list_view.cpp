#include "ui/result_list/result_list_view.h"

#include "engine/marks.h"
#include "ui/result_list/result_delegate.h"
#include "ui/result_list/result_model.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>

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
    header()->resizeSection(column, saved ? *saved : DefaultColumnWidth(column));
  }
  // Without a saved width the path column fills the list to its right edge.
  header()->setStretchLastSection(!saved_[ResultModel::kPath]);
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
    width += column < header()->count() && !header()->stretchLastSection() ? header()->sectionSize(column)
                                                                           : (saved ? *saved : DefaultColumnWidth(column));
  }
  const int height = header()->sizeHint().height() + kFirstRows * ResultDelegate::LineHeight(fontMetrics()) +
                     2 * frameWidth();
  return QSize(width, height);
}

void ResultListView::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  // The defaults are measured in the list's font.
  if (event->type() == QEvent::FontChange) ApplyWidths();
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

void ResultListView::SortByHeader(int column) {
  const WaitCursor wait;
  g_sortDirection = g_sortDirection == 1 ? 2u : 1u;
  if (model_) model_->SortByColumn(column, g_sortDirection == 1);
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
