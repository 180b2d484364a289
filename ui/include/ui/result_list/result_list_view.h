#pragma once

#include "ui/result_list/result_model.h"

#include <QTableView>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace orvel::ui {

class ResultDelegate;

// The report-style result list: five columns ("ファイル", "基本日付", "結果",
// "対照日付", "パス") with their widths and alignments, several lines
// selectable, lines painted whole by ResultDelegate (colours by the result
// text, icons, "..." shortening, focus rectangle), sorting on a header click
// with the direction alternating at every click, whichever header, shown by the
// header's sort indicator.
//
// A table rather than a tree: all lines have one height, so announcing more
// lines costs the table no item per line, however long the list grows.
class ResultListView : public QTableView {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 5;
  // The rows the list asks room for in a window that has no saved size.
  static constexpr int kFirstRows = 25;

  explicit ResultListView(QWidget* parent = nullptr);

  void SetResultModel(ResultModel* model);
  // The column header (the table's horizontal one).
  QHeaderView* header() const { return horizontalHeader(); }
  ResultModel* Model() const { return model_; }
  ResultDelegate* Delegate() const { return delegate_; }

  // Column widths from a "ListPos" text ("%i:%i:…"); the columns not given keep
  // their defaults: the name and result columns as wide as their texts need, the
  // date columns a whole date, all measured in the list's font, and the path
  // column whatever the list has left.
  void ApplyColumnWidths(const QString& listPos);
  // A column's default width in the list's font.
  int DefaultColumnWidth(int column) const;
  // The widths of all columns as "%i" joined with ":".
  QString ColumnWidthsText() const;

  // Display positions of the selected lines, ascending (lines the filter hides
  // are never selected).
  std::vector<int> SelectedItems() const;
  // The display position of the current line, or -1.
  int CurrentItem() const;
  // Sets the model's filter and selects again those selected lines that stay.
  void ApplyFilter(const ResultModel::Filter& filter);
  // The rectangle of the line at a view row, in viewport coordinates.
  QRect LineRect(int viewRow) const;

  // The columns' widths and the header above kFirstRows lines.
  QSize sizeHint() const override;

  // The cells of the line at a view row, in viewport coordinates.
  std::array<QRect, kColumnCount> CellRects(const QRect& line) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The line is one unit: moving left or right does not leave it.
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 private:
  void SortByHeader(int column);
  void ApplyWidths();
  void ApplyLineHeight();

  ResultModel* model_ = nullptr;
  ResultDelegate* delegate_ = nullptr;
  std::array<std::optional<int>, kColumnCount> saved_;  // the widths ListPos gave
};

}  // namespace orvel::ui
