#pragma once

#include "engine/interfaces.h"
#include "engine/run_values.h"
#include "engine/side_index.h"
#include "platform/content_digest.h"
#include "platform/entry_info.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/file_system_identity.h"
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

class IFarRoot;

// What the last sync left equal on both sides of one entry: each side's time and
// stamp (inode number and change time, see platform::EntryInfo) as that side's
// file system kept them, and the size both have. A stamp of 0 is not known and
// proves nothing.
struct RememberedEntry {
  platform::FileTime baseTime;
  platform::FileTime targetTime;
  std::uint64_t size = 0;
  bool folder = false;
  std::uint64_t baseStamp = 0;
  std::uint64_t targetStamp = 0;

  friend bool operator==(const RememberedEntry&, const RememberedEntry&) = default;
};

// The two root folders that key a pair's state: a state whose roots are other
// folders now (another disk at the path, a folder made again) is not used.
struct PairRoots {
  std::string base;  // as the run names them, ending in the separator
  std::string target;
  platform::RootIdentity baseId;
  platform::RootIdentity targetId;
};

// A folder of one side that lies on another file system than the folder above
// it, and the root: entries below a mount point are remembered only for the
// file system that was mounted there.
struct MountPoint {
  std::string rel;  // relative folder, "" for the root
  std::uint64_t fileSystem = 0;
  friend bool operator==(const MountPoint&, const MountPoint&) = default;
};
using MountList = std::vector<MountPoint>;  // sorted by rel

// The mount points a scan saw on its side.
MountList MountsOf(const SideIndex& index);

// The remembered entries of one pair, in memory for the comparison. Entries
// are kept grouped by folder and sorted by name, so that the look-ups of one
// folder (the comparison goes folder by folder) stay within a few cache lines.
class RememberedTable {
 public:
  using FolderId = std::uint32_t;
  static constexpr FolderId kNoFolder = UINT32_MAX;

  void Clear();
  // relFolder: empty for the root, otherwise ending in the separator.
  FolderId AddFolder(std::string_view relFolder);
  // Entries may come in any order; they are sorted once before the first look-up.
  void Add(FolderId folder, std::string_view name, const RememberedEntry& entry);
  void Add(std::string_view relFolder, std::string_view name, const RememberedEntry& entry) {
    Add(AddFolder(relFolder), name, entry);
  }
  // The mount points of each side at the last sync.
  MountList& Mounts(bool baseSide) { return mounts_[baseSide ? 0 : 1]; }
  const MountList& Mounts(bool baseSide) const { return mounts_[baseSide ? 0 : 1]; }

  FolderId FindFolder(std::string_view relFolder) const;
  std::size_t FolderCount() const { return folders_.size(); }
  const std::string& FolderPath(FolderId folder) const { return folders_[folder].path; }
  // A folder whose file system changed: its entries read as never remembered.
  void Invalidate(FolderId folder);
  bool Valid(FolderId folder) const { return folders_[folder].valid; }

  // False when the entry is not remembered (or its folder is not valid). A hit
  // marks the entry seen.
  bool Find(FolderId folder, std::string_view name, RememberedEntry& found);
  // The same without marking the entry seen.
  bool Peek(FolderId folder, std::string_view name, RememberedEntry& found);
  // Whether the folder or anything below it is remembered.
  bool Covers(std::string_view relFolder);
  // Remembered entries of valid folders.
  std::size_t Count() const { return count_; }

  // Every entry of a valid folder: (relFolder, name, entry, seen).
  template <typename Visit>
  void ForEach(Visit visit) {
    if (!indexed_) Index();
    for (const Stored& e : entries_) {
      if (folders_[e.folder].valid) visit(std::string_view(folders_[e.folder].path), NameOf(e), EntryOf(e), e.seen);
    }
  }

 private:
  // 56 bytes an entry: the state of a large pair is held while both trees are.
  struct Stored {
    std::int64_t baseNs;
    std::int64_t targetNs;
    std::uint64_t size;
    std::uint64_t baseStamp;
    std::uint64_t targetStamp;
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
    bool valid = true;
  };
  std::string_view NameOf(const Stored& e) const { return std::string_view(names_).substr(e.nameOffset, e.nameLength); }
  bool Before(const Stored& a, const Stored& b) const {
    return a.folder != b.folder ? a.folder < b.folder : NameOf(a) < NameOf(b);
  }
  static RememberedEntry EntryOf(const Stored& e);
  void Index();
  Stored* Locate(FolderId folder, std::string_view name);

  struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using FolderMap = std::unordered_map<std::string, FolderId, TransparentHash, std::equal_to<>>;

  std::vector<Folder> folders_;
  FolderMap folderIds_;
  FolderMap covered_;  // every valid folder with something remembered in it or below it
  std::vector<Stored> entries_;
  std::string names_;
  MountList mounts_[2];
  std::size_t count_ = 0;
  bool sorted_ = true;
  bool indexed_ = false;  // the folders' ranges and the covered folders are known
};

// What a run changes in a pair's state, applied by the store in one transaction:
// folders whose entries all go (their file system changed) first, then entries
// remembered or forgotten, and the mount points when they are given.
class StateChanges {
 public:
  enum class Action : unsigned char { Remember, Forget, ResetFolder };
  struct Item {
    std::uint32_t folder;
    std::uint32_t nameOffset;
    std::uint32_t nameLength;
    Action action;
    RememberedEntry entry;
  };
  void Remember(std::string_view relFolder, std::string_view name, const RememberedEntry& entry);
  void Forget(std::string_view relFolder, std::string_view name);
  void ResetFolder(std::string_view relFolder);
  void SetMounts(MountList base, MountList target);
  bool HasMounts() const { return hasMounts_; }
  const MountList& Mounts(bool baseSide) const { return mounts_[baseSide ? 0 : 1]; }
  // Whether anything but the mount points is to be written.
  bool Empty() const { return items_.empty(); }
  void Clear();
  const std::vector<Item>& Items() const { return items_; }
  std::string_view Folder(const Item& item) const { return folders_[item.folder]; }
  std::string_view Name(const Item& item) const {
    return std::string_view(names_).substr(item.nameOffset, item.nameLength);
  }

 private:
  std::uint32_t FolderIndex(std::string_view relFolder);
  void Push(std::string_view relFolder, std::string_view name, Action action, const RememberedEntry& entry);
  std::vector<std::string> folders_;
  std::unordered_map<std::string, std::uint32_t> folderIds_;
  std::string names_;
  std::vector<Item> items_;
  MountList mounts_[2];
  bool hasMounts_ = false;
};

// Where the pairs' states are kept. The engine defines it; storage keeps the
// states on disk.
class ISyncState {
 public:
  enum class Loaded {
    None,       // nothing remembered for these roots
    Found,      // the table holds the pair's state
    Replaced,   // a state of these paths whose roots are other folders now: not used
    Failed,     // the state could not be opened or read (see the reason)
    Untrusted,  // the state belongs to another user or others may write it (see the reason)
  };
  virtual ~ISyncState() = default;
  virtual Loaded Load(const PairRoots& roots, RememberedTable& table, std::string& reason) = 0;
  // Applies the changes in one transaction; a state of these paths made for
  // other roots is dropped first. False with the reason when nothing was written.
  virtual bool Save(const PairRoots& roots, const StateChanges& changes, std::string& reason) = 0;
  // Where the states are kept, for messages.
  virtual std::string Location() const = 0;
};

// An entry of a folder tree that a row replaces by a file: its path below the
// folder and what the list saw, so that only that is removed. Folders come
// after everything inside them.
struct ReplacedEntry {
  std::string rel;  // below the replaced folder, "/"-separated
  bool folder = false;
  platform::FileTime mtime;
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

  // False when the state could not be used: the pair is judged as never
  // remembered and nothing is written.
  bool Saving() const { return saving_; }
  void StopSaving() { saving_ = false; }

  // The scans and open roots while a condition is processed (null otherwise).
  void UseScans(const SideIndex* base, const SideIndex* target, const platform::Folder* baseRoot,
                const platform::Folder* targetRoot);
  // Compares the mount points the scans saw with the remembered ones; folders
  // below a changed one read as never remembered and are reset when the state
  // is next written. The first changed folder, or nullptr when none changed.
  const std::string* CheckMounts();

  // The sides on another machine while a condition is processed (null
  // otherwise): their contents are compared by digests made there.
  void UseFarRoots(IFarRoot* base, IFarRoot* target);

  // The look-up of the comparison, caching the folder of the previous entry.
  bool Find(std::string_view relFolder, std::string_view name, RememberedEntry& found);

  // Whether the two sides' entries hold the same bytes now (see
  // platform::SameContents; with a far side, by digests).
  platform::Expected<bool> SameContents(std::string_view relFolder, std::string_view name,
                                        const platform::EntryInfo& base, const platform::EntryInfo& target);

  // Entries that ended equal and entries deleted, to be written at the end.
  void RememberEqual(std::string_view relFolder, std::string_view name, const platform::EntryInfo& base,
                     const platform::EntryInfo& target, bool folder);
  void RememberCopy(std::string_view relFolder, std::string_view name, bool fromBase, const platform::EntryInfo& source,
                    const platform::EntryInfo& destination, bool folder);
  void Forget(std::string_view relFolder, std::string_view name) { changes_.Forget(relFolder, name); }

  // What the comparison saw of both sides of the row it hands to execution
  // right away (a sync run), so that a copy remembers the source's stamp.
  void NoteShown(int row, const platform::EntryInfo& base, const platform::EntryInfo& target) {
    shownRow_ = row;
    shownBase_ = base;
    shownTarget_ = target;
  }
  const platform::EntryInfo* Shown(int row, bool baseSide) const {
    if (row != shownRow_) return nullptr;
    return baseSide ? &shownBase_ : &shownTarget_;
  }

  // Deletions the comparison decided for this condition, per side and folder,
  // so that folders emptied by them can follow.
  void NoteDeletion(bool baseSide, std::string_view relFolder);
  const std::unordered_map<std::string, std::uint32_t>& Deletions(bool baseSide) const {
    return deletions_[baseSide ? 0 : 1];
  }

  // What a sync run would delete on each side (remembered entries gone from the
  // other side and unchanged on this one), counted before any row is executed.
  struct PlannedDeletions {
    std::size_t base = 0;
    std::size_t target = 0;
  };
  PlannedDeletions CountDeletions();

  // Prepares the changes for writing: the mount points seen and the folders to
  // reset; ChangesWritten once the store has them.
  void SealChanges();
  void ChangesWritten();
  // Forgets what only this condition needed (the table, scans and open roots).
  void EndCondition();

 private:
  bool OpenFolders(std::string_view relFolder);
  platform::Expected<bool> FarSameContents(std::string_view relFolder, std::string_view name,
                                           const platform::EntryInfo& base, const platform::EntryInfo& target);
  platform::Expected<platform::ContentDigest> DigestAt(bool baseSide, std::string_view relFolder,
                                                       std::string_view name, const platform::EntryInfo& seen);
  // Lists every pair of files whose contents the comparison is likely to
  // need; AskDigests then asks each far side for a batch of them from
  // `first` on, so that a first contact of many files costs no round trip per
  // file and a cancel is still seen between batches.
  void ListDigestAsks();
  void AskDigests(std::size_t first);

  PairRoots roots_;
  RememberedTable table_;
  StateChanges changes_;
  bool saving_ = true;
  const SideIndex* baseScan_ = nullptr;
  const SideIndex* targetScan_ = nullptr;
  const platform::Folder* baseRoot_ = nullptr;
  const platform::Folder* targetRoot_ = nullptr;
  IFarRoot* baseFar_ = nullptr;
  IFarRoot* targetFar_ = nullptr;
  struct DigestAsk {
    std::string key;  // rel + name
    platform::Expectation expect[2];
    bool asked = false;
  };
  bool digestsListed_ = false;
  std::vector<DigestAsk> digestAsks_;
  std::unordered_map<std::string_view, std::size_t> digestAskOf_;  // into digestAsks_, built once it is complete
  std::unordered_map<std::string, platform::Expected<platform::ContentDigest>> digests_[2];  // by key, until used
  std::string findRel_;
  RememberedTable::FolderId findFolder_ = RememberedTable::kNoFolder;
  bool findValid_ = false;
  std::string openRel_;
  platform::Folder openBase_;
  platform::Folder openTarget_;
  bool openValid_ = false;
  MountList mounts_[2];
  bool mountsKnown_ = false;
  std::vector<std::string> resetFolders_;
  std::string firstChanged_;
  int shownRow_ = -1;
  platform::EntryInfo shownBase_;
  platform::EntryInfo shownTarget_;
  std::unordered_map<std::string, std::uint32_t> deletions_[2];
};

// The sync memory of one engine: the store, the pairs of the last run whose
// conditions remember (so that row commands on their rows update the state
// too), and what rows that remove folders need to know.
class SyncMemory {
 public:
  void SetStore(ISyncState* store) { store_ = store; }
  // Where failures to write are said.
  void SetPrompt(IPrompt* prompt) { prompt_ = prompt; }
  bool HasStore() const { return store_ != nullptr; }

  // A run begins: nothing of the previous run's pairs is used any more.
  void NewRun();
  // A condition of a run begins, its sides scanned: loads its pair's state when
  // it remembers. Null when it does not (or there is no store). A state that
  // cannot be used is said once; the pair is then judged as never remembered
  // and nothing is written.
  // A root is a local folder or, where `far` is given, a folder on another
  // machine (whose `local` is not used).
  struct Root {
    const platform::Folder& local;
    IFarRoot* far = nullptr;
  };
  PairMemory* BeginCondition(const RunValues& values, Root base, Root target, const SideIndex& baseScan,
                             const SideIndex& targetScan, IPrompt& prompt);
  PairMemory* BeginCondition(const RunValues& values, const platform::Folder& base, const platform::Folder& target,
                             const SideIndex& baseScan, const SideIndex& targetScan, IPrompt& prompt) {
    return BeginCondition(values, Root{base}, Root{target}, baseScan, targetScan, prompt);
  }
  // The pair of a row's roots, when its condition remembered in the last run.
  PairMemory* PairOf(std::string_view baseRoot, std::string_view targetRoot);
  // Writes what changed in every pair, each in one transaction (a failure is
  // said), and lets go of what only the condition needed.
  void Flush();
  // Forgets what the pairs were to remember and is not written yet: the
  // changes it describes could not be made durable.
  void DropUnwritten() {
    for (auto& [key, pair] : pairs_) pair->Changes().Clear();
    ++problems_;
  }
  // How often since the run began the state could not be used or written.
  unsigned Problems() const { return problems_; }

  // Rows that remove a folder its deletions emptied: the folder's identity,
  // since its time changes as its entries go.
  void NoteEmptiedFolder(int row, const platform::Identity& identity) { emptiedFolders_[row] = identity; }
  const platform::Identity* EmptiedFolder(int row) const {
    const auto found = emptiedFolders_.find(row);
    return found == emptiedFolders_.end() ? nullptr : &found->second;
  }
  // Rows where a file and a folder meet: the folder's tree as the list saw it.
  void NoteReplacedTree(int row, std::vector<ReplacedEntry> tree) { replacedTrees_[row] = std::move(tree); }
  const std::vector<ReplacedEntry>* ReplacedTree(int row) const {
    const auto found = replacedTrees_.find(row);
    return found == replacedTrees_.end() ? nullptr : &found->second;
  }

 private:
  static std::string Key(std::string_view baseRoot, std::string_view targetRoot);
  ISyncState* store_ = nullptr;
  IPrompt* prompt_ = nullptr;
  std::map<std::string, std::unique_ptr<PairMemory>, std::less<>> pairs_;
  std::unordered_map<int, platform::Identity> emptiedFolders_;
  std::unordered_map<int, std::vector<ReplacedEntry>> replacedTrees_;
  unsigned problems_ = 0;
};

}  // namespace orvel::engine
