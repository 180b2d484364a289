#pragma once

#include "engine/marks.h"
#include "platform/file_time.h"
#include "platform/local_time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

enum class Side : unsigned char { Base, Target };

// One result row. Its name and the full folder paths live in the store (the
// paths are shared by all rows of a folder), so a row holds no memory of its own.
struct ResultRow {
  std::uint32_t nameOffset = 0;
  std::uint32_t nameLength = 0;
  std::uint32_t folder = 0;
  platform::FileTime baseTime;
  platform::FileTime targetTime;
  bool hasBase = false;
  bool hasTarget = false;
  Mark mark = Mark::Same;    // what execution acts on
  Mark result = Mark::Same;  // what the comparison found, shown in the result column
  Side side = Side::Base;    // which side's path the list shows
  bool isFolder = false;     // the entry is an empty folder, not a file
};

// The rows of the last run, in the order they were added. Execution never
// changes them.
class RowStore {
 public:
  void Clear();
  // Stores the row with its name; returns the new row's index.
  int Append(std::string_view name, ResultRow row);
  int Count() const { return static_cast<int>(rows_.size()); }
  const ResultRow& Row(int index) const { return rows_[static_cast<std::size_t>(index)]; }

  // The index of the folder pair (base folder, target folder), adding it when
  // new. Both end in the relative folder of relLength bytes; what comes before
  // it are the condition's two root folders.
  std::uint32_t InternFolder(std::string_view baseFolder, std::string_view targetFolder, std::size_t relLength = 0);

  std::string_view Name(const ResultRow& row) const {
    return std::string_view(names_).substr(row.nameOffset, row.nameLength);
  }
  const std::string& BaseFolder(const ResultRow& row) const { return folders_[row.folder].base; }
  const std::string& TargetFolder(const ResultRow& row) const { return folders_[row.folder].target; }
  // The base folder of the row's condition.
  std::string_view BaseRoot(const ResultRow& row) const {
    const FolderPair& f = folders_[row.folder];
    return std::string_view(f.base).substr(0, f.base.size() - f.relLength);
  }
  // The folder of the row's side: what the path column shows.
  const std::string& SideFolder(const ResultRow& row) const;

  // "%.4d/%.2d/%.2d %.2d:%.2d:%.2d" in local time; empty without an entry.
  static std::string BaseDate(const ResultRow& row);
  static std::string TargetDate(const ResultRow& row);
  // Local calendar fields; all zero without an entry.
  static platform::LocalTime BaseLocalTime(const ResultRow& row);
  static platform::LocalTime TargetLocalTime(const ResultRow& row);

 private:
  struct FolderPair {
    std::string base;
    std::string target;
    std::size_t relLength = 0;
  };
  std::vector<ResultRow> rows_;
  std::string names_;
  std::vector<FolderPair> folders_;
  std::unordered_map<std::string, std::uint32_t> folderIndex_;
};

}  // namespace orvel::engine
