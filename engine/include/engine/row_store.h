#pragma once

#include "engine/chunked_store.h"
#include "engine/marks.h"
#include "platform/entry_info.h"
#include "platform/file_time.h"
#include "platform/local_time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
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
  // The bytes of each side's file as the scan saw them (0 for a folder or a
  // side without the entry): what a copy of the row moves.
  std::uint64_t baseSize = 0;
  std::uint64_t targetSize = 0;
  Mark mark = Mark::Same;    // what execution acts on
  Mark result = Mark::Same;  // what the comparison found, shown in the result column
  Side side = Side::Base;    // which side's path the list shows
  bool isFolder = false;  // the entry is an empty folder, not a file (with kindChange: the base's entry is the folder)
  // A file on one side and a folder on the other (the remembered sync): the
  // row puts one in the other's place.
  bool kindChange = false;
  // Both files hold the same bytes (as the remembered sync found): the row
  // gives the older side the newer time instead of copying.
  bool timesOnly = false;
  // Where Row() found the name (Append ignores it): 0 the store's own names,
  // 1 or 2 the names lent by the base or target side's index.
  std::uint8_t nameSource = 0;
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
//
// A million rows are held in a compact form (32 bytes a row besides its name;
// a target time or size that differs from the base's is kept apart), and a row's folder
// as its parent folder and its own name, so that a deep tree costs memory in
// proportion to its depth. Row() hands out a ResultRow made from that form.
class RowStore {
 public:
  void Clear();
  // Stores the row with its name; returns the new row's index. A time is kept
  // only for a side the row has an entry on.
  int Append(std::string_view name, ResultRow row);
  int Count() const { return static_cast<int>(rows_.size()); }
  ResultRow Row(int index) const;
  // What the comparison found for a row (its result text), and its name,
  // without making the rest of the row.
  Mark RowResult(int index) const { return static_cast<Mark>(rows_[static_cast<std::size_t>(index)].marks >> 4); }
  std::string_view RowName(int index) const;

  // The name stores of the two sides' indexes while a condition is compared: a
  // row of a listed entry keeps a reference to the name the index holds
  // (AppendListed) instead of a copy, so that a million names are not held
  // twice. ReturnNames takes the stores over at the end of the condition, or
  // copies the few names the rows use and lets the rest go.
  void LendNames(const NameStore* base, const NameStore* target);
  int AppendListed(Side side, std::uint32_t nameRef, std::string_view name, ResultRow row);
  void ReturnNames(NameStore base, NameStore target);

  // The index of the folder pair (base folder, target folder), adding it when
  // new. Both end in the relative folder of relLength bytes; what comes before
  // it are the condition's two root folders.
  std::uint32_t InternFolder(std::string_view baseFolder, std::string_view targetFolder, std::size_t relLength = 0,
                             const FolderIdentities& ids = {});
  std::size_t FolderCount() const { return folders_.size(); }

  // The rows appended from now on belong to condition `condition` of the set
  // (its index), until the next call.
  void BeginCondition(int condition);
  // The index of the condition a row came from; -1 before any BeginCondition.
  int ConditionOf(int index) const;

  // The reason of a row the comparison could not judge ("?").
  void SetError(int index, RowError error) { errors_[index] = error; }
  const RowError* Error(int index) const {
    const auto found = errors_.find(index);
    return found == errors_.end() ? nullptr : &found->second;
  }

  std::string_view Name(const ResultRow& row) const {
    const NameStore* store = row.nameSource == 0 ? &names_ : lent_[row.nameSource - 1];
    return store->At(row.nameOffset, row.nameLength);
  }
  std::string BaseFolder(const ResultRow& row) const;
  std::string TargetFolder(const ResultRow& row) const;
  // The base folder of the row's condition.
  std::string_view BaseRoot(const ResultRow& row) const { return roots_[folders_[row.folder].root].first; }
  std::string_view TargetRoot(const ResultRow& row) const { return roots_[folders_[row.folder].root].second; }
  // The relative folder of the row: empty, or ending in the separator. Valid
  // until the next call for a row of another folder.
  std::string_view RelativeFolder(const ResultRow& row) const;
  const FolderIdentities& Identities(const ResultRow& row) const { return folders_[row.folder].ids; }
  // The folder of the row's side: what the path column shows.
  std::string SideFolder(const ResultRow& row) const;

  // Folder pairs by index (row.folder): the side's full folder path, and the
  // pair the folder lies in (kNoFolder for a condition's root folder).
  static constexpr std::uint32_t kNoFolder = UINT32_MAX;
  std::uint32_t FolderOf(int index) const { return rows_[static_cast<std::size_t>(index)].folder; }
  std::uint32_t ParentFolder(std::uint32_t folder) const { return folders_[folder].parent; }
  std::string_view FolderName(std::uint32_t folder) const { return folders_[folder].name; }
  std::string_view RootOf(std::uint32_t folder, Side side) const {
    const auto& roots = roots_[folders_[folder].root];
    return side == Side::Base ? roots.first : roots.second;
  }
  std::string FolderText(std::uint32_t folder, Side side) const;

  // "%.4d/%.2d/%.2d %.2d:%.2d:%.2d" in local time; empty without an entry.
  static std::string BaseDate(const ResultRow& row);
  static std::string TargetDate(const ResultRow& row);

  std::size_t MemoryBytes() const;

 private:
  // 24 bytes a row, and its size apart.
  struct Packed {
    static constexpr std::uint32_t kNsecMask = (1u << 30) - 1;
    static constexpr std::uint32_t kHasBase = 1u << 30;
    static constexpr std::uint32_t kHasTarget = 1u << 31;
    static constexpr std::uint8_t kTargetSide = 1;
    static constexpr std::uint8_t kFolderRow = 2;
    static constexpr std::uint8_t kTargetTimeApart = 4;  // in apart_: both sides, other times or sizes
    static constexpr std::uint8_t kLentBase = 8;         // the name is in the base index's store
    static constexpr std::uint8_t kLentTarget = 16;      // … in the target index's
    static constexpr std::uint8_t kKindChange = 32;
    static constexpr std::uint8_t kTimesOnly = 64;
    std::int64_t sec;             // the base time, or the target's without a base entry
    std::uint32_t nsecFlags;      // nanoseconds | kHasBase | kHasTarget
    std::uint32_t nameRef;
    std::uint32_t folder;
    std::uint16_t nameLength;
    std::uint8_t marks;  // mark | result << 4
    std::uint8_t bits;
  };
  // A target time or size that differs from the base's of the same row.
  struct Apart {
    std::int64_t sec;
    std::uint32_t nsec;
    std::uint32_t row;
    std::uint64_t size;
  };
  struct Folder {
    std::uint32_t parent = kNoFolder;
    std::uint32_t root = 0;  // index into roots_
    std::string name;        // empty for a root folder
    FolderIdentities ids;
    bool hasIds = false;
  };
  struct ChildHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::string>& k) const {
      return std::hash<std::string>{}(k.second) ^ (k.first * 0x9E3779B97F4A7C15ull);
    }
  };

  int Add(std::uint32_t nameRef, std::string_view name, std::uint8_t lent, const ResultRow& row);
  // Rows whose name the side's store lends (kLentBase or kLentTarget) get it
  // from `names` instead: adopted whole when the rows use much of it, else copied.
  void Settle(std::uint8_t lent, NameStore names);
  std::uint32_t RootFolder(std::string_view baseRoot, std::string_view targetRoot);
  void AppendRelative(std::uint32_t folder, std::string& out) const;

  ChunkedVector<Packed> rows_;
  ChunkedVector<Apart, 12> apart_;
  ChunkedVector<std::uint64_t> sizes_;  // the size of the side whose time `sec` holds
  NameStore names_;
  std::vector<std::pair<std::string, std::string>> roots_;
  std::vector<Folder> folders_;
  // (parent folder, or the root pair's index with the top bit set; name) → folder.
  std::unordered_map<std::pair<std::uint64_t, std::string>, std::uint32_t, ChildHash> children_;
  std::unordered_map<int, RowError> errors_;
  std::vector<std::pair<int, int>> conditionStarts_;  // (first row, condition index), ascending
  const NameStore* lent_[2] = {nullptr, nullptr};
  std::size_t firstLentRow_ = 0;  // rows before it have names of their own
  std::size_t lentBytes_[2] = {0, 0};  // the names the rows since then read from each side's store
  std::size_t lentRows_[2] = {0, 0};
  mutable std::uint32_t relFolder_ = kNoFolder;
  mutable std::string relText_;
};

}  // namespace orvel::engine
