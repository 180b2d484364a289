#pragma once

#include "engine/folder_scan.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <list>
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
  // Its place among the folders not read yet, which stand in the walk's order.
  std::list<ReadAheadFolder*>::iterator place;
  bool taken = false;                 // a thread opens and lists it
  std::uint32_t nextLookUp = 0;       // listed: the first item no thread has taken to look up
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
  // Stops the threads, waits for the requests they have in flight, and lets
  // the folders go one at a time (a deep tree would overrun the stack otherwise).
  ~FolderReadAhead();
  FolderReadAhead(const FolderReadAhead&) = delete;
  FolderReadAhead& operator=(const FolderReadAhead&) = delete;

  // Starts reading below the root (a descriptor of the scan's own).
  Node& Start(platform::Folder root);
  // Waits until the folder has been read; rethrows what a thread threw.
  void Wait(Node& node);
  // The walk has added the folder's entries to its index: the listing goes,
  // and the folder no longer counts as read ahead.
  void ListingTaken(Node& node);
  // The child folder read for the parent's item, or null.
  Node* Child(Node& parent, std::uint32_t item);
  // The walk is done with the child: what is left of it goes and the threads may read further.
  void Release(Node& parent, std::uint32_t item);

 private:
  struct Job {
    Node* node = nullptr;
    std::uint32_t begin = 0;  // the items a look-up job covers
    std::uint32_t end = 0;
    bool lookUps = false;  // else: open and list the folder
  };

  void Work();
  // The job the walk will need first, if the budget lets it be taken.
  Job NextJob();
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
  // The folders queued or being read, in the walk's order: a folder read takes
  // its place with the folders inside it.
  std::list<Node*> pending_;
  Node* wanted_ = nullptr;  // what the walk waits for: read whatever the budget
  std::size_t foldersAhead_ = 0;
  std::size_t entriesAhead_ = 0;
  std::exception_ptr failure_;
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

}  // namespace orvel::engine
