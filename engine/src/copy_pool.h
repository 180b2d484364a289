#pragma once

#include "file_row_copy.h"
#include "sync_work.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace orvel::engine {

// One row's file copy handed to the pool, with what its item shows once done.
struct PooledCopy {
  int item = 0;
  int rowIndex = 0;
  ItemResult done;  // shown when the copy succeeds
  Shown base;       // what the list showed of the row when it was handed over
  Shown target;
  bool fromBase = true;
  FileRowCopy copy;
  // Filled in by the pool.
  bool started = false;  // false: dropped before it began (a cancel)
  RowError error;
  FileRowCopyDone result;
  std::exception_ptr failure;
};

// Copies the files of rows on a few threads, so that where every request is
// a round trip (a network or FUSE mount) several copies are in flight. Each
// thread reaches its folders from the root descriptors one name at a time
// without following a link, through trees of its own (a tree keeps a few
// folders open and is not shared; a guarded one would make every copy wait
// for the others' look-ups). The copies are handed back in the order they
// were handed over.
class CopyPool {
 public:
  // The roots are opened again: the pool does not depend on the caller's descriptors.
  static std::unique_ptr<CopyPool> Start(platform::CopySession& session, const platform::Folder& base,
                                         const platform::Folder& target, unsigned threads);
  // Waits for the copies in flight; those not begun are dropped.
  ~CopyPool();
  CopyPool(const CopyPool&) = delete;
  CopyPool& operator=(const CopyPool&) = delete;

  void Submit(PooledCopy copy);
  // Copies handed over and not taken back yet.
  std::size_t Outstanding() const { return order_.size(); }
  // The oldest copy handed over once it is done (waiting for it when `wait`), else nothing.
  std::optional<PooledCopy> TakeFront(bool wait);
  // Nothing more begins: the copies not begun yet come back unstarted.
  void StopStarting();

 private:
  CopyPool(platform::CopySession& session, platform::Folder base, platform::Folder target);
  struct Slot {
    PooledCopy copy;
    bool done = false;
  };
  void Work();

  platform::CopySession& session_;
  const platform::Folder base_;
  const platform::Folder target_;
  std::deque<std::unique_ptr<Slot>> order_;  // the caller's thread only

  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable slotDone_;
  std::deque<Slot*> waiting_;  // not begun yet
  bool stopStarting_ = false;
  bool quit_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace orvel::engine
