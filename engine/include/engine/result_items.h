#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"

#include <array>
#include <string>
#include <vector>

namespace orvel::engine {

// A result list held in memory: one item per row, showing the row's texts until
// a column is set. Columns: 0 name, 1 base date, 2 result, 3 target date, 4 path.
class ResultItems : public IResultList {
 public:
  static constexpr int kColumnCount = 5;

  explicit ResultItems(const RowStore& rows) : rows_(rows) {}

  int ItemCount() const override { return static_cast<int>(items_.size()); }
  void AppendItem(int rowIndex) override;
  int ItemData(int item) const override { return items_[static_cast<std::size_t>(item)].row; }
  std::string ItemText(int item, int column) const override;
  void SetItemText(int item, int column, std::string_view text) override;
  void Clear() override;

 private:
  // What execution writes (a mark in the result column, one date copied over
  // the other) is kept as a few bits; any other text goes to overrides_.
  enum Copied : unsigned char { kNone = 0, kBaseDateInTarget = 1, kTargetDateInBase = 2 };
  static constexpr signed char kNoMark = -1;
  struct Item {
    int row = 0;
    int overrides = -1;            // index into overrides_, -1 while no text was set there
    signed char result = kNoMark;  // the result column's mark, when set to one
    unsigned char copied = kNone;
  };
  struct Overrides {
    std::array<std::string, kColumnCount> text;
    unsigned char set = 0;  // bit per column
  };

  const RowStore& rows_;
  std::vector<Item> items_;
  std::vector<Overrides> overrides_;
};

}  // namespace orvel::engine
