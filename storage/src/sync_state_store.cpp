#include "storage/sync_state_store.h"

#include "platform/file_time.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::storage {

namespace {

constexpr int kSchemaVersion = 1;
// Another program writing the same file (the desktop program and orvel-cli)
// holds it for one transaction at most.
constexpr int kBusyMilliseconds = 10000;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS pair(
  id INTEGER PRIMARY KEY,
  base BLOB NOT NULL,
  target BLOB NOT NULL,
  base_dev INTEGER NOT NULL,
  base_ino INTEGER NOT NULL,
  target_dev INTEGER NOT NULL,
  target_ino INTEGER NOT NULL,
  UNIQUE(base, target));
CREATE TABLE IF NOT EXISTS folder(
  id INTEGER PRIMARY KEY,
  pair INTEGER NOT NULL,
  path BLOB NOT NULL,
  UNIQUE(pair, path));
CREATE TABLE IF NOT EXISTS entry(
  folder INTEGER NOT NULL,
  name BLOB NOT NULL,
  mtime INTEGER NOT NULL,
  skew INTEGER NOT NULL,
  size INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  PRIMARY KEY(folder, name)) WITHOUT ROWID;
)";

// Device and inode numbers are unsigned; SQLite keeps 64-bit signed integers.
std::int64_t AsStored(std::uint64_t value) { return static_cast<std::int64_t>(value); }

// The key of a root: absolute, so that a relative path typed elsewhere does not
// name another pair's state.
std::string AbsoluteRoot(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::string cwd(4096, '\0');
  if (!::getcwd(cwd.data(), cwd.size())) return path;
  cwd.resize(std::strlen(cwd.c_str()));
  if (cwd.back() != '/') cwd.push_back('/');
  return cwd + path;
}

// Makes each missing folder of a path, private to the user.
bool MakeFolders(const std::string& folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// One prepared statement, finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK; }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool Ok() const { return ok_; }
  // Text is bound without a copy: it outlives every step of the statement.
  void Bind(int index, std::string_view bytes) {
    sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), nullptr);
  }
  void Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
  int Step() { return sqlite3_step(stmt_); }
  void Reset() { sqlite3_reset(stmt_); }
  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string_view Bytes(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string_view{};
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

struct StoredPair {
  bool found = false;
  std::int64_t id = 0;
  bool sameRoots = false;
};

StoredPair FindPair(sqlite3* db, const std::string& base, const std::string& target, const engine::PairRoots& roots) {
  Statement find(db, "SELECT id, base_dev, base_ino, target_dev, target_ino FROM pair WHERE base = ? AND target = ?");
  StoredPair pair;
  if (!find.Ok()) return pair;
  find.Bind(1, base);
  find.Bind(2, target);
  if (find.Step() != SQLITE_ROW) return pair;
  pair.found = true;
  pair.id = find.Int(0);
  pair.sameRoots = find.Int(1) == AsStored(roots.baseId.device) && find.Int(2) == AsStored(roots.baseId.inode) &&
                   find.Int(3) == AsStored(roots.targetId.device) && find.Int(4) == AsStored(roots.targetId.inode);
  return pair;
}

}  // namespace

SyncStateStore::~SyncStateStore() { sqlite3_close(db_); }

std::string SyncStateStore::DefaultPath() {
  std::string folder;
  // A relative XDG_STATE_HOME is to be ignored.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
    folder = state;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* user = ::getpwuid(::getuid());
      home = user ? user->pw_dir : "/";
    }
    folder = std::string(home) + "/.local/state";
  }
  return folder + "/orvel/sync-state.db";
}

bool SyncStateStore::Open(std::string& reason) {
  if (db_) return true;
  const std::size_t cut = path_.rfind('/');
  if (cut != std::string::npos && cut > 0 && !MakeFolders(path_.substr(0, cut))) {
    reason = std::strerror(errno);
    return false;
  }
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                      nullptr) != SQLITE_OK) {
    reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
  std::int64_t found = -1;
  {
    // Finalized before anything may close the connection: a connection with a
    // statement still open does not close.
    Statement version(db_, "PRAGMA user_version");
    if (version.Ok() && version.Step() == SQLITE_ROW) found = version.Int(0);
  }
  bool ok = found == kSchemaVersion;
  if (found == 0) {
    ok = Exec(db_, "BEGIN IMMEDIATE") && Exec(db_, kSchema) && Exec(db_, "PRAGMA user_version = 1") &&
         Exec(db_, "COMMIT");
    if (!ok) Exec(db_, "ROLLBACK");
  }
  if (!ok) {
    // A file of another layout (a newer program's) is left as it is.
    reason = found > kSchemaVersion ? "written by a newer program" : sqlite3_errmsg(db_);
    sqlite3_close(db_);
    db_ = nullptr;
  }
  return ok;
}

engine::ISyncState::Loaded SyncStateStore::Load(const engine::PairRoots& roots, engine::RememberedTable& table,
                                                std::string& reason) {
  table.Clear();
  if (!Open(reason)) return Loaded::Failed;
  const std::string base = AbsoluteRoot(roots.base);
  const std::string target = AbsoluteRoot(roots.target);
  // One read transaction: the pair and its entries as one writer left them.
  if (!Exec(db_, "BEGIN")) {
    reason = sqlite3_errmsg(db_);
    return Loaded::Failed;
  }
  const StoredPair pair = FindPair(db_, base, target, roots);
  Loaded loaded = !pair.found ? Loaded::None : pair.sameRoots ? Loaded::Found : Loaded::Replaced;
  if (loaded == Loaded::Found) {
    Statement rows(db_,
                   "SELECT f.id, f.path, e.name, e.mtime, e.skew, e.size, e.kind FROM folder f "
                   "JOIN entry e ON e.folder = f.id WHERE f.pair = ?");
    if (!rows.Ok()) {
      reason = sqlite3_errmsg(db_);
      loaded = Loaded::Failed;
    } else {
      rows.Bind(1, pair.id);
      std::int64_t lastFolder = -1;
      engine::RememberedTable::FolderId folder = 0;
      int step = SQLITE_ROW;
      while ((step = rows.Step()) == SQLITE_ROW) {
        if (rows.Int(0) != lastFolder) {
          lastFolder = rows.Int(0);
          folder = table.AddFolder(rows.Bytes(1));
        }
        const std::int64_t mtime = rows.Int(3);
        table.Add(folder, rows.Bytes(2),
                  engine::RememberedEntry{platform::FromNanoseconds(mtime), platform::FromNanoseconds(mtime + rows.Int(4)),
                                          static_cast<std::uint64_t>(rows.Int(5)), rows.Int(6) != 0});
      }
      if (step != SQLITE_DONE) {
        reason = sqlite3_errmsg(db_);
        table.Clear();
        loaded = Loaded::Failed;
      }
    }
  }
  Exec(db_, "COMMIT");
  return loaded;
}

bool SyncStateStore::Save(const engine::PairRoots& roots, const engine::StateChanges& changes, std::string& reason) {
  if (!Open(reason)) return false;
  const std::string base = AbsoluteRoot(roots.base);
  const std::string target = AbsoluteRoot(roots.target);
  const auto fail = [&] {
    reason = sqlite3_errmsg(db_);
    Exec(db_, "ROLLBACK");
    return false;
  };
  if (!Exec(db_, "BEGIN IMMEDIATE")) return fail();

  StoredPair pair = FindPair(db_, base, target, roots);
  if (pair.found && !pair.sameRoots) {
    // The state of folders that are not there any more goes; this run's starts afresh.
    Statement dropEntries(db_, "DELETE FROM entry WHERE folder IN (SELECT id FROM folder WHERE pair = ?)");
    Statement dropFolders(db_, "DELETE FROM folder WHERE pair = ?");
    Statement dropPair(db_, "DELETE FROM pair WHERE id = ?");
    for (Statement* drop : {&dropEntries, &dropFolders, &dropPair}) {
      if (!drop->Ok()) return fail();
      drop->Bind(1, pair.id);
      if (drop->Step() != SQLITE_DONE) return fail();
    }
    pair.found = false;
  }
  if (!pair.found) {
    Statement insert(db_,
                     "INSERT INTO pair(base, target, base_dev, base_ino, target_dev, target_ino) "
                     "VALUES(?, ?, ?, ?, ?, ?)");
    if (!insert.Ok()) return fail();
    insert.Bind(1, std::string_view(base));
    insert.Bind(2, std::string_view(target));
    insert.Bind(3, AsStored(roots.baseId.device));
    insert.Bind(4, AsStored(roots.baseId.inode));
    insert.Bind(5, AsStored(roots.targetId.device));
    insert.Bind(6, AsStored(roots.targetId.inode));
    if (insert.Step() != SQLITE_DONE) return fail();
    pair.id = sqlite3_last_insert_rowid(db_);
  }

  Statement findFolder(db_, "SELECT id FROM folder WHERE pair = ? AND path = ?");
  Statement addFolder(db_, "INSERT INTO folder(pair, path) VALUES(?, ?)");
  Statement put(db_, "INSERT OR REPLACE INTO entry(folder, name, mtime, skew, size, kind) VALUES(?, ?, ?, ?, ?, ?)");
  Statement drop(db_, "DELETE FROM entry WHERE folder = ? AND name = ?");
  if (!findFolder.Ok() || !addFolder.Ok() || !put.Ok() || !drop.Ok()) return fail();
  // Folder ids by the changes' own folder index; -1 for a folder a forget
  // found missing (nothing to forget there).
  std::unordered_map<std::uint32_t, std::int64_t> folderIds;
  bool forgot = false;
  for (const engine::StateChanges::Item& item : changes.Items()) {
    auto known = folderIds.find(item.folder);
    if (known == folderIds.end()) {
      const std::string_view path = changes.Folder(item);
      std::int64_t id = -1;
      findFolder.Bind(1, pair.id);
      findFolder.Bind(2, path);
      const int step = findFolder.Step();
      if (step == SQLITE_ROW) id = findFolder.Int(0);
      findFolder.Reset();
      if (step != SQLITE_ROW && step != SQLITE_DONE) return fail();
      if (id < 0 && !item.forget) {
        addFolder.Bind(1, pair.id);
        addFolder.Bind(2, path);
        if (addFolder.Step() != SQLITE_DONE) return fail();
        addFolder.Reset();
        id = sqlite3_last_insert_rowid(db_);
      }
      known = folderIds.emplace(item.folder, id).first;
    }
    const std::int64_t folder = known->second;
    if (item.forget) {
      if (folder < 0) continue;
      drop.Bind(1, folder);
      drop.Bind(2, changes.Name(item));
      if (drop.Step() != SQLITE_DONE) return fail();
      drop.Reset();
      forgot = true;
      continue;
    }
    const std::int64_t mtime = platform::ToNanoseconds(item.entry.baseTime);
    put.Bind(1, folder);
    put.Bind(2, changes.Name(item));
    put.Bind(3, mtime);
    put.Bind(4, platform::ToNanoseconds(item.entry.targetTime) - mtime);
    put.Bind(5, static_cast<std::int64_t>(item.entry.size));
    put.Bind(6, std::int64_t{item.entry.folder ? 1 : 0});
    if (put.Step() != SQLITE_DONE) return fail();
    put.Reset();
  }
  if (forgot) {
    Statement prune(db_,
                    "DELETE FROM folder WHERE pair = ? AND NOT EXISTS (SELECT 1 FROM entry WHERE entry.folder = folder.id)");
    if (!prune.Ok()) return fail();
    prune.Bind(1, pair.id);
    if (prune.Step() != SQLITE_DONE) return fail();
  }
  if (!Exec(db_, "COMMIT")) return fail();
  return true;
}

}  // namespace orvel::storage
