#pragma once

#include "engine/folder_scan.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace orvel::engine {

struct ReadAheadItem {
  std::uint32_t nameOffset = 0;  // in ReadAheadFolder::names, NUL-terminated there
  std::uint32_t nameSize = 0;
  platform::EntryInfo info;
  bool gone = false;  // vanished between listing and look-up: left out
};

// One folder as the read-ahead threads read it.
struct ReadAheadFolder {
  // Its own look-up, through the folder above (not for the root).
  platform::EntryInfo info;
  platform::Identity identity;
  std::error_code openError;
  bool opened = false;                // the folder could be opened
  std::error_code emptyError;         // not entered: whether it is empty,
  bool empty = false;                 //   or why that is not known
  std::uint64_t fileSystem = 0;       // on another device than its parent
  // Its listing (when it is entered).
  std::string names;
  std::vector<ReadAheadItem> items;
  std::size_t listed = 0;  // entries listed, temporaries not counted
  bool subsecondTimes = false;
  std::error_code listError;
  // The folders among the items, by item index, in listing order.
  std::vector<std::pair<std::uint32_t, std::unique_ptr<ReadAheadFolder>>> children;

  std::string_view NameOf(const ReadAheadItem& item) const { return {names.data() + item.nameOffset, item.nameSize}; }

 private:
  friend class FolderReadAhead;
  ReadAheadFolder* parent = nullptr;
  std::string name;  // in the parent folder
  // Position in the walk's order (child indexes from the root): the smallest is needed first.
  std::vector<std::uint32_t> key;
  std::shared_ptr<const platform::Folder> parentFolder;  // until it is opened
  std::shared_ptr<const platform::Folder> folder;        // until its entries are looked up
  std::uint32_t chunksLeft = 0;
  bool counted = false;  // counts towards the read-ahead budget
  bool done = false;
};

// Reads folders ahead of a scan with a pool of threads: opens them, lists them
// and looks their entries up, several at a time. On a network file system each
// of these costs a round trip, so a tree read one request after another takes
// the number of requests times the round trip; a pool keeps many in flight.
//
// The scan still walks the tree on its own thread, in its own order, and takes
// each folder's results when its turn comes: rows, entry ids and errors are
// those of a scan without read-ahead. The threads take the folder the walk will
// need first, and read at most a bounded number of folders (and entries) ahead
// of it, so memory and open descriptors stay small whatever the tree.
class FolderReadAhead {
 public:
  using Item = ReadAheadItem;
  using Node = ReadAheadFolder;

  FolderReadAhead(const RunValues& values, const ScanSetup& setup, ScanControl& control, unsigned threads);
  // Stops the threads and waits for the requests they have in flight.
  ~FolderReadAhead();
  FolderReadAhead(const FolderReadAhead&) = delete;
  FolderReadAhead& operator=(const FolderReadAhead&) = delete;

  // Starts reading below the root (a descriptor of the scan's own).
  Node& Start(platform::Folder root);
  // Waits until the folder has been read; rethrows what a thread threw.
  void Wait(Node& node);
  // The walk has added the folder's entries to its index: the listing goes.
  void ListingTaken(Node& node);
  // The child folder read for the parent's item, or null.
  Node* Child(Node& parent, std::uint32_t item);
  // The walk is done with the child: what is left of it goes and the threads may read further.
  void Release(Node& parent, std::uint32_t item);

 private:
  struct Job {
    Node* node;
    std::uint32_t begin = 0;  // the items a look-up job covers
    std::uint32_t end = 0;
    bool lookUps = false;  // else: open and list the folder
  };
  struct Later {
    bool operator()(const Job& a, const Job& b) const {
      if (a.node != b.node) return b.node->key < a.node->key;
      return b.begin < a.begin;
    }
  };

  void Work();
  bool CanTake() const;
  void OpenAndList(Node& node, std::vector<char>& buffer);
  void List(Node& node, std::vector<char>& buffer);
  bool LookUp(Node& node, std::uint32_t begin, std::uint32_t end);
  void LookUpsDone(Node& node, bool subsecond);
  void Finish(Node& node, std::unique_lock<std::mutex>& lock);
  std::string RelPath(const Node& node) const;

  const RunValues& values_;
  const ScanSetup& setup_;
  ScanControl& control_;
  std::unique_ptr<Node> root_;

  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable nodeDone_;
  std::priority_queue<Job, std::vector<Job>, Later> queue_;
  Node* wanted_ = nullptr;  // what the walk waits for: read whatever the budget
  std::size_t foldersAhead_ = 0;
  std::size_t entriesAhead_ = 0;
  std::exception_ptr failure_;
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

}  // namespace orvel::engine
