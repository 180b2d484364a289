#include "storage/sync_state_store.h"

#include "platform/file_time.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::storage {

namespace {

// 2: roots by file system and birth, mount points, each side's stamp. A state
// of layout 1 proves nothing that layout 2 needs and starts afresh.
constexpr int kSchemaVersion = 2;
// Another program writing the same file (the desktop program and orvel-cli)
// holds it for one transaction at most.
constexpr int kBusyMilliseconds = 10000;

constexpr const char* kSchema = R"(
DROP TABLE IF EXISTS entry;
DROP TABLE IF EXISTS folder;
DROP TABLE IF EXISTS pair;
DROP TABLE IF EXISTS mount;
CREATE TABLE pair(
  id INTEGER PRIMARY KEY,
  base BLOB NOT NULL,
  target BLOB NOT NULL,
  base_fs INTEGER NOT NULL,
  base_ino INTEGER NOT NULL,
  base_birth INTEGER NOT NULL,
  target_fs INTEGER NOT NULL,
  target_ino INTEGER NOT NULL,
  target_birth INTEGER NOT NULL,
  UNIQUE(base, target));
CREATE TABLE folder(
  id INTEGER PRIMARY KEY,
  pair INTEGER NOT NULL,
  path BLOB NOT NULL,
  UNIQUE(pair, path));
CREATE TABLE mount(
  pair INTEGER NOT NULL,
  side INTEGER NOT NULL,
  path BLOB NOT NULL,
  fs INTEGER NOT NULL,
  PRIMARY KEY(pair, side, path)) WITHOUT ROWID;
CREATE TABLE entry(
  folder INTEGER NOT NULL,
  name BLOB NOT NULL,
  mtime INTEGER NOT NULL,
  skew INTEGER NOT NULL,
  size INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  base_stamp INTEGER NOT NULL,
  target_stamp INTEGER NOT NULL,
  PRIMARY KEY(folder, name)) WITHOUT ROWID;
PRAGMA user_version = 2;
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
  Statement find(db,
                 "SELECT id, base_fs, base_ino, base_birth, target_fs, target_ino, target_birth FROM pair "
                 "WHERE base = ? AND target = ?");
  StoredPair pair;
  if (!find.Ok()) return pair;
  find.Bind(1, base);
  find.Bind(2, target);
  if (find.Step() != SQLITE_ROW) return pair;
  pair.found = true;
  pair.id = find.Int(0);
  const auto same = [&](int column, const platform::RootIdentity& id) {
    return find.Int(column) == AsStored(id.fileSystem) && find.Int(column + 1) == AsStored(id.inode) &&
           find.Int(column + 2) == id.birth;
  };
  pair.sameRoots = same(1, roots.baseId) && same(4, roots.targetId);
  return pair;
}

// Whether a file or folder of the state may be trusted: the running user's or
// root's, and nobody else may write it. The reason when not.
bool Trusted(const std::string& path, bool folder, std::string& reason) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return true;  // made when first needed, private to the user
  if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
    reason = path + (folder ? " is not a folder" : " is not a regular file");
    return false;
  }
  if (st.st_uid != ::geteuid() && st.st_uid != 0) {
    reason = path + " belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    return false;
  }
  if ((st.st_mode & 022) != 0) {
    reason = path + " may be written by other users";
    return false;
  }
  return true;
}

bool IsDamage(int code) { return (code & 0xFF) == SQLITE_CORRUPT || (code & 0xFF) == SQLITE_NOTADB; }

}  // namespace

SyncStateStore::~SyncStateStore() { Close(); }

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

void SyncStateStore::Close() {
  // A damaged file is found, and closed, while a statement may still be
  // reading it: the connection then goes once the last one is finalized.
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SyncStateStore::SetAside(std::string& reason) {
  Close();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string aside = path_ + ".damaged-" + stamp;
  for (int n = 2; ::access(aside.c_str(), F_OK) == 0; ++n)
    aside = path_ + ".damaged-" + stamp + "-" + std::to_string(n);
  if (::rename(path_.c_str(), aside.c_str()) != 0) {
    reason += "; it cannot be set aside: " + std::string(std::strerror(errno));
    return;
  }
  // Its log belongs to it.
  for (const char* log : {"-journal", "-wal"}) ::rename((path_ + log).c_str(), (aside + log).c_str());
  ::unlink((path_ + "-shm").c_str());
  reason += "; it was kept as " + aside + " and the next run starts a new state";
}

std::string SyncStateStore::Failure() {
  std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
  if (db_ && IsDamage(sqlite3_extended_errcode(db_))) {
    reason = "the file is damaged (" + reason + ")";
    SetAside(reason);
  }
  return reason;
}

SyncStateStore::Opened SyncStateStore::Open(std::string& reason) {
  if (db_) return Opened::Ready;
  const std::size_t cut = path_.rfind('/');
  const std::string folder = cut != std::string::npos && cut > 0 ? path_.substr(0, cut) : std::string("/");
  if (!Trusted(folder, true, reason) || !Trusted(path_, false, reason)) return Opened::Untrusted;
  if (!MakeFolders(folder)) {
    reason = folder + ": " + std::strerror(errno);
    return Opened::Failed;
  }
  struct stat st {};
  const bool existed = ::lstat(path_.c_str(), &st) == 0;
  if (existed && st.st_size == 0) {
    // SQLite would take it for a new state: whatever was remembered is lost.
    reason = "the file is empty";
    SetAside(reason);
    return Opened::Failed;
  }
  if (::access(folder.c_str(), W_OK) != 0 || (existed && ::access(path_.c_str(), W_OK) != 0)) {
    reason = (existed ? path_ : folder) + " cannot be written: " + std::strerror(errno);
    return Opened::Failed;
  }
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                      nullptr) != SQLITE_OK) {
    reason = Failure();
    Close();
    return Opened::Failed;
  }
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
  sqlite3_extended_result_codes(db_, 1);
  std::int64_t found = -1;
  std::int64_t tables = -1;
  {
    // Finalized before anything may close the connection: a connection with a
    // statement still open does not close.
    Statement version(db_, "PRAGMA user_version");
    if (version.Ok() && version.Step() == SQLITE_ROW) found = version.Int(0);
    Statement count(db_, "SELECT count(*) FROM sqlite_master");
    if (count.Ok() && count.Step() == SQLITE_ROW) tables = count.Int(0);
  }
  if (found < 0 || tables < 0) {
    reason = Failure();
    Close();
    return Opened::Failed;
  }
  // Ours from here on. A write-ahead log synced at every commit: a run's
  // changes are on the disk once its save returns. A large save waits for the
  // disk once, not per page.
  const auto useLog = [this] {
    Exec(db_, "PRAGMA journal_mode = WAL");
    Exec(db_, "PRAGMA synchronous = FULL");
    return Opened::Ready;
  };
  if (found == kSchemaVersion) return useLog();
  if (found > kSchemaVersion || (found == 0 && tables > 0)) {
    // A newer program's file, or someone else's: left as it is.
    reason = found > kSchemaVersion ? "written by a newer program" : "not a state of this program";
    Close();
    return Opened::Failed;
  }
  // New, or of the previous layout: made afresh in one transaction.
  if (!Exec(db_, "BEGIN IMMEDIATE") || !Exec(db_, kSchema) || !Exec(db_, "COMMIT")) {
    reason = Failure();
    if (db_) Exec(db_, "ROLLBACK");
    Close();
    return Opened::Failed;
  }
  return useLog();
}

engine::ISyncState::Loaded SyncStateStore::Load(const engine::PairRoots& roots, engine::RememberedTable& table,
                                                std::string& reason) {
  table.Clear();
  switch (Open(reason)) {
    case Opened::Ready:
      break;
    case Opened::Failed:
      return Loaded::Failed;
    case Opened::Untrusted:
      return Loaded::Untrusted;
  }
  const std::string base = AbsoluteRoot(roots.base);
  const std::string target = AbsoluteRoot(roots.target);
  // One read transaction: the pair and its entries as one writer left them.
  if (!Exec(db_, "BEGIN")) {
    reason = Failure();
    return Loaded::Failed;
  }
  const auto fail = [&] {
    reason = Failure();
    table.Clear();
    if (db_) Exec(db_, "ROLLBACK");
    return Loaded::Failed;
  };
  const StoredPair pair = FindPair(db_, base, target, roots);
  if (sqlite3_errcode(db_) != SQLITE_OK && sqlite3_errcode(db_) != SQLITE_DONE && sqlite3_errcode(db_) != SQLITE_ROW)
    return fail();
  const Loaded loaded = !pair.found ? Loaded::None : pair.sameRoots ? Loaded::Found : Loaded::Replaced;
  if (loaded == Loaded::Found) {
    Statement mounts(db_, "SELECT side, path, fs FROM mount WHERE pair = ? ORDER BY side, path");
    Statement rows(db_,
                   "SELECT f.id, f.path, e.name, e.mtime, e.skew, e.size, e.kind, e.base_stamp, e.target_stamp "
                   "FROM folder f JOIN entry e ON e.folder = f.id WHERE f.pair = ?");
    if (!mounts.Ok() || !rows.Ok()) return fail();
    mounts.Bind(1, pair.id);
    int step = SQLITE_ROW;
    while ((step = mounts.Step()) == SQLITE_ROW) {
      table.Mounts(mounts.Int(0) == 0)
          .push_back(engine::MountPoint{std::string(mounts.Bytes(1)), static_cast<std::uint64_t>(mounts.Int(2))});
    }
    if (step != SQLITE_DONE) return fail();
    rows.Bind(1, pair.id);
    std::int64_t lastFolder = -1;
    engine::RememberedTable::FolderId folder = 0;
    while ((step = rows.Step()) == SQLITE_ROW) {
      if (rows.Int(0) != lastFolder) {
        lastFolder = rows.Int(0);
        folder = table.AddFolder(rows.Bytes(1));
      }
      const std::int64_t mtime = rows.Int(3);
      table.Add(
          folder, rows.Bytes(2),
          engine::RememberedEntry{platform::FromNanoseconds(mtime), platform::FromNanoseconds(mtime + rows.Int(4)),
                                  static_cast<std::uint64_t>(rows.Int(5)), rows.Int(6) != 0,
                                  static_cast<std::uint64_t>(rows.Int(7)), static_cast<std::uint64_t>(rows.Int(8))});
    }
    // Part of a state is no state: what is missing would read as never synced.
    if (step != SQLITE_DONE) return fail();
  }
  Exec(db_, "COMMIT");
  return loaded;
}

bool SyncStateStore::Save(const engine::PairRoots& roots, const engine::StateChanges& changes, std::string& reason) {
  switch (Open(reason)) {
    case Opened::Ready:
      break;
    case Opened::Failed:
    case Opened::Untrusted:
      return false;
  }
  const std::string base = AbsoluteRoot(roots.base);
  const std::string target = AbsoluteRoot(roots.target);
  const auto fail = [&] {
    reason = Failure();
    if (db_) Exec(db_, "ROLLBACK");
    return false;
  };
  if (!Exec(db_, "BEGIN IMMEDIATE")) return fail();

  StoredPair pair = FindPair(db_, base, target, roots);
  if (pair.found && !pair.sameRoots) {
    // The state of folders that are not there any more goes; this run's starts afresh.
    Statement dropEntries(db_, "DELETE FROM entry WHERE folder IN (SELECT id FROM folder WHERE pair = ?)");
    Statement dropFolders(db_, "DELETE FROM folder WHERE pair = ?");
    Statement dropMounts(db_, "DELETE FROM mount WHERE pair = ?");
    Statement dropPair(db_, "DELETE FROM pair WHERE id = ?");
    for (Statement* drop : {&dropEntries, &dropFolders, &dropMounts, &dropPair}) {
      if (!drop->Ok()) return fail();
      drop->Bind(1, pair.id);
      if (drop->Step() != SQLITE_DONE) return fail();
    }
    pair.found = false;
  }
  if (!pair.found) {
    Statement insert(
        db_,
        "INSERT INTO pair(base, target, base_fs, base_ino, base_birth, target_fs, target_ino, target_birth) "
        "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insert.Ok()) return fail();
    insert.Bind(1, std::string_view(base));
    insert.Bind(2, std::string_view(target));
    insert.Bind(3, AsStored(roots.baseId.fileSystem));
    insert.Bind(4, AsStored(roots.baseId.inode));
    insert.Bind(5, roots.baseId.birth);
    insert.Bind(6, AsStored(roots.targetId.fileSystem));
    insert.Bind(7, AsStored(roots.targetId.inode));
    insert.Bind(8, roots.targetId.birth);
    if (insert.Step() != SQLITE_DONE) return fail();
    pair.id = sqlite3_last_insert_rowid(db_);
  }
  if (changes.HasMounts()) {
    Statement clear(db_, "DELETE FROM mount WHERE pair = ?");
    Statement add(db_, "INSERT INTO mount(pair, side, path, fs) VALUES(?, ?, ?, ?)");
    if (!clear.Ok() || !add.Ok()) return fail();
    clear.Bind(1, pair.id);
    if (clear.Step() != SQLITE_DONE) return fail();
    for (const bool baseSide : {true, false}) {
      for (const engine::MountPoint& mount : changes.Mounts(baseSide)) {
        add.Bind(1, pair.id);
        add.Bind(2, std::int64_t{baseSide ? 0 : 1});
        add.Bind(3, std::string_view(mount.rel));
        add.Bind(4, AsStored(mount.fileSystem));
        if (add.Step() != SQLITE_DONE) return fail();
        add.Reset();
      }
    }
  }

  Statement findFolder(db_, "SELECT id FROM folder WHERE pair = ? AND path = ?");
  Statement addFolder(db_, "INSERT INTO folder(pair, path) VALUES(?, ?)");
  Statement put(db_,
                "INSERT OR REPLACE INTO entry(folder, name, mtime, skew, size, kind, base_stamp, target_stamp) "
                "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
  Statement drop(db_, "DELETE FROM entry WHERE folder = ? AND name = ?");
  Statement reset(db_, "DELETE FROM entry WHERE folder = ?");
  if (!findFolder.Ok() || !addFolder.Ok() || !put.Ok() || !drop.Ok() || !reset.Ok()) return fail();
  // Resets first; then folder by folder and name by name, so that a new state
  // fills its pages in key order.
  const auto& items = changes.Items();
  std::vector<std::uint32_t> order(items.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const bool ra = items[a].action == engine::StateChanges::Action::ResetFolder;
    const bool rb = items[b].action == engine::StateChanges::Action::ResetFolder;
    if (ra != rb) return ra;
    const std::string_view fa = changes.Folder(items[a]);
    const std::string_view fb = changes.Folder(items[b]);
    if (fa != fb) return fa < fb;
    return changes.Name(items[a]) < changes.Name(items[b]);
  });
  // Folder ids by the changes' own folder index; -1 for a folder a forget
  // found missing (nothing to forget there).
  std::unordered_map<std::uint32_t, std::int64_t> folderIds;
  bool forgot = false;
  for (const std::uint32_t index : order) {
    const engine::StateChanges::Item& item = items[index];
    const bool remember = item.action == engine::StateChanges::Action::Remember;
    auto known = folderIds.find(item.folder);
    if (known == folderIds.end() || (known->second < 0 && remember)) {
      const std::string_view path = changes.Folder(item);
      std::int64_t id = -1;
      findFolder.Bind(1, pair.id);
      findFolder.Bind(2, path);
      const int step = findFolder.Step();
      if (step == SQLITE_ROW) id = findFolder.Int(0);
      findFolder.Reset();
      if (step != SQLITE_ROW && step != SQLITE_DONE) return fail();
      if (id < 0 && remember) {
        addFolder.Bind(1, pair.id);
        addFolder.Bind(2, path);
        if (addFolder.Step() != SQLITE_DONE) return fail();
        addFolder.Reset();
        id = sqlite3_last_insert_rowid(db_);
      }
      known = folderIds.insert_or_assign(item.folder, id).first;
    }
    const std::int64_t folder = known->second;
    if (!remember) {
      if (folder < 0) continue;
      Statement& statement = item.action == engine::StateChanges::Action::Forget ? drop : reset;
      statement.Bind(1, folder);
      if (item.action == engine::StateChanges::Action::Forget) statement.Bind(2, changes.Name(item));
      if (statement.Step() != SQLITE_DONE) return fail();
      statement.Reset();
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
    put.Bind(7, AsStored(item.entry.baseStamp));
    put.Bind(8, AsStored(item.entry.targetStamp));
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
