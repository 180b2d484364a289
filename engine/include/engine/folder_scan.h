#pragma once

#include "engine/run_values.h"
#include "engine/side_index.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvel::platform {
class Directory;
}

namespace orvel::engine {

// The entry lists of one side: files that take part and empty folders, as
// entries of the side's index, in the order the file system returned them.
struct ScanLists {
  std::vector<SideIndex::EntryId> files;
  std::vector<SideIndex::EntryId> folders;
  void Clear() {
    files.clear();
    folders.clear();
  }
};

enum class ScanSide { Base, Target };

// What a scan asks of whoever runs it: whether to go on, where it is, and
// whether a cancel has arrived.
class ScanControl {
 public:
  virtual ~ScanControl() = default;
  virtual bool Running() const = 0;
  virtual void EnterFolder(std::string_view path) = 0;
  // Asked after every entry; true ends the scan, and Running() is false from then on.
  virtual bool CancelAfterEntry() = 0;
};

// Lists the entries of one folder tree, depth first, in file-system order. A
// cancel ends the scan and empties what it listed: both lists on the base side,
// the file list on the target side (the empty folders found so far stay).
class FolderScan {
 public:
  FolderScan(const RunValues& values, ScanControl& control) : values_(values), control_(control) {}

  // root ends in the separator.
  void Scan(ScanSide side, const std::string& root, bool subFolders, SideIndex& index, ScanLists& lists);

  // Whether the folder is a recycle-bin folder: ".Trash" or ".Trash-<digits>",
  // letter case ignored.
  static bool IsRecycleBinName(std::string_view name);

 private:
  void ScanFolder(platform::Directory& dir, SideIndex::FolderId folder, bool subFolders);
  bool OnCancel();

  const RunValues& values_;
  ScanControl& control_;
  ScanSide side_ = ScanSide::Base;
  std::string root_;
  SideIndex* index_ = nullptr;
  ScanLists* lists_ = nullptr;
  std::string pathBuffer_;
};

}  // namespace orvel::engine
