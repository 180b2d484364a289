#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"

#include <cstdint>
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

  int ItemCount() const override { return static_cast<int>(states_.size()); }
  void AppendItem(int rowIndex) override;
  int ItemData(int item) const override { return RowOf(item); }
  std::string ItemText(int item, int column) const override;
  Mark ItemMark(int item) const override;
  DateCopy ItemDateCopy(int item) const override {
    return static_cast<DateCopy>(states_[static_cast<std::size_t>(item)] >> 4);
  }
  void SetItemResult(int item, const ItemResult& result) override;
  void Clear() override;

  // Whether execution has set the item's result (it was carried out, or failed).
  bool ItemExecuted(int item) const { return (states_[static_cast<std::size_t>(item)] & kNoResult) != kNoResult; }

  // Why the item shows "?" or "!": its execution's reason, or the comparison's;
  // null when it has none.
  const RowError* ItemError(int item) const;

 private:
  // Per item one byte: the mark execution set (kNoResult: the row's own) and
  // the date it copied.
  static constexpr std::uint8_t kNoResult = 0x0F;
  static_assert(kMarkCount <= kNoResult, "a mark must fit below kNoResult");

  int RowOf(int item) const { return mapped_ ? itemRows_[static_cast<std::size_t>(item)] : item; }

  const RowStore& rows_;
  std::vector<std::uint8_t> states_;
  // Item → row, kept only once an item stands for another row than its own
  // number (a run appends row n as item n).
  std::vector<int> itemRows_;
  bool mapped_ = false;
  std::unordered_map<int, RowError> errors_;
};

}  // namespace orvel::engine
