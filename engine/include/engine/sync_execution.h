#pragma once

#include "engine/far_root.h"
#include "engine/folder_path_set.h"
#include "engine/folder_scan.h"
#include "engine/interfaces.h"
#include "engine/root_locks.h"
#include "engine/row_store.h"
#include "engine/sync_memory.h"
#include "engine/tree_access.h"
#include "platform/file_ops.h"

#include <memory>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::engine {

class CopyPool;
struct PooledCopy;
struct FileRowCopy;

// Direction override of ExecuteRow.
enum class Direction { AsMarked = 0, ForceBase = 1, ForceTarget = 2 };

// Carries out result rows against the file system and shows the outcome in the
// list. The row store is never changed, so executing a row again repeats it.
//
// Every operation acts only while both entries are still as the list shows
// them (checked again right before the final rename or delete; otherwise "?"
// with the reason), and reaches its folders from the root folders' descriptors
// without following a link.
class SyncExecution {
 public:
  // deleteTrash is read at the moment of each deletion.
  SyncExecution(const RowStore& rows, IResultList& list, std::function<bool()> deleteTrash)
      : rows_(rows), list_(list), deleteTrash_(std::move(deleteTrash)) {}

  // The sync run hands over the open root folders of the condition it works on.
  void UseRoots(const std::string& basePath, const platform::Folder& base, const std::string& targetPath,
                const platform::Folder& target);
  // The sides of that condition on other machines (null: local), after UseRoots.
  // Their rows are carried out there, pipelined: a row shows its result when
  // the far side has answered, at the latest in Release().
  void UseFarRoots(const std::string& basePath, IFarRoot* base, const std::string& targetPath, IFarRoot* target);
  // Where the row commands open folders on other machines (null: every folder
  // is local). They are checked to be the folders the list was made from, and
  // stay open (and locked) until Release.
  void UseFarSides(IFarSides* far) { farSides_ = far; }
  // Asked once before the first deletion until the next UseRoots; No stops the
  // run (see Declined()) and deletes nothing.
  void GuardDeletions(std::function<bool()> askFirst) { deleteGuard_ = std::move(askFirst); }
  bool Declined() const { return declined_; }
  // The target root the run made for the condition (a side on another machine
  // given by its far root instead): like every folder a run makes, it takes
  // the base root's time in Release(), once everything is in it.
  void NoteMadeTargetRoot(const platform::Folder* base, IFarRoot* baseFar, const platform::Folder* target,
                          IFarRoot* targetFar) {
    madeRoot_ = MadeRoot{base, baseFar, target, targetFar};
  }
  // Closes every folder opened for the rows (the end of a condition, a run or
  // a row loop) and writes what the rows changed in the remembered states.
  void Release();

  // Whether a sync run's plain file copies run several at a time: where a
  // root lies on a network or FUSE mount (as the scan decides its look-ups),
  // never, or always. Their rows show their results in row order all the same.
  void SetConcurrentCopies(ScanLookUps mode) { copyMode_ = mode; }
  // A cancel: the copies in flight finish, none that has not begun does (its
  // row shows what it showed before). Every row is settled in Release().
  void StopCopies();

  // A new run: what the copies learn of the file systems starts afresh.
  void BeginRun() { session_.Reset(); }
  // What the copies found the destinations' file systems lack, said once per
  // run (through prompt.Notice) and per file system.
  void ReportNotes(IPrompt& prompt);
  const platform::CopySession& Session() const { return session_; }
  // Called at every stage of every copy (tests put changes there).
  void SetCopyProbe(std::function<void(platform::CopyStage)> probe) { session_.SetProbe(std::move(probe)); }

  // The remembered states: executed rows of a pair that remembers update it.
  SyncMemory& Memory() { return memory_; }
  // Where a conflict's row asks which version to keep.
  void SetPrompt(IPrompt* prompt) {
    prompt_ = prompt;
    memory_.SetPrompt(prompt);
  }

  // Opens the root folders of an item's row for a row command (checked to be the
  // folders the list was made from) and takes their locks; false when a busy
  // folder made the user give up. Roots that cannot be opened are left to the
  // row itself, which then fails with the reason.
  bool LockRoots(int item, RootLocks& locks, IPrompt& prompt);

  // Whether executing the item (as marked) asks which version to keep: that
  // question is its confirmation.
  bool AsksWhichVersion(int item) const;

  // Executes the row of list item `item` and returns what the item now shows.
  ItemResult ExecuteRow(int item, Direction direction);

 private:
  struct Work;
  // Puts what the rows changed on stable storage, here and on the far sides;
  // false (and said) where that failed.
  bool MakeChangesDurable();
  // A change made in the folder, to be made durable before it is remembered.
  void NoteChange(const platform::Folder& folder);
  TreeAccess& Tree(std::string_view rootPath);
  std::error_code OpenRoots(const ResultRow& row);
  // Stores what the copy holds now in *copied when asked (the remembered state needs it).
  RowError CopyRow(const Work& work, bool fromBase, platform::EntryInfo* copied);
  RowError DeleteRow(const Work& work, bool baseSide, int rowIndex);
  void Remember(PairMemory& pair, const Work& work, Mark done, std::uint64_t size);
  // Gives the folders this run made their sources' metadata and times, now
  // that their contents are in place.
  void FinishMadeFolders();
  // A file and a folder of one name: the source's entry takes the destination's place.
  RowError ReplaceKind(const Work& work, bool fromBase, platform::EntryInfo* copied);
  // Equal contents: the destination file takes the source's time (either
  // side may be on another machine).
  RowError SettleTimes(const Work& work, bool fromBase, platform::EntryInfo* settled, IFarRoot* fromFar = nullptr,
                       IFarRoot* toFar = nullptr);
  // Both versions of a conflict stay: the target's is renamed beside the other,
  // then each goes to the other side.
  RowError KeepBoth(const Work& work, PairMemory* pair);
  void Remember(PairMemory& pair, const Work& work, Mark done, const platform::EntryInfo& copied);
  IFarRoot* FarRoot(std::string_view rootPath) const;
  // A row with a side on another machine; `result` is what it shows when done.
  ItemResult ExecuteFarRow(int item, const Work& work, Mark mark, ItemResult result, IFarRoot* baseFar,
                           IFarRoot* targetFar);
  // Copies and deletions with a far side; `finish` hears the result of one that
  // is answered later (an empty error code returned).
  // What goes where: the row's own entry, or one step of a kind change or a
  // kept conflict (another name, another expectation).
  struct Transfer {
    std::string_view fromName;
    platform::Expectation source;
    std::string_view toName;
    platform::Expectation destination;
    bool folder = false;
  };
  Transfer RowTransfer(const Work& work, bool fromBase) const;
  // `kept`, when given, hears what the destination kept by `finish`'s time;
  // `moved` how many bytes went (what arrived, not what the list said).
  RowError CopyFromFar(const Work& work, bool fromBase, IFarRoot& from, const Transfer& transfer,
                       const std::function<void(RowError)>& finish, platform::EntryInfo* kept = nullptr,
                       std::optional<std::uint64_t>* moved = nullptr);
  RowError CopyToFar(const Work& work, bool fromBase, IFarRoot& to, const Transfer& transfer,
                     const std::function<void(RowError)>& finish, platform::EntryInfo* kept = nullptr,
                     std::optional<std::uint64_t>* moved = nullptr);
  // Between two other machines: the bytes pass through this one, streaming.
  RowError CopyBetweenFar(const Work& work, bool fromBase, IFarRoot& from, IFarRoot& to, const Transfer& transfer,
                          const std::function<void(RowError)>& finish, platform::EntryInfo* kept = nullptr,
                          std::optional<std::uint64_t>* moved = nullptr);
  // Any of the three, waiting for its answer (a step that the next depends on).
  RowError CopyNow(const Work& work, bool fromBase, IFarRoot* fromFar, IFarRoot* toFar, const Transfer& transfer);
  // ReplaceKind and KeepBoth with a side on another machine.
  RowError ReplaceKindFar(const Work& work, bool fromBase, IFarRoot* fromFar, IFarRoot* toFar,
                          platform::EntryInfo* copied);
  RowError KeepBothFar(const Work& work, PairMemory* pair, IFarRoot* baseFar, IFarRoot* targetFar);
  // A conflict settled for one version (both exist): the other steps aside,
  // the kept one takes the name, and the one aside goes to the trash where
  // this machine has one that takes it; otherwise it stays beside under its
  // own name. Never destroyed.
  RowError KeepOneVersion(const Work& work, bool keepBase, IFarRoot* baseFar, IFarRoot* targetFar,
                          platform::EntryInfo* copied);
  // A conflict settled for the side that deleted the entry: the other side's
  // version goes to the trash, or where none takes it, beside under its own name.
  RowError SetVersionAside(const Work& work, bool baseSide, IFarRoot* baseFar, IFarRoot* targetFar);
  // Opens the row's far roots for a row command, unless open already; null
  // prompt: a busy folder is not waited for.
  std::error_code OpenFarRoots(const ResultRow& row, IPrompt* prompt, bool& gaveUp);
  // What a row with a far side leaves in its pair's state once its result is
  // settled, which may be after the row returned: null when the pair does not
  // remember. RememberFar records it on success.
  struct FarMemo;
  std::shared_ptr<FarMemo> FarMemoOf(const Work& work, Mark shown);
  void RememberFar(const FarMemo& memo);
  RowError DeleteFar(const Work& work, bool baseSide, IFarRoot* baseFar, IFarRoot* targetFar,
                     const std::function<void(RowError)>& finish);
  // Makes the far folder `rel` (and those above it) once per run; their times
  // follow their sources' at the end (FinishMadeFolders).
  void EnsureFarFolder(IFarRoot& far, std::string_view rel, const Work& work, bool fromBase, IFarRoot* farFrom = nullptr);
  void SettleFar();
  // The copies on several threads (copy_pool.h): their rows are marked pending
  // and show their results in the order they were handed over.
  void StartCopyPool(const platform::Folder& base, const platform::Folder& target);
  static FileRowCopy FileCopyOf(const Work& work, bool fromBase);
  bool PoolCopy(int item, const Work& work, Mark mark, Direction direction, PairMemory* pair);
  // Shows the results of the copies done so far, in order; all: waits for every one.
  void SettleCopies(bool all);
  void FinishPooledCopy(PooledCopy& copy);

  const RowStore& rows_;
  IResultList& list_;
  std::function<bool()> deleteTrash_;
  std::function<bool()> deleteGuard_;
  bool declined_ = false;
  bool syncRun_ = false;  // the rows come from a sync run (UseRoots), not a row command
  std::map<std::string, TreeAccess, std::less<>> trees_;
  std::map<std::string, IFarRoot*, std::less<>> farRoots_;
  std::map<IFarRoot*, FolderPathSet> farFolders_;  // far folders made sure of this run
  IFarSides* farSides_ = nullptr;
  std::map<std::string, std::unique_ptr<IFarRoot>, std::less<>> openedFar_;  // by the row commands
  SyncMemory memory_;
  platform::CopySession session_;
  // A folder made by a copy, with the roots of its source and of itself.
  struct MadeFolder {
    std::string fromRoot;
    std::string toRoot;
    TreeAccess::Made made;
    IFarRoot* farFrom = nullptr;  // the source lies on another machine
    IFarRoot* farTo = nullptr;    // the folder was made on another machine
  };
  void FinishFarMadeFolder(const MadeFolder& folder);
  void NoteMadeFolders(TreeAccess::Made& made, const Work& work, bool fromBase, IFarRoot& from);
  std::vector<MadeFolder> madeFolders_;
  struct MadeRoot {
    const platform::Folder* base = nullptr;
    IFarRoot* baseFar = nullptr;
    const platform::Folder* target = nullptr;
    IFarRoot* targetFar = nullptr;
  };
  MadeRoot madeRoot_;
  void FinishMadeRoot();
  std::map<std::uint64_t, std::string> devicePaths_;  // a root path on each destination file system, for notices
  IPrompt* prompt_ = nullptr;
  ScanLookUps copyMode_ = ScanLookUps::ByFileSystem;
  struct EndCopyPool {
    void operator()(CopyPool* pool) const;
  };
  std::unique_ptr<CopyPool, EndCopyPool> pool_;
};

}  // namespace orvel::engine
