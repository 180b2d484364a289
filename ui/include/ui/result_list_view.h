#pragma once

#include <QTreeView>

#include <array>
#include <functional>
#include <vector>

namespace orvel::ui {

class ResultModel;
class ResultDelegate;

// The report-style result list: five columns ("ファイル", "基本日付", "結果",
// "対照日付", "パス") with their default widths and alignments, several lines
// selectable, lines painted by ResultDelegate (colours by the result text,
// icons, "..." shortening, focus rectangle), sorting on a header click with the
// direction alternating at every click, whichever header.
class ResultListView : public QTreeView {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 5;
  static constexpr std::array<int, kColumnCount> kDefaultWidths{100, 120, 50, 120, 150};

  explicit ResultListView(QWidget* parent = nullptr);

  void SetResultModel(ResultModel* model);
  ResultModel* Model() const { return model_; }
  ResultDelegate* Delegate() const { return delegate_; }

  // Column widths from a "ListPos" text ("%i:%i:…"); the columns not given keep
  // their defaults.
  void ApplyColumnWidths(const QString& listPos);
  // The widths of all columns as "%i" joined with ":".
  QString ColumnWidthsText() const;

  // Display positions of the selected lines, ascending.
  std::vector<int> SelectedItems() const;
  // The sort state: low 16 bits the column, high 16 bits the direction
  // (1 ascending, 2 descending, 0 not yet sorted). One for the whole program.
  static unsigned SortState();

  // The cells of the line at a view row, in viewport coordinates.
  std::array<QRect, kColumnCount> CellRects(const QRect& line) const;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  void SortByHeader(int column);
  void ApplyWidths();

  ResultModel* model_ = nullptr;
  ResultDelegate* delegate_ = nullptr;
  std::array<int, kColumnCount> widths_ = kDefaultWidths;
};

}  // namespace orvel::ui
