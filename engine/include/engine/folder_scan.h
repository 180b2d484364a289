#pragma once

#include "engine/run_values.h"
#include "engine/side_index.h"
#include "platform/folder.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvel::platform {
struct LeftoverTally;
}

namespace orvel::engine {

// Entry ids in the order they were listed, kept as runs of consecutive ids: the
// files of a folder are consecutive entries of the index, so a million files
// take about as many runs as there are folders.
class EntryList {
 public:
  using EntryId = SideIndex::EntryId;

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = EntryId;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = EntryId;
    Iterator() = default;
    EntryId operator*() const { return (*runs_)[run_].first + offset_; }
    Iterator& operator++() {
      if (++offset_ == (*runs_)[run_].second) {
        ++run_;
        offset_ = 0;
      }
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.run_ == b.run_ && a.offset_ == b.offset_; }

   private:
    friend class EntryList;
    Iterator(const std::vector<std::pair<EntryId, std::uint32_t>>* runs, std::size_t run) : runs_(runs), run_(run) {}
    const std::vector<std::pair<EntryId, std::uint32_t>>* runs_ = nullptr;
    std::size_t run_ = 0;
    std::uint32_t offset_ = 0;
  };

  void push_back(EntryId id) {
    if (!runs_.empty() && runs_.back().first + runs_.back().second == id) {
      ++runs_.back().second;
    } else {
      runs_.emplace_back(id, 1);
    }
    ++size_;
  }
  // Empties the list and gives its memory back.
  void clear() {
    std::vector<std::pair<EntryId, std::uint32_t>>().swap(runs_);
    size_ = 0;
  }
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  Iterator begin() const { return Iterator(&runs_, 0); }
  Iterator end() const { return Iterator(&runs_, runs_.size()); }

 private:
  std::vector<std::pair<EntryId, std::uint32_t>> runs_;  // (first id, count)
  std::size_t size_ = 0;
};

// The entry lists of one side: files that take part and empty folders, as
// entries of the side's index, in the order the file system returned them. An
// entry that could not be read (or a folder that could not be listed) stands in
// the file list, so that it becomes a row of its own.
struct ScanLists {
  EntryList files;
  EntryList folders;
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
  // A folder (its path relative to the root, ending in the separator; empty for
  // the root) has been listed and no folder inside it opened yet. A scan that
  // reads ahead calls this from its reading threads, several at a time.
  virtual void Listed(std::string_view relFolder) { (void)relFolder; }
  // Whether Listed is to be called where the path costs a walk up the tree to make.
  virtual bool WatchesListings() const { return false; }
};

// How a scan issues its look-ups: one after another, or many at a time where
// each costs a round trip (network and FUSE file systems).
enum class ScanLookUps { ByFileSystem, OneAtATime, Concurrent };

// What one scan is to read.
struct ScanSetup {
  ScanSide side = ScanSide::Base;
  const platform::Folder* root = nullptr;  // opened by the caller; the scan reads through its own descriptor
  std::string rootPath;                    // ends in the separator; shown and kept in the index
  bool subFolders = true;
  platform::Identity otherRoot;  // the other tree's root: never entered when met
  bool removeLeftovers = false;  // a sync run removes the temporaries of killed runs
  // The remembered sync: entries keep their sizes and stamps, folders the file
  // system they lie on.
  bool keepExtras = false;
  ScanLookUps lookUps = ScanLookUps::ByFileSystem;
  platform::LeftoverTally* leftovers = nullptr;  // counts the leftovers met (may be null)
};

// What a scan found besides its lists.
struct ScanSummary {
  std::error_code rootError;    // the root itself could not be listed
  std::size_t rootEntries = 0;  // entries directly in the root (temporaries not counted)
  std::size_t unreadable = 0;   // entries and folders that could not be read
  // Some time the scan saw (a change time, which nobody sets by hand, or a
  // last-write time) has a fraction of a second: the file system keeps them.
  bool subsecondTimes = false;
  bool timesSeen = false;  // the root at least was looked at
  // Leftovers of killed runs removed, and entries named like them that nothing
  // could prove ours (a file system without attributes): left and listed.
  std::uint64_t leftoversRemoved = 0;
  std::uint64_t leftoversUnproven = 0;
};

// Lists the entries of one folder tree, depth first, in file-system order. A
// cancel ends the scan and empties what it listed: both lists on the base side,
// the file list on the target side (the empty folders found so far stay).
//
// The walk keeps the folders on its path on a stack of its own, so the depth a
// tree may have is not bounded by the thread's stack. At most kOpenFolderBudget
// folders stay open: the walk backs up to a closed folder through ".." of the
// one below it, or reopens it from the nearest open one by name, never through
// a link, and only when each is still the folder that was listed. So the depth
// a scan can take does not depend on the process's descriptor limit either.
class FolderReadAhead;
struct ReadAheadFolder;

class FolderScan {
 public:
  static constexpr std::size_t kOpenFolderBudget = 64;
  // The threads that read ahead of a scan whose look-ups are concurrent.
  static constexpr unsigned kLookUpThreads = 12;

  FolderScan(const RunValues& values, ScanControl& control) : values_(values), control_(control) {}

  ScanSummary Scan(const ScanSetup& setup, SideIndex& index, ScanLists& lists);

  // Whether the folder is a recycle-bin folder: ".Trash" or ".Trash-<digits>",
  // letter case ignored.
  static bool IsRecycleBinName(std::string_view name);
  // Whether a scan of the tree below `root` issues its look-ups concurrently.
  static bool LooksUpConcurrently(ScanLookUps lookUps, const platform::Folder& root);

 private:
  class OpenFolders;
  struct Frame;
  // How an entry of the folder being read was taken.
  enum class Taken { Counted, NotCounted, Entered };

  std::error_code Walk(OpenFolders& open, SideIndex::FolderId root, ReadAheadFolder* rootRead);
  std::error_code BeginFolder(OpenFolders& open, std::vector<Frame>& path, Frame frame);
  std::error_code EndFolder(const Frame& frame);
  void LeaveFolder(std::vector<Frame>& path, const Frame& left, std::error_code error);
  std::error_code ReadListing(const platform::Folder& dir, SideIndex::FolderId folder, bool atRoot);
  std::error_code TakeListing(ReadAheadFolder& read, SideIndex::FolderId folder, bool atRoot);
  Taken ListFolderEntry(OpenFolders& open, std::vector<Frame>& path, SideIndex::EntryId id, std::string_view name);
  void ListUnreadable(SideIndex::FolderId folder, SideIndex::EntryId id, std::string_view name, bool isFolder,
                      std::error_code error);
  std::string_view RelPath() const { return std::string_view(pathBuffer_).substr(setup_.rootPath.size()); }
  bool OnCancel();

  const RunValues& values_;
  ScanControl& control_;
  ScanSetup setup_;
  SideIndex* index_ = nullptr;
  ScanLists* lists_ = nullptr;
  ScanSummary summary_;
  FolderReadAhead* ahead_ = nullptr;  // set while a scan reads ahead
  // The root and the relative folder being read, one string for the whole walk.
  std::string pathBuffer_;
  std::vector<char> readBuffer_;
};

}  // namespace orvel::engine
