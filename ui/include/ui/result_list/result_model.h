#pragma once

#include "engine/interfaces.h"
#include "engine/result_items.h"
#include "engine/row_store.h"

#include <QAbstractTableModel>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::ui {

class NameMatcher;

// The result list's items over the row store, in display order. Items appended
// by a run are announced to the views in batches (Flush), never one model reset
// per row. Item indexes of engine::IResultList are display positions: places in
// the sorted list of every item. A filter hides lines from the views without
// changing those positions: the views' rows are the positions of the lines it
// lets through, in the same order (PositionOf, ViewRowOf).
class ResultModel : public QAbstractTableModel, public engine::IResultList {
  Q_OBJECT
 public:
  enum Column { kName = 0, kBaseDate = 1, kResult = 2, kTargetDate = 3, kPath = 4 };
  enum Role {
    kFolderIconRole = Qt::UserRole + 1,  // bool: column 0 shows a folder (an empty-folder row)
    kExecutedRole,                       // bool: execution set the line's result (a synced, deleted or failed line)
  };
  // The kinds of lines a filter can ask for, by the mark the result column shows.
  enum Kind : unsigned {
    kDifferences = 1,  // > >> < << and their synced marks >= <=
    kConflicts = 2,    // !
    kFailures = 4,     // ?
    kDeletions = 8,    // X <X and their deleted marks X= <X=
    kIdentical = 16,   // =
  };
  // Which lines show: those of the chosen kinds (every kind when none is
  // chosen) whose name contains the text, in any case.
  struct Filter {
    unsigned kinds = 0;
    QString name;
    bool Active() const { return kinds != 0 || !name.isEmpty(); }
    friend bool operator==(const Filter&, const Filter&) = default;
  };
  static unsigned KindOf(engine::Mark mark);
  static constexpr int kColumnCount = engine::ResultItems::kColumnCount;

  explicit ResultModel(const engine::RowStore& rows, QObject* parent = nullptr);

  // engine::IResultList
  int ItemCount() const override;
  void AppendItem(int rowIndex) override;
  int ItemData(int item) const override;
  std::string ItemText(int item, int column) const override;
  engine::Mark ItemMark(int item) const override;
  engine::DateCopy ItemDateCopy(int item) const override;
  // Repaints the whole line: every text of an executed item may have changed.
  void SetItemResult(int item, const engine::ItemResult& result) override;
  void Clear() override;

  // Tells the views about the items appended since the last call. It also
  // happens by itself when the event loop turns after an append, in batches
  // that grow with the list: a view lays out all its lines at every
  // announcement, so announcing a million lines a few at a time would cost the
  // square of that.
  void Flush();
  // Sorts the items by the texts of a column, compared byte by byte; equal texts
  // keep their order. The texts are never made: names by their first bytes
  // (the rest only on a tie), dates by their local calendar fields, marks and
  // folders by their rank among their few distinct texts.
  void SortByColumn(int column, bool ascending);

  // Shows only the lines the filter lets through (a reset of the views).
  void SetFilter(const Filter& filter);
  const Filter& CurrentFilter() const { return filter_; }
  // The display position of a view row, and the view row of a position (-1
  // when the filter hides it or the views do not know it yet).
  int PositionOf(int viewRow) const { return filtered_ ? visible_[static_cast<std::size_t>(viewRow)] : viewRow; }
  int ViewRowOf(int position) const;
  // Whether execution set the item's result (in the run that made the list, or
  // a row command since).
  bool IsExecuted(int item) const { return items_.ItemExecuted(Item(item)); }

  const engine::RowStore& Rows() const { return rows_; }
  // The texts of the line at a view row (the QAbstractItemModel side).
  std::string RowText(int viewRow, int column) const { return ItemText(PositionOf(viewRow), column); }
  // Whether the item at a display position is an empty folder rather than a file.
  bool IsFolder(int item) const;
  // Why the item shows "?", or null.
  const engine::RowError* ItemError(int item) const { return items_.ItemError(Item(item)); }
  // "path: reason" for an item with a reason (the full path of the entry that
  // failed); empty otherwise. The tooltip of every cell of its line.
  QString ReasonText(int item) const;

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  static QString ColumnTitle(int column);
  static Qt::Alignment ColumnAlignment(int column);

 private:
  int Item(int position) const { return order_.empty() ? position : order_[static_cast<std::size_t>(position)]; }
  // The automatic flush after appends: only once the lines waiting are a good
  // part of those shown, or a while has passed.
  void FlushDue();
  // Display positions in their new order (each the old position), by column.
  std::vector<int> SortedPositions(int column, bool ascending) const;
  // Whether the filter lets the item through.
  bool Passes(int item, const NameMatcher& name) const;
  // visible_ made again from passes_ over the positions the views know.
  void CollectVisible();

  const engine::RowStore& rows_;
  engine::ResultItems items_;
  std::vector<int> order_;  // display position → index into items_; empty: the same number until the first sort
  int shown_ = 0;           // positions the views know about (those the filter hides included)
  Filter filter_;
  bool filtered_ = false;               // filter_ is active: visible_ holds the views' rows
  std::vector<int> visible_;            // view row → display position, ascending
  std::vector<std::uint8_t> passes_;    // per item: the filter lets it through
  bool flushQueued_ = false;  // an automatic flush waits for the event loop
  bool flushTimed_ = false;   // … or for its timer
  std::chrono::steady_clock::time_point lastFlush_{};
};

}  // namespace orvel::ui
