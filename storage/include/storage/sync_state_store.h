#pragma once

#include "engine/sync_memory.h"

#include <string>

struct sqlite3;

namespace orvel::storage {

// The remembered states of all folder pairs in one SQLite file. A pair is keyed
// by the absolute paths of its two roots and holds their device and inode
// numbers; each entry is stored once under its folder:
//   pair(id, base, target, base_dev, base_ino, target_dev, target_ino)
//   folder(id, pair, path)                     -- relative folder, "" for the root
//   entry(folder, name, mtime, skew, size, kind) WITHOUT ROWID, key (folder, name)
// mtime is the base side's time in nanoseconds and skew the target's minus it,
// 0 (stored in no bytes) for every pair a copy made equal.
//
// The file is opened on first use, so that nothing is made while no condition
// remembers.
class SyncStateStore : public engine::ISyncState {
 public:
  explicit SyncStateStore(std::string path) : path_(std::move(path)) {}
  ~SyncStateStore() override;
  SyncStateStore(const SyncStateStore&) = delete;
  SyncStateStore& operator=(const SyncStateStore&) = delete;

  // $XDG_STATE_HOME/orvel/sync-state.db, $XDG_STATE_HOME defaulting to ~/.local/state.
  static std::string DefaultPath();

  Loaded Load(const engine::PairRoots& roots, engine::RememberedTable& table, std::string& reason) override;
  bool Save(const engine::PairRoots& roots, const engine::StateChanges& changes, std::string& reason) override;
  std::string Location() const override { return path_; }

 private:
  bool Open(std::string& reason);
  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace orvel::storage
