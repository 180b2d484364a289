#pragma once

#include "engine/marks.h"
#include "platform/entry_info.h"
#include "platform/file_time.h"
#include "platform/local_time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
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

// Why a row failed, and whose entry it concerns: the path is that side's folder
// followed by the row's name.
struct RowError {
  std::error_code code;
  Side side = Side::Base;
};

// What the scan knew of a row's folders: the identity of the folder on each side
// (unknown where it did not exist) and of the condition's two root folders, so
// that execution acts only on the folders the list was made from.
struct FolderIdentities {
  platform::Identity base;
  platform::Identity target;
  platform::Identity baseRoot;
  platform::Identity targetRoot;
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
  std::uint32_t InternFolder(std::string_view baseFolder, std::string_view targetFolder, std::size_t relLength = 0,
                             const FolderIdentities& ids = {});

  // The reason of a row the comparison could not judge ("?").
  void SetError(int index, RowError error) { errors_[index] = error; }
  const RowError* Error(int index) const {
    const auto found = errors_.find(index);
    return found == errors_.end() ? nullptr : &found->second;
  }

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
  std::string_view TargetRoot(const ResultRow& row) const {
    const FolderPair& f = folders_[row.folder];
    return std::string_view(f.target).substr(0, f.target.size() - f.relLength);
  }
  // The relative folder of the row: empty, or ending in the separator.
  std::string_view RelativeFolder(const ResultRow& row) const {
    const FolderPair& f = folders_[row.folder];
    return std::string_view(f.base).substr(f.base.size() - f.relLength);
  }
  const FolderIdentities& Identities(const ResultRow& row) const { return folders_[row.folder].ids; }
  // The folder of the row's side: what the path column shows.
  const std::string& SideFolder(const ResultRow& row) const;

  // "%.4d/%.2d/%.2d %.2d:%.2d:%.2d" in local time; empty without an entry.
  static std::string BaseDate(const ResultRow& row);
  static std::string TargetDate(const ResultRow& row);

 private:
  struct FolderPair {
    std::string base;
    std::string target;
    std::size_t relLength = 0;
    FolderIdentities ids;
  };
  std::vector<ResultRow> rows_;
  std::string names_;
  std::vector<FolderPair> folders_;
  std::unordered_map<std::string, std::uint32_t> folderIndex_;
  std::unordered_map<int, RowError> errors_;
};

}  // namespace orvel::engine
