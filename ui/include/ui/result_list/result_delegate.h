#pragma once

#include "ui/result_list/icon_cache.h"

#include <QColor>
#include <QFontMetrics>
#include <QRect>
#include <QStyledItemDelegate>

#include <array>

class QPainter;

namespace orvel::ui {

// Paints the result list's lines: the colours follow the result column's text
// (red for the base side newer or alone, blue for the target side, magenta for a
// failure or a conflict), the entry's icon before the name (with a dot when the
// run acted on the line) and the folder icon before the path, texts kept inside
// their columns by cutting them and adding "...".
class ResultDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 5;
  static constexpr int kIconSize = IconCache::kSize;
  static constexpr int kIconArea = 20;   // column 0's icon with its padding; never filled
  static constexpr int kLabelInset = 2;  // column 0's text from each side of its label
  static constexpr int kCellInset = 6;   // the other columns' text from each side

  explicit ResultDelegate(QObject* parent = nullptr);

  struct Colours {
    QColor text;
    QColor fill;
  };
  // The height of a line: the text or the icon, whichever is taller.
  static int LineHeight(const QFontMetrics& metrics);

  // The text and fill colours of a line by its result text. The marks' hues
  // are kept where they read (see ReadableColour): against the palette's
  // background, or as a fill under white when the line is selected.
  static Colours LineColours(const QString& result, bool selected, const QPalette& palette);
  // The mark of a line that execution acted on, over the corner of its icon.
  static void PaintExecutedMark(QPainter* painter, const QRect& icon, const Colours& colours);

  // The text as it fits `width` with `margin` pixels to spare: unchanged when it
  // fits, otherwise cut by whole characters (at least one is kept) and ended
  // with "...".
  static QString Shorten(const QFontMetrics& metrics, const QString& text, int width, int margin);

  struct CellLayout {
    QRect icon;  // null when the cell draws no icon
    QRect text;
    QString shown;  // the text as drawn; empty when nothing is drawn
    Qt::Alignment alignment;
  };
  // Where a cell's icon and text go, and how the text is aligned: the column's
  // alignment unless the text had to be shortened, then left.
  static CellLayout LayoutCell(const QFontMetrics& metrics, int column, const QRect& cell, const QString& text);

  // The part of a line that takes the line's fill colour: everything from the
  // end of column 0's icon area to the end of the last column.
  static QRect FillRect(const QRect& firstCell, int lineRight);

  // Paints one whole line given the rectangles of its five cells.
  void PaintLine(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                 const std::array<QRect, kColumnCount>& cells, bool selected, bool focusFrame) const;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  IconCache& Icons() const { return icons_; }

 private:
  void PaintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, const QRect& cell,
                 const Colours& colours, bool selected, bool drawIcons) const;

  mutable IconCache icons_;  // filled while painting
};

}  // namespace orvel::ui
