#include "engine/result_items.h"

namespace orvel::engine {

void ResultItems::AppendItem(int rowIndex) { items_.push_back(Item{rowIndex, -1}); }

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
    case 0: return std::string(rows_.Name(row));
    case 1: return RowStore::BaseDate(row);
    case 2: return std::string(MarkText(row.result));
    case 3: return RowStore::TargetDate(row);
    case 4: return rows_.SideFolder(row);
    default: return {};
  }
}

void ResultItems::SetItemText(int item, int column, std::string_view text) {
  if (column < 0 || column >= kColumnCount) return;
  Item& it = items_[static_cast<std::size_t>(item)];
  if (it.overrides < 0) {
    it.overrides = static_cast<int>(overrides_.size());
    overrides_.emplace_back();
  }
  Overrides& o = overrides_[static_cast<std::size_t>(it.overrides)];
  o.text[static_cast<std::size_t>(column)] = text;
  o.set |= static_cast<unsigned char>(1u << column);
}

}  // namespace orvel::engine
