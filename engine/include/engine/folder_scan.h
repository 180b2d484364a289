#pragma once

#include "engine/interfaces.h"
#include "engine/run_flags.h"
#include "engine/run_values.h"
#include "engine/side_index.h"

#include <string>
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

// Lists the entries of one folder tree, depth first, in file-system order. A
// cancel clears the busy flag; while it is clear every scan lists nothing.
class FolderScan {
 public:
  FolderScan(const RunValues& values, IProgress& progress, RunFlags& flags)
      : values_(values), progress_(progress), flags_(flags) {}

  // root ends in the separator.
  void Scan(ScanSide side, const std::string& root, bool subFolders, SideIndex& index, ScanLists& lists);

  // Whether the folder is a recycle-bin folder: ".Trash" or ".Trash-<digits>",
  // letter case ignored.
  static bool IsRecycleBinName(std::string_view name);

 private:
  void ScanFolder(platform::Directory& dir, SideIndex::FolderId folder, bool subFolders);
  bool OnCancel();

  const RunValues& values_;
  IProgress& progress_;
  RunFlags& flags_;
  ScanSide side_ = ScanSide::Base;
  std::string root_;
  SideIndex* index_ = nullptr;
  ScanLists* lists_ = nullptr;
  std::string pathBuffer_;
};

}  // namespace orvel::engine
