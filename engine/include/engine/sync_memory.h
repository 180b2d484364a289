#pragma once

#include "engine/interfaces.h"
#include "engine/run_values.h"
#include "platform/entry_info.h"
#include "platform/file_time.h"
#include "platform/folder.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

// What the last sync left equal on both sides of one entry.
struct RememberedEntry {
  platform::FileTime baseTime;
  platform::FileTime targetTime;
  std::uint64_t size = 0;
  bool folder = false;

  friend bool operator==(const RememberedEntry&, const RememberedEntry&) = default;
};

// The two root folders that key a pair's state: a state whose roots are other
// folders now is not used.
struct PairRoots {
  std::string base;  // as the run names them, ending in the separator
  std::string target;
  platform::Identity baseId;
  platform::Identity targetId;
};

// The remembered entries of one pair, in memory for the comparison. Entries
// are kept grouped by folder and sorted by name, so that the look-ups of one
// folder (the comparison goes folder by folder) stay within a few cache lines.
class RememberedTable {
 public:
  using FolderId = std::uint32_t;
  static constexpr FolderId kNoFolder = UINT32_MAX;

  void Clear();
  // relFolder: empty for the root, otherwise ending in the separator. The
  // folder's ancestors are known as covered from then on.
  FolderId AddFolder(std::string_view relFolder);
  // Entries may come in any order; they are sorted once before the first look-up.
  void Add(FolderId folder, std::string_view name, const RememberedEntry& entry);
  void Add(std::string_view relFolder, std::string_view name, const RememberedEntry& entry) {
    Add(AddFolder(relFolder), name, entry);
  }

  FolderId FindFolder(std::string_view relFolder) const;
  // False when the entry is not remembered. A hit marks the entry seen.
  bool Find(FolderId folder, std::string_view name, RememberedEntry& found);
  // Whether the folder or anything below it is remembered.
  bool Covers(std::string_view relFolder) const;
  std::size_t Count() const { return entries_.size(); }

  // Every entry no look-up has hit: (relFolder, name, entry).
  template <typename Visit>
  void ForEachUnseen(Visit visit) const {
    for (const Stored& e : entries_) {
      if (!e.seen) visit(std::string_view(folders_[e.folder].path), NameOf(e), EntryOf(e));
    }
  }

 private:
  // 40 bytes an entry: the state of a large pair is held while both trees are.
  struct Stored {
    std::int64_t baseNs;
    std::int64_t targetNs;
    std::uint64_t size;
    FolderId folder;
    std::uint32_t nameOffset;
    std::uint16_t nameLength;
    bool folderEntry;
    bool seen;
  };
  struct Folder {
    std::string path;
    std::uint32_t first = 0;  // its entries: entries_[first, first + count) once sorted
    std::uint32_t count = 0;
  };
  std::string_view NameOf(const Stored& e) const { return std::string_view(names_).substr(e.nameOffset, e.nameLength); }
  bool Before(const Stored& a, const Stored& b) const {
    return a.folder != b.folder ? a.folder < b.folder : NameOf(a) < NameOf(b);
  }
  static RememberedEntry EntryOf(const Stored& e);
  void Index();

  struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using FolderMap = std::unordered_map<std::string, FolderId, TransparentHash, std::equal_to<>>;

  std::vector<Folder> folders_;
  FolderMap folderIds_;
  FolderMap covered_;  // every folder with something remembered in it or below it
  std::vector<Stored> entries_;
  std::string names_;
  bool sorted_ = true;
  bool indexed_ = false;  // the folders' ranges are known
};

// What a run changes in a pair's state, applied by the store in one transaction.
class StateChanges {
 public:
  struct Item {
    std::uint32_t folder;
    std::uint32_t nameOffset;
    std::uint32_t nameLength;
    bool forget;
    RememberedEntry entry;
  };
  void Remember(std::string_view relFolder, std::string_view name, const RememberedEntry& entry);
  void Forget(std::string_view relFolder, std::string_view name);
  bool Empty() const { return items_.empty(); }
  void Clear();
  const std::vector<Item>& Items() const { return items_; }
  std::string_view Folder(const Item& item) const { return folders_[item.folder]; }
  std::string_view Name(const Item& item) const {
    return std::string_view(names_).substr(item.nameOffset, item.nameLength);
  }

 private:
  std::uint32_t FolderIndex(std::string_view relFolder);
  std::vector<std::string> folders_;
  std::unordered_map<std::string, std::uint32_t> folderIds_;
  std::string names_;
  std::vector<Item> items_;
};

// Where the pairs' states are kept. The engine defines it; storage keeps the
// states on disk.
class ISyncState {
 public:
  enum class Loaded {
    None,      // nothing remembered for these roots
    Found,     // the table holds the pair's state
    Replaced,  // a state of these paths whose roots are other folders now: not used
    Failed,    // the state could not be read (see the reason)
  };
  virtual ~ISyncState() = default;
  virtual Loaded Load(const PairRoots& roots, RememberedTable& table, std::string& reason) = 0;
  // Applies the changes in one transaction; a state of these paths made for
  // other roots is dropped first. False with the reason when nothing was written.
  virtual bool Save(const PairRoots& roots, const StateChanges& changes, std::string& reason) = 0;
  // Where the states are kept, for messages.
  virtual std::string Location() const = 0;
};

// The remembered state of the pair a run or a row works on, with what the run
// has changed in it so far.
class PairMemory {
 public:
  explicit PairMemory(PairRoots roots) : roots_(std::move(roots)) {}

  const PairRoots& Roots() const { return roots_; }
  RememberedTable& Table() { return table_; }
  const RememberedTable& Table() const { return table_; }
  StateChanges& Changes() { return changes_; }

  // The open roots while a condition is processed (null otherwise): sizes are
  // read through them.
  void UseRoots(const platform::Folder* base, const platform::Folder* target) {
    baseRoot_ = base;
    targetRoot_ = target;
    sizeFolderValid_ = false;
  }
  // The size of an entry right now, read without following a link; false when
  // it cannot be read.
  bool SizeOf(bool baseSide, std::string_view relFolder, std::string_view name, std::uint64_t& size);

  // The look-up of the comparison, caching the folder of the previous entry.
  bool Find(std::string_view relFolder, std::string_view name, RememberedEntry& found);

  // Entries that ended equal and entries deleted, to be written at the end.
  void RememberEqual(std::string_view relFolder, std::string_view name, platform::FileTime baseTime,
                     platform::FileTime targetTime, bool folder);
  void RememberCopy(std::string_view relFolder, std::string_view name, platform::FileTime time, std::uint64_t size,
                    bool folder) {
    changes_.Remember(relFolder, name, RememberedEntry{time, time, size, folder});
  }
  void Forget(std::string_view relFolder, std::string_view name) { changes_.Forget(relFolder, name); }

  // Deletions the comparison decided for this condition, per side and folder,
  // so that folders emptied by them can follow.
  void NoteDeletion(bool baseSide, std::string_view relFolder);
  const std::unordered_map<std::string, std::uint32_t>& Deletions(bool baseSide) const {
    return deletions_[baseSide ? 0 : 1];
  }

  // Forgets what only this condition needed (the table and the open roots).
  void EndCondition();

 private:
  PairRoots roots_;
  RememberedTable table_;
  StateChanges changes_;
  const platform::Folder* baseRoot_ = nullptr;
  const platform::Folder* targetRoot_ = nullptr;
  std::string findRel_;
  RememberedTable::FolderId findFolder_ = RememberedTable::kNoFolder;
  bool findValid_ = false;
  std::string sizeRel_;
  bool sizeBase_ = false;
  platform::Folder sizeFolder_;
  bool sizeFolderValid_ = false;
  std::unordered_map<std::string, std::uint32_t> deletions_[2];
};

// The sync memory of one engine: the store, the pairs of the last run whose
// conditions remember (so that row commands on their rows update the state
// too), and the rows that remove a folder after its contents.
class SyncMemory {
 public:
  void SetStore(ISyncState* store) { store_ = store; }
  // Where failures to write are said.
  void SetPrompt(IPrompt* prompt) { prompt_ = prompt; }
  bool HasStore() const { return store_ != nullptr; }

  // A run begins: nothing of the previous run's pairs is used any more.
  void NewRun();
  // A condition of a run begins: loads its pair's state when it remembers.
  // Null when it does not (or there is no store); a state that cannot be used
  // is said once.
  PairMemory* BeginCondition(const RunValues& values, const platform::Folder& base, const platform::Folder& target,
                             IPrompt& prompt);
  // The pair of a row's roots, when its condition remembered in the last run.
  PairMemory* PairOf(std::string_view baseRoot, std::string_view targetRoot);
  // Writes what changed in every pair, each in one transaction (a failure is
  // said), and lets go of what only the condition needed.
  void Flush();

  // Rows that remove a folder its deletions emptied: the folder's identity,
  // since its time changes as its entries go.
  void NoteEmptiedFolder(int row, const platform::Identity& identity) { emptiedFolders_[row] = identity; }
  const platform::Identity* EmptiedFolder(int row) const {
    const auto found = emptiedFolders_.find(row);
    return found == emptiedFolders_.end() ? nullptr : &found->second;
  }

 private:
  static std::string Key(std::string_view baseRoot, std::string_view targetRoot);
  ISyncState* store_ = nullptr;
  IPrompt* prompt_ = nullptr;
  std::map<std::string, std::unique_ptr<PairMemory>, std::less<>> pairs_;
  std::unordered_map<int, platform::Identity> emptiedFolders_;
};

}  // namespace orvel::engine
