#include "ui/result_list/result_delegate.h"

#include "ui/result_list/mark_colours.h"
#include "ui/result_list/result_model.h"

#include <QPainter>
#include <QPalette>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace orvel::ui {

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kMagenta(255, 0, 255);

QRect IconAt(int left, const QRect& cell) {
  return QRect(left, cell.top() + (cell.height() - ResultDelegate::kIconSize) / 2, ResultDelegate::kIconSize,
               ResultDelegate::kIconSize);
}

}  // namespace

ResultDelegate::ResultDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

int ResultDelegate::LineHeight(const QFontMetrics& metrics) { return std::max(metrics.height(), kIconSize) + 2; }

ResultDelegate::Colours ResultDelegate::LineColours(const QString& result, bool selected, const QPalette& palette) {
  QColor mark;
  if (result == QLatin1String(">") || result == QLatin1String(">>")) {
    mark = kRed;
  } else if (result == QLatin1String("<") || result == QLatin1String("<<") || result == QLatin1String("<X")) {
    mark = kBlue;
  } else if (result == QLatin1String("?") || result == QLatin1String("!")) {
    mark = kMagenta;
  }
  // Selection keeps the active colours: the list always shows its selection.
  // The hue as it reads against the background: white on it when selected.
  if (mark.isValid()) {
    if (selected) return {Qt::white, ReadableColour(mark, Qt::white)};
    const QColor background = palette.color(QPalette::Active, QPalette::Base);
    return {ReadableColour(mark, background), background};
  }
  // The palette's own colours, as they read: a selection of the theme whose
  // highlight is too light for its text gets a darker one of the same hue.
  if (selected) {
    const QColor text = palette.color(QPalette::Active, QPalette::HighlightedText);
    return {text, ReadableColour(palette.color(QPalette::Active, QPalette::Highlight), text)};
  }
  const QColor background = palette.color(QPalette::Active, QPalette::Base);
  return {ReadableColour(palette.color(QPalette::Active, QPalette::Text), background), background};
}

QString ResultDelegate::Shorten(const QFontMetrics& metrics, const QString& text, int width, int margin) {
  if (text.isEmpty() || metrics.horizontalAdvance(text) + margin <= width) return text;
  const QString ellipsis = QStringLiteral("...");
  const int room = width - margin - metrics.horizontalAdvance(ellipsis);

  // Ends of the whole characters (grapheme clusters), so that no surrogate pair
  // or accent is split.
  std::vector<qsizetype> ends;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) ends.push_back(at);
  if (ends.empty()) return text;

  // The longest proper prefix that fits, found by halving; one character at least.
  std::size_t lo = 1;
  std::size_t hi = ends.size() - 1;  // the whole text does not fit
  std::size_t keep = 1;
  while (lo <= hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (metrics.horizontalAdvance(text.left(ends[mid - 1])) <= room) {
      keep = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return text.left(ends[keep - 1]) + ellipsis;
}

ResultDelegate::CellLayout ResultDelegate::LayoutCell(const QFontMetrics& metrics, int column, const QRect& cell,
                                                      const QString& text) {
  CellLayout layout;
  layout.alignment = Qt::AlignLeft | Qt::AlignVCenter;
  if (column == ResultModel::kName) {
    layout.icon = IconAt(cell.left() + kLabelInset, cell);
    const QRect label(cell.left() + kIconArea, cell.top(), cell.width() - kIconArea, cell.height());
    layout.shown = Shorten(metrics, text, label.width(), 2 * kLabelInset);
    layout.text = label.adjusted(kLabelInset, 0, -kLabelInset, 0);
    return layout;
  }
  if (text.isEmpty()) return layout;
  layout.text = cell.adjusted(kCellInset, 0, -kCellInset, 0);
  int width = cell.width();
  if (column == ResultModel::kPath) {
    layout.icon = IconAt(layout.text.left(), cell);
    layout.text.setLeft(layout.text.left() + kIconSize);
    // The icon takes its room from the text, which stays inside the column.
    width -= kIconSize;
  }
  layout.shown = Shorten(metrics, text, width, 2 * kCellInset);
  if (layout.shown == text) layout.alignment = ResultModel::ColumnAlignment(column);
  return layout;
}

QRect ResultDelegate::FillRect(const QRect& firstCell, int lineRight) {
  const int left = std::min(firstCell.left() + kIconArea, firstCell.right() + 1);
  return QRect(QPoint(left, firstCell.top()), QPoint(lineRight, firstCell.bottom()));
}

void ResultDelegate::PaintLine(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                               const std::array<QRect, kColumnCount>& cells, bool selected, bool focusFrame) const {
  const QAbstractItemModel* model = index.model();
  if (!model) return;
  const int row = index.row();
  const QString result = model->index(row, ResultModel::kResult).data(Qt::DisplayRole).toString();
  const Colours colours = LineColours(result, selected, option.palette);

  int lineRight = cells[0].right();
  for (const QRect& cell : cells) lineRight = std::max(lineRight, cell.right());
  const QRect fill = FillRect(cells[0], lineRight);
  const bool drawIcons = lineRight - cells[0].left() + 1 >= 2;

  painter->save();
  painter->setFont(option.font);
  painter->fillRect(fill, colours.fill);
  for (int column = 0; column < kColumnCount; ++column) {
    PaintCell(painter, option, model->index(row, column), cells[static_cast<std::size_t>(column)], colours, selected,
              drawIcons);
  }
  if (focusFrame) {
    painter->setPen(QPen(colours.text, 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(fill.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

void ResultDelegate::PaintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                               const QRect& cell, const Colours& colours, bool selected, bool drawIcons) const {
  if (cell.width() <= 0) return;
  const int column = index.column();
  const QString text = index.data(Qt::DisplayRole).toString();
  const CellLayout layout = LayoutCell(option.fontMetrics, column, cell, text);
  if (layout.icon.isNull() && layout.shown.isEmpty()) return;

  painter->save();
  painter->setClipRect(cell, Qt::IntersectClip);
  if (drawIcons && !layout.icon.isNull()) {
    const QIcon* icon = nullptr;
    if (column == ResultModel::kName) {
      icon = index.data(ResultModel::kFolderIconRole).toBool() ? &icons_.FolderIcon()
                                                               : &icons_.FileIcon(text.toUtf8().toStdString());
    } else {
      icon = &icons_.FolderIcon();
    }
    std::optional<QColor> blend;
    if (selected) blend = option.palette.color(QPalette::Active, QPalette::Highlight);
    painter->drawPixmap(layout.icon.topLeft(), icons_.Pixmap(*icon, blend));
    if (column == ResultModel::kName && index.data(ResultModel::kExecutedRole).toBool()) {
      PaintExecutedMark(painter, layout.icon, colours);
    }
  }
  if (!layout.shown.isEmpty() && layout.text.width() > 0) {
    painter->setPen(colours.text);
    painter->drawText(layout.text, static_cast<int>(layout.alignment) | Qt::TextSingleLine, layout.shown);
  }
  painter->restore();
}

void ResultDelegate::PaintExecutedMark(QPainter* painter, const QRect& icon, const Colours& colours) {
  // A dot in the icon's lower right corner, in the line's text colour with a
  // ring of its fill: readable wherever the text is.
  const int size = kIconSize / 2;
  const QRectF dot(icon.right() + 1 - size, icon.bottom() + 1 - size, size, size);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(QPen(colours.fill, 1.5));
  painter->setBrush(colours.text);
  painter->drawEllipse(dot.adjusted(0.75, 0.75, -0.75, -0.75));
  painter->restore();
}

void ResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // One cell on its own (a view that does not paint whole lines).
  if (!index.isValid()) return;
  const bool selected = option.state & QStyle::State_Selected;
  const QString result = index.sibling(index.row(), ResultModel::kResult).data(Qt::DisplayRole).toString();
  const Colours colours = LineColours(result, selected, option.palette);
  QRect fill = option.rect;
  if (index.column() == ResultModel::kName) fill = FillRect(option.rect, option.rect.right());
  painter->save();
  painter->setFont(option.font);
  painter->fillRect(fill, colours.fill);
  PaintCell(painter, option, index, option.rect, colours, selected, true);
  painter->restore();
}

QSize ResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  int width = option.fontMetrics.horizontalAdvance(text) + 2 * kCellInset;
  if (index.column() == ResultModel::kName) width += kIconArea;
  if (index.column() == ResultModel::kPath) width += kIconSize;
  return QSize(width, LineHeight(option.fontMetrics));
}

}  // namespace orvel::ui
