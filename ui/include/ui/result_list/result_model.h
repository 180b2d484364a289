#pragma once

#include "engine/interfaces.h"
#include "engine/result_items.h"
#include "engine/row_store.h"

#include <QAbstractTableModel>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::ui {

// The result list's items over the row store, in display order. Items appended
// by a run are announced to the views in batches (Flush), never one model reset
// per row. Item indexes of engine::IResultList are display positions.
class ResultModel : public QAbstractTableModel, public engine::IResultList {
  Q_OBJECT
 public:
  enum Column { kName = 0, kBaseDate = 1, kResult = 2, kTargetDate = 3, kPath = 4 };
  enum Role {
    kFolderIconRole = Qt::UserRole + 1,  // bool: column 0 shows a folder (an empty-folder row)
  };
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

  const engine::RowStore& Rows() const { return rows_; }
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

  const engine::RowStore& rows_;
  engine::ResultItems items_;
  std::vector<int> order_;  // display position → index into items_; empty: the same number until the first sort
  int shown_ = 0;           // items the views know about
  bool flushQueued_ = false;  // an automatic flush waits for the event loop
  bool flushTimed_ = false;   // … or for its timer
  std::chrono::steady_clock::time_point lastFlush_{};
};

}  // namespace orvel::ui
