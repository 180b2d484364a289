#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

// A result list held in memory: one item per row, showing the row's texts until
// execution sets its result. Columns: 0 name, 1 base date, 2 result, 3 target
// date, 4 path.
class ResultItems : public IResultList {
 public:
  static constexpr int kColumnCount = 5;

  explicit ResultItems(const RowStore& rows) : rows_(rows) {}

  int ItemCount() const override { return static_cast<int>(items_.size()); }
  void AppendItem(int rowIndex) override;
  int ItemData(int item) const override { return items_[static_cast<std::size_t>(item)].row; }
  std::string ItemText(int item, int column) const override;
  Mark ItemMark(int item) const override;
  DateCopy ItemDateCopy(int item) const override { return items_[static_cast<std::size_t>(item)].copy; }
  void SetItemResult(int item, const ItemResult& result) override;
  void Clear() override;

  // Why the item shows "?": its execution's reason, or the comparison's; null
  // when it has none.
  const RowError* ItemError(int item) const;

 private:
  static constexpr signed char kNoMark = -1;
  struct Item {
    int row = 0;
    signed char result = kNoMark;  // set by execution
    DateCopy copy = DateCopy::None;
  };

  const RowStore& rows_;
  std::vector<Item> items_;
  std::unordered_map<int, RowError> errors_;
};

}  // namespace orvel::engine
