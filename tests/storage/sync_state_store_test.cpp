// The remembered states in their SQLite file.
#include "storage/sync_state_store.h"

#include "engine/engine_fakes.h"
#include "engine/result_items.h"
#include "storage/working_data.h"
#include "support/temp_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace orvel::storage {
namespace {

using engine::ISyncState;
using engine::RememberedEntry;
using engine::RememberedTable;
using test::Time;

engine::PairRoots Roots(const std::string& base, const std::string& target, std::uint64_t inode = 1) {
  return {base, target, {1, inode}, {1, inode + 1}};
}

struct Found {
  bool found = false;
  RememberedEntry entry;
};

Found Look(RememberedTable& table, const std::string& rel, const std::string& name) {
  Found f;
  f.found = table.Find(table.FindFolder(rel), name, f.entry);
  return f;
}

class SyncStateStoreTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir / "state/orvel/sync-state.db"; }
  test::TempDir dir;
};

TEST_F(SyncStateStoreTest, EntriesSurviveAndForgottenOnesGo) {
  const engine::PairRoots roots = Roots("/data/base/", "/media/target/");
  {
    SyncStateStore store(Path());
    engine::StateChanges changes;
    changes.Remember("", "top.txt", {Time(1700000000, 123456789), Time(1700000000, 123456789), 42, false});
    // A pair equal within a tolerance keeps each side's own time, also an earlier target.
    changes.Remember("sub/deeper/", "名前\xff.bin", {Time(1700000005, 1), Time(1699999990, 999999999), std::uint64_t{1} << 40, false});
    changes.Remember("sub/", "empty", {Time(1700000000), Time(1700000001), 0, true});
    changes.Remember("sub/", "gone.txt", {Time(5), Time(5), 1, false});
    std::string reason;
    ASSERT_TRUE(store.Save(roots, changes, reason)) << reason;
    changes.Clear();
    changes.Forget("sub/", "gone.txt");
    changes.Forget("never/", "there.txt");
    changes.Remember("", "top.txt", {Time(1700000100), Time(1700000100), 43, false});  // replaces
    ASSERT_TRUE(store.Save(roots, changes, reason)) << reason;
  }
  SyncStateStore store(Path());  // a later program
  RememberedTable table;
  std::string reason;
  ASSERT_EQ(store.Load(roots, table, reason), ISyncState::Loaded::Found) << reason;
  EXPECT_EQ(table.Count(), 3u);
  const Found top = Look(table, "", "top.txt");
  ASSERT_TRUE(top.found);
  EXPECT_EQ(top.entry, (RememberedEntry{Time(1700000100), Time(1700000100), 43, false}));
  const Found deep = Look(table, "sub/deeper/", "名前\xff.bin");
  ASSERT_TRUE(deep.found);
  EXPECT_EQ(deep.entry, (RememberedEntry{Time(1700000005, 1), Time(1699999990, 999999999), std::uint64_t{1} << 40, false}));
  EXPECT_EQ(Look(table, "sub/", "empty").entry, (RememberedEntry{Time(1700000000), Time(1700000001), 0, true}));
  EXPECT_FALSE(Look(table, "sub/", "gone.txt").found);
  EXPECT_TRUE(table.Covers("sub/"));
  EXPECT_FALSE(table.Covers("never/"));
  // The file is the user's alone, in a folder only they can enter.
  struct stat st {};
  ASSERT_EQ(::stat((dir / "state/orvel").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SyncStateStoreTest, PairsAreKeyedByBothRootsAndTheirIdentities) {
  SyncStateStore store(Path());
  std::string reason;
  engine::StateChanges changes;
  changes.Remember("", "a", {Time(1), Time(1), 1, false});
  ASSERT_TRUE(store.Save(Roots("/b/", "/t/"), changes, reason));
  changes.Clear();
  changes.Remember("", "other", {Time(2), Time(2), 2, false});
  ASSERT_TRUE(store.Save(Roots("/b/", "/t2/"), changes, reason));

  RememberedTable table;
  EXPECT_EQ(store.Load(Roots("/t/", "/b/"), table, reason), ISyncState::Loaded::None);  // swapped is another pair
  EXPECT_EQ(store.Load(Roots("/b/", "/t2/"), table, reason), ISyncState::Loaded::Found);
  EXPECT_FALSE(Look(table, "", "a").found);
  EXPECT_TRUE(Look(table, "", "other").found);

  // The same paths over other folders: not used, and replaced by the next save.
  EXPECT_EQ(store.Load(Roots("/b/", "/t/", 7), table, reason), ISyncState::Loaded::Replaced);
  EXPECT_EQ(table.Count(), 0u);
  changes.Clear();
  changes.Remember("", "new", {Time(3), Time(3), 3, false});
  ASSERT_TRUE(store.Save(Roots("/b/", "/t/", 7), changes, reason));
  ASSERT_EQ(store.Load(Roots("/b/", "/t/", 7), table, reason), ISyncState::Loaded::Found);
  EXPECT_FALSE(Look(table, "", "a").found);
  EXPECT_TRUE(Look(table, "", "new").found);
  EXPECT_EQ(store.Load(Roots("/b/", "/t/"), table, reason), ISyncState::Loaded::Replaced);
}

TEST_F(SyncStateStoreTest, ARelativeRootIsKeyedByItsAbsolutePath) {
  SyncStateStore store(Path());
  std::string reason;
  engine::StateChanges changes;
  changes.Remember("", "a", {Time(1), Time(1), 1, false});
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_TRUE(store.Save(Roots("rel/b/", "/t/"), changes, reason));
  RememberedTable table;
  EXPECT_EQ(store.Load(Roots(std::string(cwd) + "/rel/b/", "/t/"), table, reason), ISyncState::Loaded::Found);
}

TEST_F(SyncStateStoreTest, AnEntryCostsAtMost64BytesOnDisk) {
  // Names and folders as in a generated benchmark tree: 47 files a folder.
  constexpr int kEntries = 20000;
  SyncStateStore store(Path());
  engine::StateChanges changes;
  for (int i = 0; i < kEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%07d.dat", i);
    const std::string folder = "d" + std::to_string(i / 47 % 13) + "/d" + std::to_string(i / 47) + "/";
    const auto t = Time(1600000000 + i, 100000 + i);
    // Stamps are 48 bits of hash: as large as they come.
    const std::uint64_t stamp = (std::uint64_t{0x9E3779B97F4A7C15} * (i + 1)) >> 16;
    changes.Remember(folder, name, {t, t, 100, false, stamp, stamp ^ 0xFFFFFFFFFFull});
  }
  std::string reason;
  ASSERT_TRUE(store.Save(Roots("/b/", "/t/"), changes, reason)) << reason;
  struct stat st {};
  ASSERT_EQ(::stat(Path().c_str(), &st), 0);
  EXPECT_LE(st.st_size, 64 * kEntries) << st.st_size / kEntries << " bytes an entry";
}

TEST_F(SyncStateStoreTest, AFileOfAnotherLayoutIsLeftAsItIs) {
  ASSERT_EQ(::mkdir((dir / "state").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "state/orvel").c_str(), 0700), 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE future(x); PRAGMA user_version = 99;", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const std::string before = test::ReadFile(Path());

  SyncStateStore store(Path());
  RememberedTable table;
  std::string reason;
  EXPECT_EQ(store.Load(Roots("/b/", "/t/"), table, reason), ISyncState::Loaded::Failed);
  EXPECT_FALSE(reason.empty());
  engine::StateChanges changes;
  changes.Remember("", "a", {Time(1), Time(1), 1, false});
  EXPECT_FALSE(store.Save(Roots("/b/", "/t/"), changes, reason));
  EXPECT_EQ(test::ReadFile(Path()), before);
}

// A state that cannot be trusted is never used in part nor written over: one
// damaged in the middle (a partial load would read the rest as never synced),
// an empty file (SQLite would start it afresh), another user's folder, a file
// others may write. Damaged and empty ones are set aside and said; a file of
// the previous layout holds no stamps and starts afresh.
TEST_F(SyncStateStoreTest, AStateThatCannotBeTrustedIsNeitherUsedNorOverwritten) {
  struct Case {
    const char* what;
    std::function<void(const std::string& path)> spoil;
    ISyncState::Loaded loaded;
    bool setAside;
  };
  const auto damageMiddle = [](const std::string& path) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const std::string noise(8192, '\x5a');
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, st.st_size / 2 / 4096 * 4096, SEEK_SET);
    std::fwrite(noise.data(), 1, noise.size(), f);
    std::fclose(f);
  };
  const Case cases[] = {
      {"damaged in the middle", damageMiddle, ISyncState::Loaded::Failed, true},
      {"empty", [](const std::string& path) { ::truncate(path.c_str(), 0); }, ISyncState::Loaded::Failed, true},
      {"previous layout",
       [](const std::string& path) {
         sqlite3* db = nullptr;
         ::unlink(path.c_str());
         sqlite3_open(path.c_str(), &db);
         sqlite3_exec(db, "CREATE TABLE pair(id); CREATE TABLE entry(x); PRAGMA user_version = 1;", nullptr, nullptr,
                      nullptr);
         sqlite3_close(db);
       },
       ISyncState::Loaded::None, false},
      {"writable by others", [](const std::string& path) { ::chmod(path.c_str(), 0666); },
       ISyncState::Loaded::Untrusted, false},
      {"writable by its group", [](const std::string& path) { ::chmod(path.c_str(), 0620); },
       ISyncState::Loaded::Untrusted, false},
      {"another user's folder",
       [](const std::string& path) { ::chown(path.substr(0, path.rfind('/')).c_str(), 65534, 65534); },
       ISyncState::Loaded::Untrusted, false},
  };
  const engine::PairRoots roots = Roots("/b/", "/t/");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::system(("rm -rf '" + dir.Path() + "/state'").c_str());
    {
      SyncStateStore store(Path());
      engine::StateChanges changes;
      for (int i = 0; i < 3000; ++i) changes.Remember("d/", "f" + std::to_string(i), {Time(i), Time(i), 1, false, 7, 9});
      std::string reason;
      ASSERT_TRUE(store.Save(roots, changes, reason)) << reason;
    }
    if (c.loaded == ISyncState::Loaded::Untrusted && ::geteuid() != 0 && std::string(c.what).rfind("writable", 0) != 0)
      continue;  // only root can hand the folder to another user
    c.spoil(Path());
    const std::string before = test::Exists(Path()) ? test::ReadFile(Path()) : "";
    SyncStateStore store(Path());
    RememberedTable table;
    std::string reason;
    EXPECT_EQ(store.Load(roots, table, reason), c.loaded) << reason;
    EXPECT_EQ(table.Count(), 0u);
    const std::vector<std::string> names = test::FolderNames(dir / "state/orvel");
    const bool asideKept = std::any_of(names.begin(), names.end(), [](const std::string& n) {
      return n.find("sync-state.db.damaged-") == 0;
    });
    EXPECT_EQ(asideKept, c.setAside);
    if (c.setAside) {
      EXPECT_NE(reason.find("kept as"), std::string::npos) << reason;
    }
    if (c.loaded == ISyncState::Loaded::Untrusted) {
      engine::StateChanges changes;
      changes.Remember("", "a", {Time(1), Time(1), 1, false});
      EXPECT_FALSE(store.Save(roots, changes, reason));
      EXPECT_EQ(test::ReadFile(Path()), before);
    }
  }
}

// XDG_STATE_HOME for as long as the object lives.
class StateHome {
 public:
  explicit StateHome(const std::string& folder) : old_(std::getenv("XDG_STATE_HOME")) {
    ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
  }
  ~StateHome() { ::setenv("XDG_STATE_HOME", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(SyncStateWorkingData, TheStateFileIsMadeOnlyWhenAConditionRemembers) {
  test::TempDir dir;
  const StateHome home(dir / "state");
  const std::string file = SyncStateStore::DefaultPath();
  ASSERT_EQ(file, dir / "state/orvel/sync-state.db");
  test::WriteFile(dir / "b/one.txt", "1", Time(1700000000));
  test::MakeFolder(dir / "t", Time(1700000000));
  test::FakeProgress progress;
  test::FakePrompt prompt;  // the runs below ask no question
  WorkingData data(progress, prompt);
  engine::ResultItems items(data.Rows());
  data.SetList(items);
  engine::CCondition c;
  c.AFolder = dir / "b";
  c.BFolder = dir / "t";
  data.State().Set().Add(c);
  data.State().ShowLoadedSet();

  ASSERT_EQ(data.SyncRun(false), engine::RunOutcome::Completed);
  ASSERT_EQ(data.ListCreation(), engine::RunOutcome::Completed);
  EXPECT_FALSE(test::Exists(file));

  data.SetOption(&engine::ConditionFields::Memory, 1);
  test::WriteFile(dir / "b/two.txt", "2", Time(1700000000));
  ASSERT_EQ(data.SyncRun(false), engine::RunOutcome::Completed);
  EXPECT_TRUE(test::Exists(file));
  EXPECT_TRUE(prompt.ids.empty());

  // The next run knows both files: one deleted in the target goes from the base.
  ASSERT_EQ(std::remove((dir / "t/one.txt").c_str()), 0);
  ASSERT_EQ(data.SyncRun(false), engine::RunOutcome::Completed);
  EXPECT_FALSE(test::Exists(dir / "b/one.txt"));
  EXPECT_TRUE(test::Exists(dir / "b/two.txt"));
}

}  // namespace
}  // namespace orvel::storage
