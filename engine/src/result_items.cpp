#include "engine/result_items.h"

namespace orvel::engine {

void ResultItems::AppendItem(int rowIndex) { items_.push_back(Item{rowIndex, -1, kNoMark, kNone}); }

void ResultItems::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  overrides_.clear();
  overrides_.shrink_to_fit();
}

std::string ResultItems::ItemText(int item, int column) const {
  const Item& it = items_[static_cast<std::size_t>(item)];
  if (it.overrides >= 0) {
    const Overrides& o = overrides_[static_cast<std::size_t>(it.overrides)];
    if (o.set & (1u << column)) return o.text[static_cast<std::size_t>(column)];
  }
  const ResultRow& row = rows_.Row(it.row);
  switch (column) {
    case 0:
      return std::string(rows_.Name(row));
    case 1:
      return (it.copied & kTargetDateInBase) ? RowStore::TargetDate(row) : RowStore::BaseDate(row);
    case 2:
      return std::string(MarkText(it.result == kNoMark ? row.result : static_cast<Mark>(it.result)));
    case 3:
      return (it.copied & kBaseDateInTarget) ? RowStore::BaseDate(row) : RowStore::TargetDate(row);
    case 4:
      return rows_.SideFolder(row);
    default:
      return {};
  }
}

void ResultItems::SetItemText(int item, int column, std::string_view text) {
  if (column < 0 || column >= kColumnCount) return;
  Item& it = items_[static_cast<std::size_t>(item)];
  if (it.overrides >= 0)
    overrides_[static_cast<std::size_t>(it.overrides)].set &= static_cast<unsigned char>(~(1u << column));
  const ResultRow& row = rows_.Row(it.row);
  if (column == 2) {
    for (int m = 0; m < kMarkCount; ++m) {
      if (MarkText(static_cast<Mark>(m)) == text) {
        it.result = static_cast<signed char>(m);
        return;
      }
    }
  } else if (column == 1 || column == 3) {
    const std::string own = column == 1 ? RowStore::BaseDate(row) : RowStore::TargetDate(row);
    const std::string other = column == 1 ? RowStore::TargetDate(row) : RowStore::BaseDate(row);
    const unsigned char flag = column == 1 ? kTargetDateInBase : kBaseDateInTarget;
    if (text == own) {
      it.copied &= static_cast<unsigned char>(~flag);
      return;
    }
    if (text == other) {
      it.copied |= flag;
      return;
    }
  }
  if (it.overrides < 0) {
    it.overrides = static_cast<int>(overrides_.size());
    overrides_.emplace_back();
  }
  Overrides& o = overrides_[static_cast<std::size_t>(it.overrides)];
  o.text[static_cast<std::size_t>(column)] = text;
  o.set |= static_cast<unsigned char>(1u << column);
}

}  // namespace orvel::engine
