#include "engine/result_items.h"

namespace orvel::engine {

void ResultItems::AppendItem(int rowIndex) { items_.push_back(Item{rowIndex, kNoMark, DateCopy::None}); }

void ResultItems::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  errors_.clear();
}

Mark ResultItems::ItemMark(int item) const {
  const Item& it = items_[static_cast<std::size_t>(item)];
  return it.result == kNoMark ? rows_.Row(it.row).result : static_cast<Mark>(it.result);
}

const RowError* ResultItems::ItemError(int item) const {
  const auto found = errors_.find(item);
  if (found != errors_.end()) return &found->second;
  if (ItemMark(item) != Mark::Failed) return nullptr;
  return rows_.Error(items_[static_cast<std::size_t>(item)].row);
}

std::string ResultItems::ItemText(int item, int column) const {
  const Item& it = items_[static_cast<std::size_t>(item)];
  const ResultRow& row = rows_.Row(it.row);
  switch (column) {
    case 0:
      return std::string(rows_.Name(row));
    case 1:
      return it.copy == DateCopy::TargetOverBase ? RowStore::TargetDate(row) : RowStore::BaseDate(row);
    case 2:
      return std::string(MarkText(ItemMark(item)));
    case 3:
      return it.copy == DateCopy::BaseOverTarget ? RowStore::BaseDate(row) : RowStore::TargetDate(row);
    case 4:
      return rows_.SideFolder(row);
    default:
      return {};
  }
}

void ResultItems::SetItemResult(int item, const ItemResult& result) {
  Item& it = items_[static_cast<std::size_t>(item)];
  it.result = static_cast<signed char>(result.shown);
  // A copy makes one column show what the other shows now; of the three states
  // (each its own date, both the base's, both the target's) it never leaves the
  // last two, as copying an equal date changes nothing.
  if (result.copy != DateCopy::None && it.copy == DateCopy::None) it.copy = result.copy;
  if (result.error.code) {
    errors_[item] = result.error;
  } else {
    errors_.erase(item);
  }
}

}  // namespace orvel::engine
