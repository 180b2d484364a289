#pragma once

#include "engine/sync_memory.h"

#include <string>

struct sqlite3;

namespace orvel::storage {

// The remembered states of all folder pairs in one SQLite file. A pair is keyed
// by the absolute paths of its two roots and holds what makes each root that
// very folder (file system, inode number, birth time or generation); each entry
// is stored once under its folder, and each side's mount points beside them:
//   pair(id, base, target, base_fs, base_ino, base_birth, target_fs, target_ino, target_birth)
//   folder(id, pair, path)                          -- relative folder, "" for the root
//   mount(pair, side, path, fs) WITHOUT ROWID       -- side 0 base, 1 target
//   entry(folder, name, mtime, skew, size, kind, base_stamp, target_stamp) WITHOUT ROWID
// mtime is the base side's time in nanoseconds and skew the target's minus it,
// 0 (stored in no bytes) for every pair a copy made equal on a file system as
// fine as the source's.
//
// The file is opened on first use, so that nothing is made while no condition
// remembers. It is used only while it and its folder belong to the user running
// the program (or to root) and nobody else may write them. A damaged file is
// set aside under a name with the time and said, never silently replaced; a
// file of the previous layout holds no proof (no inode numbers, no change
// times) and starts afresh.
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
  enum class Opened { Ready, Failed, Untrusted };
  Opened Open(std::string& reason);
  void Close();
  // Closes the file and renames it aside; the reason says where it went.
  void SetAside(std::string& reason);
  // The reason of the last failure, setting a damaged file aside.
  std::string Failure();

  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace orvel::storage
