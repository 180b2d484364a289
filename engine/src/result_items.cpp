#include "engine/result_items.h"

namespace orvel::engine {

void ResultItems::AppendItem(int rowIndex) {
  const int item = ItemCount();
  if (!mapped_ && rowIndex != item) {
    mapped_ = true;
    itemRows_.reserve(states_.size() + 1);
    for (int i = 0; i < item; ++i) itemRows_.push_back(i);
  }
  if (mapped_) itemRows_.push_back(rowIndex);
  states_.push_back(kNoResult);
}

void ResultItems::Clear() {
  std::vector<std::uint8_t>().swap(states_);
  std::vector<int>().swap(itemRows_);
  mapped_ = false;
  decltype(errors_)().swap(errors_);
}

Mark ResultItems::ItemMark(int item) const {
  const std::uint8_t result = states_[static_cast<std::size_t>(item)] & kNoResult;
  return result == kNoResult ? rows_.RowResult(RowOf(item)) : static_cast<Mark>(result);
}

const RowError* ResultItems::ItemError(int item) const {
  const auto found = errors_.find(item);
  if (found != errors_.end()) return &found->second;
  // The comparison's reason while the item shows what it found: "?", or why "!".
  const Mark mark = ItemMark(item);
  if (mark != Mark::Failed && mark != Mark::Conflict) return nullptr;
  return rows_.Error(RowOf(item));
}

std::string ResultItems::ItemText(int item, int column) const {
  const ResultRow row = rows_.Row(RowOf(item));
  const DateCopy copy = ItemDateCopy(item);
  switch (column) {
    case 0:
      return std::string(rows_.Name(row));
    case 1:
      return copy == DateCopy::TargetOverBase ? RowStore::TargetDate(row) : RowStore::BaseDate(row);
    case 2:
      return std::string(MarkText(ItemMark(item)));
    case 3:
      return copy == DateCopy::BaseOverTarget ? RowStore::BaseDate(row) : RowStore::TargetDate(row);
    case 4:
      return rows_.SideFolder(row);
    default:
      return {};
  }
}

void ResultItems::SetItemResult(int item, const ItemResult& result) {
  std::uint8_t& state = states_[static_cast<std::size_t>(item)];
  DateCopy copy = static_cast<DateCopy>(state >> 4);
  // A copy makes one column show what the other shows now; of the three states
  // (each its own date, both the base's, both the target's) it never leaves the
  // last two, as copying an equal date changes nothing.
  if (result.copy != DateCopy::None && copy == DateCopy::None) copy = result.copy;
  state = static_cast<std::uint8_t>(static_cast<unsigned>(result.shown) | static_cast<unsigned>(copy) << 4);
  if (result.error.code) {
    errors_[item] = result.error;
  } else {
    errors_.erase(item);
  }
}

}  // namespace orvel::engine
